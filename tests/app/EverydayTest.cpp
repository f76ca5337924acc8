// The keyboard's everyday ways: copies from the tree that protect a password as the pop-up
// menu's Copy does, and the undo of a delete, which puts back what it took in place and keeps
// nothing past a lock.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

#include "app/AppTestKit.h"
#include "app/PassTree.h"
#include "app/TrayLock.h"
#include "app/UnitCofferix.h"
#include "common/ClipboardGuard.h"
#include "common/Settings.h"
#include "common/TextCodec.h"
#include "common/tray/CoolTrayIcon.h"
#include "dialogs/UnitCheckPass.h"
#include "support/RecordingServices.h"
#include "tray/RecordingTrayShell.h"
#include "vault/TreeCommands.h"
#include "vault/VaultOperations.h"

namespace {

const std::string kPassword = "master-1";
const QString kHint = QString::fromLatin1(TClipboardGuard::kHintFormat);

// Every record's Guid by its title.
std::map<std::string, TGuid> GuidsByTitle(const TRecordTree& tree) {
    std::map<std::string, TGuid> guids;
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        if (!node->Data.IsGroup) {
            guids[node->Data.Title] = node->Data.Guid;
        }
    }
    return guids;
}

int CountGuid(const TRecordTree& tree, const TGuid& guid) {
    int count = 0;
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        count += node->Data.Guid == guid ? 1 : 0;
    }
    return count;
}

}  // namespace

