// The window beside another writer of its vault (the command-line tool, say): what the other
// program saved is taken in, and never written over.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppTestKit.h"
#include "app/TrayLock.h"
#include "app/UnitCofferix.h"
#include "base/StringTable.h"
#include "common/TextCodec.h"
#include "dialogs/UnitCheckPass.h"
#include "dialogs/UnitNewRecord.h"
#include "support/RecordingServices.h"
#include "vault/VaultOperations.h"
#include "vault/VaultSession.h"

namespace {

const std::string kPassword = "master-1";

// Another program's whole run: load, add one record, save.
void AddElsewhere(const QString& vault, const std::string& title) {
    TVaultSession other;
    other.SetPath(NativePath(vault));
    other.SetPassword(kPassword);
    other.Load();
    TNodeData fields;
    fields.Title = title;
    other.Change([&](TVaultChange& change) { change.AddRecord("Mail", fields); });
}

}  // namespace

class TSharedVaultTest : public QObject {
    Q_OBJECT
public:
    explicit TSharedVaultTest(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void init() {
        FServices = std::make_unique<TRecordingServices>();
        ClearSettings();
        FFolder = std::make_unique<QTemporaryDir>(FEnvironment.FilePath("case-XXXXXX"));
        FVault = FFolder->filePath("vault.dat");
        FScript = std::make_unique<TDialogScript>();
        WriteVault(FVault, kPassword, {{"Mail", "home", "me", "pw", "", ""}});
        FWindow = StartWindowOn(FVault, kPassword, *FScript);
        QVERIFY(FWindow);
    }

    void cleanup() {
        FWindow.reset();
        FScript.reset();
        FServices.reset();
    }

    void ChangeOnDiskIsShownAndKeptByTheNextAdd() {
        Part<TPassTree>(*FWindow, "PassTree")
            ->SelectOnly(FindByTitle(FWindow->RecordTree(), "home"));
        AddElsewhere(FVault, "from tool");

        QTRY_VERIFY(FindByTitle(FWindow->RecordTree(), "from tool"));
        QCOMPARE(FWindow->StatusText(), Tr(Str::sVaultReloaded));
        // The selection follows the record across the reload.
        QCOMPARE(Part<TPassTree>(*FWindow, "PassTree")->FirstSelected(),
                 FindByTitle(FWindow->RecordTree(), "home"));

        FScript->Then(RecordWith({"Mail", "from window", "", "", "", ""}));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        QCOMPARE(Outline(*ReadVault(FVault, kPassword)),
                 QStringList({"[Mail]", "  home|me|pw||", "  from tool||||", "  from window||||"}));
        QVERIFY(FServices->Boxes.isEmpty());
    }

    // The other program saves while the record editor is open: its record is taken in, and
    // the window's goes on top of it, without a word.
    void ChangeMadeWhileAnotherProgramSavedKeepsBoth() {
        FScript->Then([this](QDialog& dialog) {
            AddElsewhere(FVault, "from tool");
            return RecordWith({"Mail", "from window", "", "", "", ""})(dialog);
        });
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();

        QCOMPARE(Outline(*ReadVault(FVault, kPassword)),
                 QStringList({"[Mail]", "  home|me|pw||", "  from tool||||", "  from window||||"}));
        QCOMPARE(Outline(FWindow->RecordTree()), Outline(*ReadVault(FVault, kPassword)));
        QVERIFY(FServices->Boxes.isEmpty());
        QCOMPARE(Part<TPassTree>(*FWindow, "PassTree")->FirstSelected(),
                 FindByTitle(FWindow->RecordTree(), "from window"));
    }

    // The save finds the lock held: the window waits for it without a word and keeps the
    // record; another program saves meanwhile; the record goes on top of that change.
    void ChangeRefusedForTheLockIsKeptAndSavedOnTopOfAnOutsideChange() {
        auto lock = std::make_unique<TForeignLock>(FVault);
        FScript->Then(RecordWith({"Mail", "kept", "", "", "", ""}));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        QVERIFY(FWindow->Vault().IsWaitingForLock());
        QCOMPARE(Part<QLabel>(*FWindow, "lblSaveState")->text(), Tr(Str::sWaitingForVault));
        QCOMPARE(Part<TPassTree>(*FWindow, "PassTree")->FirstSelected(),
                 FindByTitle(FWindow->RecordTree(), "kept"));
        lock.reset();
        AddElsewhere(FVault, "from tool");

        QTRY_VERIFY(!FWindow->Vault().HasUnsavedChanges());
        QCOMPARE(Outline(*ReadVault(FVault, kPassword)),
                 QStringList({"[Mail]", "  home|me|pw||", "  from tool||||", "  kept||||"}));
        QCOMPARE(Outline(FWindow->RecordTree()), Outline(*ReadVault(FVault, kPassword)));
        QVERIFY(FServices->Boxes.isEmpty());
        QVERIFY(Part<QLabel>(*FWindow, "lblSaveState")->isHidden());
    }

    // Exit with a change that cannot be saved asks first; staying keeps the change, which is
    // saved once the other program lets go; going throws it away knowingly.
    void LeavingWithAnUnsavedChangeAsksFirst() {
        auto lock = std::make_unique<TForeignLock>(FVault);
        FScript->Then(RecordWith({"Mail", "pending", "", "", "", ""}));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        FServices->OkCancelAnswers = {false};
        QVERIFY(!FWindow->MayLeaveVault());
        QCOMPARE(FServices->Questions.size(), 1);
        QVERIFY(FServices->Questions.first().contains(Tr(Str::sVaultInUse)));
        QVERIFY(FindByTitle(FWindow->RecordTree(), "pending"));

        lock.reset();
        QTRY_VERIFY(!FWindow->Vault().HasUnsavedChanges());
        QVERIFY(FindByTitle(*ReadVault(FVault, kPassword), "pending"));
        QVERIFY(FWindow->MayLeaveVault());
        QCOMPARE(FServices->Questions.size(), 1);
        QVERIFY(FServices->Boxes.isEmpty());
    }

    // Groups get fresh GUIDs at every load: they are found again by name.
    void ReloadKeepsOpenAndSelectedGroups() {
        const PNode group = FindByTitle(FWindow->RecordTree(), "Mail");
        Part<TPassTree>(*FWindow, "PassTree")->expand(FWindow->Model().IndexOf(group));
        Part<TPassTree>(*FWindow, "PassTree")->SelectOnly(group);
        QVERIFY(Part<QAction>(*FWindow, "ActDelRecord")->isEnabled());
        AddElsewhere(FVault, "from tool");

        QTRY_VERIFY(FindByTitle(FWindow->RecordTree(), "from tool"));
        const PNode reloaded = FindByTitle(FWindow->RecordTree(), "Mail");
        QVERIFY(
            Part<TPassTree>(*FWindow, "PassTree")->isExpanded(FWindow->Model().IndexOf(reloaded)));
        QCOMPARE(Part<TPassTree>(*FWindow, "PassTree")->FirstSelected(), reloaded);
        QVERIFY(Part<QAction>(*FWindow, "ActDelRecord")->isEnabled());
        QVERIFY(Part<QAction>(*FWindow, "ActEditRecord")->isEnabled());
    }

    // Another program changed the master password: the window says so before it asks, and
    // the old password, tried first, is answered with why it no longer opens the vault.
    void MasterPasswordChangedElsewhereIsSaidBeforeTheNewOneIsAsked() {
        VaultChangePassword(NativePath(FVault), kPassword, "new-master-2");
        QTRY_VERIFY(FWindow->Vault().IsAwaitingPassword());
        QVERIFY(FWindow->ShowsLockPage());
        FScript->Then(Answer<TfrmCheckPassword>([](TfrmCheckPassword& dialog) {
            dialog.EditPass->setText(AnsiToQString(kPassword));
            dialog.btnOK->click();
            dialog.EditPass->setText(QStringLiteral("new-master-2"));
            dialog.btnOK->click();
        }));
        FWindow->TrayLock().CoolTrayIconDblClick();

        QCOMPARE(FServices->BoxTexts(IServicesBackend::TBoxKind::Warning),
                 QStringList({Tr(Str::sPasswordChangedElsewhere), Tr(Str::sNotTheNewPassword)}));
        QVERIFY(!FWindow->Vault().IsAwaitingPassword());
        QVERIFY(!FWindow->ShowsLockPage());
        QCOMPARE(Outline(FWindow->RecordTree()), Outline(*ReadVault(FVault, "new-master-2")));
    }

private:
    TTestEnvironment& FEnvironment;
    std::unique_ptr<TRecordingServices> FServices;
    std::unique_ptr<QTemporaryDir> FFolder;
    QString FVault;
    std::unique_ptr<TDialogScript> FScript;
    std::unique_ptr<TfrmCofferix> FWindow;
};

COFFERIX_APP_TEST_MAIN(TSharedVaultTest)
#include "SharedVaultTest.moc"
