// The whole-vault commands: backup, "Import Database", change of master password and the
// plain-text export, with the safety rules around them.
#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppTestKit.h"
#include "app/UnitCofferix.h"
#include "common/Settings.h"
#include "common/TextCodec.h"
#include "dialogs/UnitChangePass.h"
#include "dialogs/UnitImportDb.h"
#include "support/RecordingServices.h"
#include "vault/VaultOperations.h"

namespace {

const std::string kPassword = "master-1";
const QString kRefusal =
    QStringLiteral("This is the open database file. Please choose another file.");

using TBoxKind = IServicesBackend::TBoxKind;

TDialogScript::TAnswer ImportFrom(const QString& path, const std::string& password) {
    return Answer<TfrmImportDb>([path, password](TfrmImportDb& dialog) {
        dialog.edtFile->setText(path);
        dialog.edtPass->setText(AnsiToQString(password));
        dialog.btnOKClick();
    });
}

bool Opens(const QString& path, const std::string& password) {
    return VaultCheckPassword(QFile::encodeName(path).toStdString(), password);
}

}  // namespace

class TVaultCommandsTest : public QObject {
    Q_OBJECT
public:
    explicit TVaultCommandsTest(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void init() {
        FServices = std::make_unique<TRecordingServices>();
        ClearSettings();
        FFolder = std::make_unique<QTemporaryDir>(FEnvironment.FilePath("case-XXXXXX"));
        FVault = FFolder->filePath("vault.dat");
        FScript = std::make_unique<TDialogScript>();
        WriteVault(FVault, kPassword, {{"Mail", "home", "me", "pw", "mail.org", "a\r\nb"}});
        FWindow = StartWindowOn(FVault, kPassword, *FScript);
        QVERIFY(FWindow);
    }

    void cleanup() {
        FWindow.reset();
        FScript.reset();
        FServices.reset();
    }

    void BackupCopiesTheVaultOwnerOnlyAndOpensWithImport() {
        const QString backup = FFolder->filePath("backup.dat");
        {
            QFile old(backup);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an older file that the backup replaces");
        }
        FServices->SaveFileAnswers = {backup};
        Part<QPushButton>(*FWindow, "btnBackupDatabase")->click();
        QCOMPARE(FServices->SaveFilters, QStringList{"Data File (*.dat)"});
        QCOMPARE(FServices->SaveSuffixes, QStringList{"dat"});
        QCOMPARE(FServices->BoxTexts(TBoxKind::Information),
                 QStringList{"Backup the database successfully!"});
        QCOMPARE(FileBytes(backup), FileBytes(FVault));
        QVERIFY(IsOwnerOnly(backup));

        // The next use of the save dialog starts from the file chosen last.
        Part<QPushButton>(*FWindow, "btnBackupDatabase")->click();
        QCOMPARE(FServices->SaveInitialPaths.last(), backup);

        const QStringList saved = Outline(FWindow->RecordTree());
        FScript->Then(ImportFrom(backup, kPassword));
        Part<QPushButton>(*FWindow, "btnExportDatabase")->click();
        QCOMPARE(FWindow->DatabaseFile(), backup);
        QCOMPARE(Outline(FWindow->RecordTree()), saved);
    }

    void FailedBackupIsReported() {
        FServices->SaveFileAnswers = {FFolder->filePath("missing/folder/backup.dat")};
        Part<QPushButton>(*FWindow, "btnBackupDatabase")->click();
        QCOMPARE(FServices->BoxTexts(TBoxKind::Information), QStringList());
        QCOMPARE(FServices->BoxTexts(TBoxKind::Warning).size(), 1);
        QVERIFY(!QFileInfo::exists(FFolder->filePath("missing")));
    }

    void BackupAndExportNeverWriteOverTheOpenVault() {
        const QByteArray vault = FileBytes(FVault);
        QVERIFY(QDir(FFolder->path()).mkdir("sub"));
        const QString otherSpelling = FFolder->path() + "/sub/../vault.dat";
        FServices->SaveFileAnswers = {FVault, otherSpelling, FVault};
        Part<QPushButton>(*FWindow, "btnBackupDatabase")->click();
        Part<QPushButton>(*FWindow, "btnBackupDatabase")->click();
        Part<QAction>(*FWindow, "mnuExportList")->trigger();
        QCOMPARE(FServices->BoxTexts(TBoxKind::Warning), QStringList(3, kRefusal));
        QCOMPARE(FServices->BoxTexts(TBoxKind::Information), QStringList());
        QCOMPARE(FileBytes(FVault), vault);
    }

    void ImportSwitchesToTheOtherVault() {
        const QString other = FFolder->filePath("other.dat");
        WriteVault(other, "other-pw", {{"Bank", "acct", "", "", "", ""}});
        FScript->Then(CancelDialog());
        Part<QPushButton>(*FWindow, "btnExportDatabase")->click();
        QCOMPARE(FWindow->DatabaseFile(), FVault);

        FScript->Then(ImportFrom(other, "other-pw"));
        Part<QPushButton>(*FWindow, "btnExportDatabase")->click();
        QCOMPARE(FWindow->DatabaseFile(), other);
        QCOMPARE(Settings::Database(), other);
        QCOMPARE(FWindow->Vault().Password(), std::string("other-pw"));
        QCOMPARE(FWindow->StatusText(), other);
        QCOMPARE(Outline(FWindow->RecordTree()), QStringList({"[Bank]", "  acct||||"}));
        // Saves go to the new vault under its password; the old one stays as it was.
        const QByteArray old = FileBytes(FVault);
        FScript->Then(RecordWith({"Bank", "card", "", "", "", ""}));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        QCOMPARE(Outline(*ReadVault(other, "other-pw")), Outline(FWindow->RecordTree()));
        QCOMPARE(FileBytes(FVault), old);
    }

    void ImportOfTheOpenVaultReloadsItCollapsed() {
        Part<TPassTree>(*FWindow, "PassTree")->expandAll();
        FScript->Then(ImportFrom(FVault, kPassword));
        Part<QPushButton>(*FWindow, "btnExportDatabase")->click();
        QCOMPARE(Outline(FWindow->RecordTree()), Outline(*ReadVault(FVault, kPassword)));
        QVERIFY(!Part<TPassTree>(*FWindow, "PassTree")->isExpanded(FWindow->Model().index(0, 0)));
    }

    void NewMasterPasswordIsUsedForTheNextSave() {
        FScript->Then(Answer<TfrmChangePassword>([this](TfrmChangePassword& dialog) {
            QCOMPARE(dialog.DbFileName, FVault);
            dialog.edtOld->setText("master-1");
            dialog.EditPass->setText("master-2");
            dialog.EditConfirm->setText("master-2");
            dialog.btnOKClick();
        }));
        Part<QAction>(*FWindow, "mnuChangeAccessPass")->trigger();
        QCOMPARE(FWindow->Vault().Password(), std::string("master-2"));
        QVERIFY(!QFileInfo::exists(FFolder->filePath("vault.ini")));

        FScript->Then(RecordWith({"Mail", "work", "", "", "", ""}));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        QVERIFY(FServices->BoxTexts(TBoxKind::Warning).isEmpty());
        QVERIFY(!Opens(FVault, "master-1"));
        QCOMPARE(Outline(*ReadVault(FVault, "master-2")), Outline(FWindow->RecordTree()));
    }

    void CancelledChangeKeepsThePassword() {
        FScript->Then(CancelDialog());
        Part<QAction>(*FWindow, "mnuChangeAccessPass")->trigger();
        QCOMPARE(FWindow->Vault().Password(), kPassword);
        QVERIFY(Opens(FVault, kPassword));
    }

    void ExportWritesSevenLinesPerNodeOwnerOnly() {
        const QString list = FFolder->filePath("list.txt");
        FServices->SaveFileAnswers = {list};
        Part<QAction>(*FWindow, "mnuExportList")->trigger();
        QCOMPARE(FServices->SaveFilters, QStringList{"Text File (*.txt)"});
        QCOMPARE(FServices->SaveSuffixes, QStringList{"txt"});
        const QByteArray separator(38, '-');
        const QByteArray expected = separator +
                                    "\r\n[Mail]\r\nID=\r\nPassword=\r\nUrl=\r\nRemark=\r\n" +
                                    separator + "\r\n" + separator +
                                    "\r\n[home]\r\nID=me\r\nPassword=pw\r\nUrl=mail.org\r\n"
                                    "Remark=a\r\nb\r\n" +
                                    separator + "\r\n";
        QCOMPARE(FileBytes(list), expected);
        QVERIFY(IsOwnerOnly(list));
        QVERIFY(FServices->Boxes.isEmpty());
    }

    void EmptyVaultExportsAnEmptyFile() {
        Part<TPassTree>(*FWindow, "PassTree")->SelectOnly(FWindow->RecordTree().First());
        Part<QAction>(*FWindow, "ActDelRecord")->trigger();
        const QString list = FFolder->filePath("empty.txt");
        FServices->SaveFileAnswers = {list};
        Part<QAction>(*FWindow, "mnuExportList")->trigger();
        QVERIFY(QFileInfo::exists(list));
        QCOMPARE(FileBytes(list), QByteArray());
    }

    void ExportWriteErrorIsShownAsAnError() {
        FServices->SaveFileAnswers = {FFolder->filePath("missing/list.txt")};
        Part<QAction>(*FWindow, "mnuExportList")->trigger();
        const QStringList errors = FServices->BoxTexts(TBoxKind::Critical);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().startsWith(QStringLiteral("Cannot create file")));
    }