class TEverydayTest : public QObject {
    Q_OBJECT
public:
    explicit TEverydayTest(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void init() {
        FServices = std::make_unique<TRecordingServices>();
        ClearSettings();
        FFolder = std::make_unique<QTemporaryDir>(FEnvironment.FilePath("case-XXXXXX"));
        FVault = FFolder->filePath("vault.dat");
        WriteVault(FVault, kPassword,
                   {{"Mail", "home", "me", "pw-secret", "mail.org", "n"},
                    {"Mail", "work", "boss", "pw-work", "", ""},
                    {"Bank", "b1", "u1", "p1", "", ""},
                    {"Bank", "b2", "u2", "p2", "", ""},
                    {"Bank", "b3", "u3", "p3", "", ""},
                    {"Shop", "s1", "", "", "", ""}});
        FScript = std::make_unique<TDialogScript>();
    }

    void cleanup() {
        FWindow.reset();
        FScript.reset();
        FServices.reset();
    }

    void CopyKeysPutAPasswordOnlyAsASecretThatIsCleared() {
        Settings::SetClearClipboardSeconds(1);
        Settings::SetDisplayPass(false);  // the cell shows "*"
        StartWindow();
        const PNode home = FindByTitle(FWindow->RecordTree(), "home");

        // Ctrl+C on the Password cell: the password itself, marked, and gone after its time.
        FocusCell(home, TRecordTreeModel::colPassword);
        QTest::keyClick(Tree(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(ClipboardText(), QStringLiteral("pw-secret"));
        QCOMPARE(FServices->ClipboardData()->data(kHint), QByteArray("secret"));
        QCOMPARE(FServices->Clipboard, QStringList({"pw-secret"}));
        // The view's own copy would have put the shown "*" on the desktop's clipboard.
        QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
        QVERIFY(FWindow->StatusText().startsWith(QStringLiteral("Password copied")));
        QTRY_VERIFY_WITH_TIMEOUT(FServices->ClipboardData() == nullptr, 3000);
        QCOMPARE(FServices->ClipboardClears, 1);

        // Another cell is copied as it is, and stays.
        FocusCell(home, TRecordTreeModel::colUrl);
        QTest::keyClick(Tree(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(ClipboardText(), QStringLiteral("mail.org"));
        QVERIFY(!FServices->ClipboardData()->hasFormat(kHint));

        // The record's password from any cell, and its user name.
        FocusCell(home, TRecordTreeModel::colTitle);
        QTest::keyClick(Tree(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(ClipboardText(), QStringLiteral("pw-secret"));
        QVERIFY(FServices->ClipboardData()->hasFormat(kHint));
        QTRY_VERIFY_WITH_TIMEOUT(FServices->ClipboardData() == nullptr, 3000);
        QCOMPARE(FServices->ClipboardClears, 2);
        QTest::keyClick(Tree(), Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(ClipboardText(), QStringLiteral("me"));
        QVERIFY(!FServices->ClipboardData()->hasFormat(kHint));
        QVERIFY(FServices->Boxes.isEmpty());
    }

    void UndoPutsBackWhatTheDeleteTookInPlace() {
        StartWindow();
        const QStringList before = Outline(FWindow->RecordTree());
        const auto guids = GuidsByTitle(FWindow->RecordTree());
        QAction* undo = Part<QAction>(*FWindow, "ActUndoDelete");
        QVERIFY(!undo->isEnabled());

        // A group with its records and a record in the middle of another group.
        Tree()->SelectOnly(FindByTitle(FWindow->RecordTree(), "Mail"));
        Tree()->AddToSelection(FindByTitle(FWindow->RecordTree(), "b2"));
        // Delete is the tree's key: elsewhere in the window it deletes nothing.
        Part<QCheckBox>(*FWindow, "chkDisplayPass")->setFocus();
        QTest::keyClick(Part<QCheckBox>(*FWindow, "chkDisplayPass"), Qt::Key_Delete);
        QVERIFY(FServices->Questions.isEmpty());
        Tree()->setFocus();
        QTest::keyClick(Tree(), Qt::Key_Delete);
        QCOMPARE(FServices->Questions.size(), 1);
        QCOMPARE(FindByTitle(*ReadVault(FVault, kPassword), "b2"), nullptr);
        QCOMPARE(FWindow->StatusText(),
                 QStringLiteral("3 records deleted. Ctrl+Z puts them back."));
        QVERIFY(undo->isEnabled());

        QTest::keyClick(Tree(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Outline(FWindow->RecordTree()), before);
        QCOMPARE(GuidsByTitle(FWindow->RecordTree()), guids);
        const auto saved = ReadVault(FVault, kPassword);
        QCOMPARE(Outline(*saved), before);
        QCOMPARE(GuidsByTitle(*saved), guids);
        QVERIFY(!undo->isEnabled());

        // Another program puts a deleted record back meanwhile: the undo does not double it.
        Tree()->SelectOnly(FindByTitle(FWindow->RecordTree(), "b2"));
        Tree()->AddToSelection(FindByTitle(FWindow->RecordTree(), "s1"));
        QTest::keyClick(Tree(), Qt::Key_Delete);
        {
            auto other = ReadVault(FVault, kPassword);
            TNodeData b2 = FindByTitle(*saved, "b2")->Data;
            b2.Notes = "kept elsewhere";
            AddRecordNodeAsIs(*other, "Bank", b2);
            VaultSave(QFile::encodeName(FVault).toStdString(), kPassword, *other);
        }
        undo->trigger();
        const auto merged = ReadVault(FVault, kPassword);
        QCOMPARE(CountGuid(*merged, guids.at("b2")), 1);
        QCOMPARE(FindByTitle(*merged, "b2")->Data.Notes, std::string("kept elsewhere"));
        QCOMPARE(CountGuid(*merged, guids.at("s1")), 1);
        QCOMPARE(CountGuid(FWindow->RecordTree(), guids.at("b2")), 1);
    }

    void TreeKeysAndAnUndoThatGoesAtALockOrWithAnotherVault() {
        StartWindow();
        // Enter on the tree modifies, the keypad's too; F2 renames a group, and only a group.
        Tree()->setFocus();
        Tree()->SelectOnly(FindByTitle(FWindow->RecordTree(), "b1"));
        QTest::keyClick(Tree(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(FScript->Shown.last(), QStringLiteral("TfrmNewRecord"));
        QTest::keyClick(Tree(), Qt::Key_F2);
        QVERIFY(FServices->InputCaptions.isEmpty());
        Tree()->SelectOnly(FindByTitle(FWindow->RecordTree(), "Bank"));
        QTest::keyClick(Tree(), Qt::Key_F2);
        QCOMPARE(FServices->InputCaptions, QStringList({"Rename Group"}));

        QAction* undo = Part<QAction>(*FWindow, "ActUndoDelete");
        DeleteRecord("b1");
        QVERIFY(undo->isEnabled());
        Part<QPushButton>(*FWindow, "btnLockApp")->click();
        QVERIFY(FWindow->TrayLock().IsLocked());
        Unlock();
        QVERIFY(!undo->isEnabled());
        QTest::keyClick(Tree(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(FindByTitle(FWindow->RecordTree(), "b1"), nullptr);

        DeleteRecord("b2");
        QVERIFY(undo->isEnabled());
        const QString other = FFolder->filePath("other.dat");
        WriteVault(other, kPassword, {{"Other", "o1", "", "", "", ""}});
        QVERIFY(FWindow->LoadVault(other));
        QVERIFY(!undo->isEnabled());
        undo->trigger();
        QCOMPARE(Outline(FWindow->RecordTree()), QStringList({"[Other]", "  o1||||"}));
    }

private:
    void StartWindow() {
        Settings::SetDatabase(FVault);
        FWindow = std::make_unique<TfrmCofferix>();
        FWindow->TrayLock().SetTrayShell(std::make_unique<TRecordingTrayShell>());
        FScript->Attach(*FWindow);
        FScript->Then(OpenWith(kPassword));
        QVERIFY(FWindow->FormCreate());
        FWindow->TrayLock().ShowAtStart(false);
        // The window's shortcuts answer only in the active window.
        FWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FWindow.get()));
        Tree()->expandAll();
    }

    TPassTree* Tree() { return Part<TPassTree>(*FWindow, "PassTree"); }

    void FocusCell(PNode node, int column) {
        Tree()->setFocus();
        Tree()->selectionModel()->setCurrentIndex(
            FWindow->Model().IndexOf(node, column),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    void DeleteRecord(const std::string& title) {
        Tree()->setFocus();
        Tree()->SelectOnly(FindByTitle(FWindow->RecordTree(), title));
        QTest::keyClick(Tree(), Qt::Key_Delete);
        QCOMPARE(FindByTitle(FWindow->RecordTree(), title), nullptr);
    }

    QString ClipboardText() {
        const QMimeData* data = FServices->ClipboardData();
        return data != nullptr ? data->text() : QStringLiteral("<empty>");
    }

    void Unlock() {
        FScript->Then(Answer<TfrmCheckPassword>([](TfrmCheckPassword& dialog) {
            dialog.EditPass->setText(AnsiToQString(kPassword));
            dialog.btnOKClick();
        }));
        FWindow->TrayLock().CoolTrayIcon().HandleMouse(TTrayMouse::LButtonDblClk);
        QTRY_VERIFY(FWindow->isVisible());
        // The offscreen platform keeps the window focused through the hide and show, so the
        // application never hears that it became active again.
        QApplication::setActiveWindow(FWindow.get());
        QVERIFY(FWindow->isActiveWindow());
        Tree()->expandAll();
    }

    TTestEnvironment& FEnvironment;
    std::unique_ptr<TRecordingServices> FServices;
    std::unique_ptr<QTemporaryDir> FFolder;
    QString FVault;
    std::unique_ptr<TDialogScript> FScript;
    std::unique_ptr<TfrmCofferix> FWindow;
};

COFFERIX_APP_TEST_MAIN(TEverydayTest)
#include "EverydayTest.moc"
