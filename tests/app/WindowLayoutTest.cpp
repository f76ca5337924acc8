// The main window as the user meets it: captions, menus, the order of the buttons, its size,
// and that its commands are shared by buttons and menus.
#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppTestKit.h"
#include "app/UnitCofferix.h"
#include "support/RecordingServices.h"

namespace {

// The captions of a menu's items, a separator as "-".
QStringList Items(const QMenu* menu) {
    QStringList items;
    for (const QAction* action : menu->actions()) {
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return items;
}

}  // namespace

class TWindowLayoutTest : public QObject {
    Q_OBJECT
public:
    explicit TWindowLayoutTest(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void init() {
        FServices = std::make_unique<TRecordingServices>();
        ClearSettings();
        FFolder = std::make_unique<QTemporaryDir>(FEnvironment.FilePath("case-XXXXXX"));
        FScript = std::make_unique<TDialogScript>();
        const QString vault = FFolder->filePath("vault.dat");
        WriteVault(vault, "master-1", {{"G", "one", "", "", "", ""}});
        FWindow = StartWindowOn(vault, "master-1", *FScript);
        QVERIFY(FWindow);
    }

    void cleanup() {
        FWindow.reset();
        FScript.reset();
        FServices.reset();
    }

    void MenusHoldTheirCommandsInOrder() {
        const QList<QAction*> bar = FWindow->menuBar()->actions();
        QCOMPARE(bar.size(), 2);
        QCOMPARE(bar[0]->text(), QStringLiteral("File"));
        QCOMPARE(bar[1]->text(), QStringLiteral("Edit"));
        QCOMPARE(Items(Part<QMenu>(*FWindow, "mnuFile")),
                 QStringList({"Change Master Password", "Database Format...", "-", "Export List",
                              "Import from Another Manager...", "Export for Another Manager...",
                              "Merge Database...", "Password Health...", "Options",
                              "Lock WorkSpace", "Close"}));
        QCOMPARE(Items(Part<QMenu>(*FWindow, "mnuEdit")),
                 QStringList({"Add Record", "Delete Record", "Modify Record", "-",
                              "Password Generator", "-", "Undo Delete", "Rename Group",
                              "Copy Password", "Copy User Name", "Open URL"}));
        FWindow->PassTreeGetPopupMenu(FWindow->Model().index(0, 0));
        QCOMPARE(Items(Part<QMenu>(*FWindow, "PopupMenuTree")),
                 QStringList(
                     {"Find", "Copy Title", "-", "Add Record", "Delete Record", "Modify Record"}));
        // One action behind the menu item and the button.
        QVERIFY(Part<QMenu>(*FWindow, "mnuEdit")
                    ->actions()
                    .contains(Part<QAction>(*FWindow, "ActAddRecord")));
        QVERIFY(Part<QMenu>(*FWindow, "PopupMenuTree")
                    ->actions()
                    .contains(Part<QAction>(*FWindow, "ActDelRecord")));
        for (const char* name : {"ActAddRecord", "ActDelRecord", "ActEditRecord", "ActPassGen",
                                 "ActExit", "ActLockApp"}) {
            QVERIFY2(FWindow->findChild<QAction*>(QLatin1String(name)), name);
        }
    }

    void CaptionsComeFromTheStringTable() {
        QCOMPARE(FWindow->windowTitle(), QStringLiteral("Dravenor Cofferix FREE"));
        QCOMPARE(Part<QPushButton>(*FWindow, "btnSearch")->text(), QStringLiteral("Find"));
        QCOMPARE(Part<QPushButton>(*FWindow, "btnBackupDatabase")->text(),
                 QStringLiteral("Backup Database"));
        QCOMPARE(Part<QPushButton>(*FWindow, "btnExportDatabase")->text(),
                 QStringLiteral("Import Database"));
        QCOMPARE(Part<QPushButton>(*FWindow, "btnLockApp")->text(),
                 QStringLiteral("Lock WorkSpace"));
        QCOMPARE(Part<QPushButton>(*FWindow, "btnPassGen")->text(),
                 QStringLiteral("Password Generator"));
        QCOMPARE(Part<QPushButton>(*FWindow, "btnModifyRecord")->text(),
                 QStringLiteral("Modify Record"));
        QCOMPARE(Part<QCheckBox>(*FWindow, "chkDisplayPass")->text(),
                 QStringLiteral("Display Password"));
        QVERIFY(Part<QLabel>(*FWindow, "lblTips")
                    ->text()
                    .startsWith(QStringLiteral("Dravenor Cofferix FREE is designed to help you")));
        QVERIFY(Part<QLabel>(*FWindow, "lblTips")->wordWrap());
        QStringList columns;
        for (int column = 0; column < 5; ++column) {
            columns << FWindow->Model().headerData(column, Qt::Horizontal).toString();
        }
        QCOMPARE(columns, QStringList({"Title", "User Name", "Password", "URL", "Notes"}));
    }

    void ButtonsStandInTheirRowsAndTheWindowInItsSize() {
        FWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(FWindow.get()));
        QCOMPARE(FWindow->size(), QSize(802, 580));
        QCOMPARE(FWindow->minimumSize(), QSize(730, 540));
        QCOMPARE(Part<QLabel>(*FWindow, "imgLogo")->size(), QSize(185, 70));
        QCOMPARE(Part<QLabel>(*FWindow, "imgLogo")->cursor().shape(), Qt::PointingHandCursor);

        const QList<QPushButton*> top = {Part<QPushButton>(*FWindow, "btnPassGen"),
                                         Part<QPushButton>(*FWindow, "btnSearch"),
                                         Part<QPushButton>(*FWindow, "btnAddRecord"),
                                         Part<QPushButton>(*FWindow, "btnDeleteRecord"),
                                         Part<QPushButton>(*FWindow, "btnModifyRecord")};
        const QList<QPushButton*> bottom = {Part<QPushButton>(*FWindow, "btnLockApp"),
                                            Part<QPushButton>(*FWindow, "btnBackupDatabase"),
                                            Part<QPushButton>(*FWindow, "btnExportDatabase")};
        for (const auto& row : {top, bottom}) {
            for (int i = 1; i < row.size(); ++i) {
                QVERIFY(row[i - 1]->geometry().right() < row[i]->geometry().left());
                QCOMPARE(row[i - 1]->y(), row[i]->y());
            }
        }
        // Both rows keep to the right edge when the window grows; the box stays left.
        const int right = Place(Part<QPushButton>(*FWindow, "btnModifyRecord")).x();
        FWindow->resize(1000, 700);
        QTRY_COMPARE(Place(Part<QPushButton>(*FWindow, "btnModifyRecord")).x(), right + 198);
        QVERIFY(Place(Part<QCheckBox>(*FWindow, "chkDisplayPass")).x() <
                Place(Part<QPushButton>(*FWindow, "btnLockApp")).x());
        QVERIFY(Place(Part<QPushButton>(*FWindow, "btnAddRecord")).y() <
                Place(Part<TPassTree>(*FWindow, "PassTree")).y());
        QVERIFY(Place(Part<TPassTree>(*FWindow, "PassTree")).y() +
                    Part<TPassTree>(*FWindow, "PassTree")->height() <=
                Place(Part<QPushButton>(*FWindow, "btnLockApp")).y());

        // The filter box stands left of the top row, above the tree, also in the smallest window.
        FWindow->resize(FWindow->minimumSize());
        QTRY_COMPARE(Place(Part<QPushButton>(*FWindow, "btnModifyRecord")).x(), right - 72);
        const QLineEdit* filter = Part<QLineEdit>(*FWindow, "edtFilter");
        QVERIFY(Place(filter).x() + filter->width() < Place(top[0]).x());
        QVERIFY(filter->width() >= 200);
        QVERIFY(Place(filter).y() + filter->height() <=
                Place(Part<TPassTree>(*FWindow, "PassTree")).y());
    }