    void FailedImportLeavesNoSaveIntoThatVault() {
        // The open dialog checks the header only; the load finds the bad length.
        const QString damaged = FFolder->filePath("damaged.dat");
        WriteVault(damaged, kPassword, {{"G", "kept", "", "", "", ""}});
        {
            QFile file(damaged);
            QVERIFY(file.open(QIODevice::Append));
            file.write("xyz");
        }
        const QByteArray bytes = FileBytes(damaged);
        FScript->Then(ImportFrom(damaged, kPassword));
        Part<QPushButton>(*FWindow, "btnExportDatabase")->click();
        QCOMPARE(FWindow->RecordTree().Count(), std::size_t{0});
        FScript->Then(RecordWith({"G", "new", "", "", "", ""}));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        QCOMPARE(FServices->BoxTexts(TBoxKind::Warning).last(),
                 QStringLiteral("The database was not loaded, so changes are not saved to it."));
        QCOMPARE(FileBytes(damaged), bytes);

        // Back to a vault that loads: saves work again.
        FScript->Then(ImportFrom(FVault, kPassword));
        Part<QPushButton>(*FWindow, "btnExportDatabase")->click();
        const int warnings = FServices->BoxTexts(TBoxKind::Warning).size();
        FScript->Then(RecordWith({"G", "new", "", "", "", ""}));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        QCOMPARE(FServices->BoxTexts(TBoxKind::Warning).size(), warnings);
        QCOMPARE(Outline(*ReadVault(FVault, kPassword)), Outline(FWindow->RecordTree()));
    }

private:
    TTestEnvironment& FEnvironment;
    std::unique_ptr<TRecordingServices> FServices;
    std::unique_ptr<QTemporaryDir> FFolder;
    QString FVault;
    std::unique_ptr<TDialogScript> FScript;
    std::unique_ptr<TfrmCofferix> FWindow;
};

COFFERIX_APP_TEST_MAIN(TVaultCommandsTest)
#include "VaultCommandsTest.moc"
