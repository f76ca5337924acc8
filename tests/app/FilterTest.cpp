// Filter as you type: the box over the record tree, the commands on the filtered rows, changes
// made while filtered, the way back to the whole tree, and the lock.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "app/AppTestKit.h"
#include "app/FindDialog.h"
#include "app/PassTree.h"
#include "app/TrayLock.h"
#include "app/UnitCofferix.h"
#include "common/Settings.h"
#include "common/TextCodec.h"
#include "dialogs/UnitCheckPass.h"
#include "support/RecordingServices.h"
#include "tray/RecordingTrayShell.h"
#include "vault/VaultSession.h"

namespace {

const std::string kPassword = "master-1";

// "mail" is in home's URL, in savings' notes and in cards' password only.
const std::vector<TRecordSpec> kRecords = {
    {"Mail", "home", "me", "pw", "mail.org", ""},
    {"Mail", "work", "boss", "pw2", "", ""},
    {"Bank", "cards", "visa", "MAILBOX-7", "", ""},
    {"Bank", "savings", "", "", "", "statement by MAIL"},
    {"Shop", "books", "reader", "", "", ""},
};

// Another program's whole run: load, change, save.
void ChangeElsewhere(const QString& vault, const std::function<void(TVaultChange&)>& change) {
    TVaultSession other;
    other.SetPath(NativePath(vault));
    other.SetPassword(kPassword);
    other.Load();
    other.Change(change);
}

}  // namespace