    void NotesColumnTakesUpWidthChangesInAnyColumnOrder() {
        FWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(FWindow.get()));
        QHeaderView* header = Part<TPassTree>(*FWindow, "PassTree")->header();
        header->moveSection(4, 1);  // Notes dragged between Title and User Name
        const int notes = header->sectionSize(4);
        const int url = header->sectionSize(3);
        FWindow->resize(FWindow->width() + 120, FWindow->height());
        QTRY_COMPARE(header->sectionSize(4), notes + 120);
        QCOMPARE(header->sectionSize(3), url);
        header->resizeSection(0, header->sectionSize(0) + 30);  // another column widened
        QCOMPARE(header->sectionSize(4), notes + 90);
    }

    void LogoDoubleClickOpensTheHomePage() {
        QTest::mouseDClick(Part<QLabel>(*FWindow, "imgLogo"), Qt::LeftButton);
        QCOMPARE(FServices->OpenedTargets, QStringList{"https://www.dravenor.com/cofferix/"});
    }

    void CloseEndsTheWindow() {
        FWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(FWindow.get()));
        Part<QAction>(*FWindow, "ActExit")->trigger();
        QVERIFY(!FWindow->isVisible());
    }

private:
    QPoint Place(const QWidget* widget) const { return widget->mapTo(FWindow.get(), QPoint()); }

    TTestEnvironment& FEnvironment;
    std::unique_ptr<TRecordingServices> FServices;
    std::unique_ptr<QTemporaryDir> FFolder;
    std::unique_ptr<TDialogScript> FScript;
    std::unique_ptr<TfrmCofferix> FWindow;
};

COFFERIX_APP_TEST_MAIN(TWindowLayoutTest)
#include "WindowLayoutTest.moc"