class TFilterTest : public QObject {
    Q_OBJECT
public:
    explicit TFilterTest(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void init() {
        FServices = std::make_unique<TRecordingServices>();
        ClearSettings();
        FFolder = std::make_unique<QTemporaryDir>(FEnvironment.FilePath("case-XXXXXX"));
        FVault = FFolder->filePath("vault.dat");
        WriteVault(FVault, kPassword, kRecords);
        Settings::SetDatabase(FVault);
        FScript = std::make_unique<TDialogScript>();
        FWindow = std::make_unique<TfrmCofferix>();
        FWindow->TrayLock().SetTrayShell(std::make_unique<TRecordingTrayShell>());
        FScript->Attach(*FWindow);
        FScript->Then(OpenWith(kPassword));
        QVERIFY(FWindow->FormCreate());
        FWindow->TrayLock().ShowAtStart(false);
        QVERIFY(QTest::qWaitForWindowExposed(FWindow.get()));
    }

    void cleanup() {
        FWindow.reset();
        FScript.reset();
        FServices.reset();
    }

    // The rows of the filtered tree are not the tree's rows: every command acts on the record
    // shown, never on the one at the same place in the whole tree.
    void MatchesShowOpenedAndCommandsActOnTheShownRows() {
        QAbstractItemModelTester tester(&FWindow->Model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        FWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FWindow.get()));
        View()->setFocus();
        QTest::keyClick(View(), Qt::Key_E, Qt::ControlModifier);
        QTRY_VERIFY(Box()->hasFocus());
        QCOMPARE(Box()->placeholderText(), QStringLiteral("Filter (Ctrl+E)"));
        QCOMPARE(Box()->accessibleName(), QStringLiteral("Filter records"));

        QTest::keyClicks(Box(), QStringLiteral("MAILX"));
        QCOMPARE(Shown(), QStringList());
        QTest::keyClick(Box(), Qt::Key_Backspace);
        // cards holds "mail" in its password only; the groups were closed and open now.
        QCOMPARE(Shown(), QStringList({"+Mail", "  home", "+Bank", "  savings"}));

        // savings is the first row shown in Bank, the second in the tree.
        const QModelIndex bank = FWindow->Model().index(1, 0);
        QTest::mouseClick(View()->viewport(), Qt::LeftButton, {},
                          View()->visualRect(FWindow->Model().index(0, 0, bank)).center());
        QCOMPARE(View()->SelectedNodes(), std::vector<PNode>{Node("savings")});
        FWindow->PassTreeGetPopupMenu(FWindow->Model().index(0, 0, bank));
        Part<QAction>(*FWindow, "mnuCopy")->trigger();
        QCOMPARE(FServices->Clipboard, QStringList{"savings"});
        QVERIFY(Part<QAction>(*FWindow, "ActDelRecord")->isEnabled());
        FServices->OkCancelAnswers = {true};
        Part<QAction>(*FWindow, "ActDelRecord")->trigger();
        QCOMPARE(Outline(*ReadVault(FVault, kPassword)),
                 QStringList({"[Mail]", "  home|me|pw|mail.org|", "  work|boss|pw2||", "[Bank]",
                              "  cards|visa|MAILBOX-7||", "[Shop]", "  books|reader|||"}));
        QCOMPARE(Shown(), QStringList({"+Mail", "  home"}));

        // The find searches what is shown: cards' password is hidden by the filter.
        Part<TFindDialog>(*FWindow, "FindDialog")->edtFindText->setText(QStringLiteral("box"));
        Part<TFindDialog>(*FWindow, "FindDialog")->btnFind->click();
        QCOMPARE(FServices->Beeps, 1);
        QCOMPARE(View()->SelectedNodes(), std::vector<PNode>{});

        // Ctrl+F in the tree still opens the find window.
        QVERIFY(!Part<TFindDialog>(*FWindow, "FindDialog")->isVisible());
        QTest::keyClick(View(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(Part<TFindDialog>(*FWindow, "FindDialog")->isVisible());
        QCOMPARE(Box()->text(), QStringLiteral("MAIL"));
    }

    void EndingTheFilterBringsBackTheViewOrWhatWasPickedMeanwhile() {
        View()->expand(FWindow->Model().IndexOf(Node("Mail")));
        View()->SelectOnly(Node("work"));
        Box()->setText(QStringLiteral("statement"));
        QCOMPARE(Shown(), QStringList({"+Bank", "  savings"}));
        QVERIFY(!Part<QAction>(*FWindow, "ActEditRecord")->isEnabled());

        QTest::keyClick(Box(), Qt::Key_Escape);
        QCOMPARE(Box()->text(), QString());
        QCOMPARE(Shown(), QStringList({"+Mail", "  home", "  work", "-Bank", "-Shop"}));
        QCOMPARE(View()->SelectedNodes(), std::vector<PNode>{Node("work")});
        QCOMPARE(View()->currentIndex(), FWindow->Model().IndexOf(Node("work")));
        QVERIFY(Part<QAction>(*FWindow, "ActEditRecord")->isEnabled());

        // A record picked while filtered stays picked, its group opened to show it.
        QTest::keyClicks(Box(), QStringLiteral("READ"));
        QCOMPARE(Shown(), QStringList({"+Shop", "  books"}));
        View()->SelectOnly(Node("books"));
        Box()->clear();
        QCOMPARE(Shown(), QStringList({"+Mail", "  home", "  work", "-Bank", "+Shop", "  books"}));
        QCOMPARE(View()->SelectedNodes(), std::vector<PNode>{Node("books")});
    }

    // Another program's save reloads the vault; the window's own changes go through the tree
    // commands. Either way the filter decides what shows.
    void ChangesWhileFilteredAppearOrGoAsTheFilterSays() {
        QAbstractItemModelTester tester(&FWindow->Model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        Box()->setText(QStringLiteral("mail"));
        QCOMPARE(Shown(), QStringList({"+Mail", "  home", "+Bank", "  savings"}));

        ChangeElsewhere(FVault, [](TVaultChange& change) {
            TNodeData savings = FindByTitle(change.Tree(), "savings")->Data;
            savings.Notes = "statement by post";
            change.ModifyRecord(FindByTitle(change.Tree(), "savings"), savings, "Bank");
            TNodeData added;
            added.Title = "mailer";
            change.AddRecord("Tools", added);
        });
        QTRY_VERIFY(FindByTitle(FWindow->RecordTree(), "mailer"));
        QCOMPARE(Shown(), QStringList({"+Mail", "  home", "+Tools", "  mailer"}));

        View()->SelectOnly(Node("home"));
        FScript->Then(RecordWith({"Mail", "home", "me", "pw", "", ""}));
        Part<QAction>(*FWindow, "ActEditRecord")->trigger();
        QCOMPARE(Shown(), QStringList({"+Tools", "  mailer"}));

        // Without the editor (an import, say): the group comes into the view opened.
        FWindow->Vault().Change([](TVaultChange& change) {
            TNodeData added;
            added.Notes = "mail bag";
            change.AddRecord("Shop", added);
        });
        QCOMPARE(Shown(), QStringList({"+Shop", "  ", "+Tools", "  mailer"}));

        FScript->Then(RecordWith({"Mail", "gmail", "", "", "", ""}));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        QCOMPARE(Shown(), QStringList({"+Mail", "  gmail", "+Shop", "  ", "+Tools", "  mailer"}));
        QCOMPARE(View()->SelectedNodes(), std::vector<PNode>{Node("gmail")});
        QVERIFY(FScript->Done());
        QVERIFY(FServices->Boxes.isEmpty());
    }

    void LockEmptiesTheFilterAndTheUnlockShowsTheWholeTree() {
        View()->expand(FWindow->Model().IndexOf(Node("Bank")));
        QTest::keyClicks(Box(), QStringLiteral("mail"));
        QCOMPARE(Shown(), QStringList({"+Mail", "  home", "+Bank", "  savings"}));

        Part<QPushButton>(*FWindow, "btnLockApp")->click();
        QVERIFY(FWindow->ShowsLockPage());
        QCOMPARE(Box()->text(), QString());
        QVERIFY(!Box()->isEnabled());
        QVERIFY(!Box()->isVisibleTo(FWindow.get()));
        QVERIFY(!FWindow->Model().IsFiltered());
        QCOMPARE(FWindow->Model().rowCount(), 0);

        FScript->Then(Answer<TfrmCheckPassword>([](TfrmCheckPassword& dialog) {
            dialog.EditPass->setText(AnsiToQString(kPassword));
            dialog.btnOKClick();
        }));
        FWindow->TrayLock().CoolTrayIconDblClick();
        QVERIFY(!FWindow->ShowsLockPage());
        QVERIFY(Box()->isEnabled());
        QCOMPARE(Shown(), QStringList({"-Mail", "+Bank", "  cards", "  savings", "-Shop"}));
    }

private:
    TPassTree* View() const { return Part<TPassTree>(*FWindow, "PassTree"); }
    QLineEdit* Box() const { return Part<QLineEdit>(*FWindow, "edtFilter"); }
    PNode Node(const std::string& title) const { return FindByTitle(FWindow->RecordTree(), title); }

    // What the view shows: "+group" opened with its rows below, "-group" closed.
    QStringList Shown() const {
        const TRecordTreeModel& model = FWindow->Model();
        QStringList lines;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex group = model.index(row, 0);
            const bool open = View()->isExpanded(group);
            lines << (open ? QStringLiteral("+") : QStringLiteral("-")) + group.data().toString();
            for (int child = 0; open && child < model.rowCount(group); ++child) {
                lines << QStringLiteral("  ") + model.index(child, 0, group).data().toString();
            }
        }
        return lines;
    }

    TTestEnvironment& FEnvironment;
    std::unique_ptr<TRecordingServices> FServices;
    std::unique_ptr<QTemporaryDir> FFolder;
    QString FVault;
    std::unique_ptr<TDialogScript> FScript;
    std::unique_ptr<TfrmCofferix> FWindow;
};

COFFERIX_APP_TEST_MAIN(TFilterTest)
#include "FilterTest.moc"
