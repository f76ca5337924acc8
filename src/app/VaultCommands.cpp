#include "app/VaultCommands.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <exception>
#include <string>

#include "app/TreeViewState.h"
#include "app/WindowVault.h"
#include "base/StringTable.h"
#include "common/Services.h"
#include "common/TextCodec.h"
#include "dialogs/UnitChangePass.h"
#include "dialogs/UnitDatabaseFormat.h"
#include "dialogs/UnitImportDb.h"
#include "dialogs/VaultHost.h"
#include "vault/CofferixError.h"
#include "vault/FileUtil.h"
#include "vault/LockedFile.h"
#include "vault/NodeData.h"
#include "vault/TreeCommands.h"

namespace {

constexpr const char* kCloseDialogFirst =
    "Close the open dialog first, then open the vault file again.";

}  // namespace

QString TVaultCommands::AskSaveFileName(const QString& filter, const QString& suffix) {
    const QString path =
        ServicesBackend().SaveFileName(FContext.DialogOwner(), filter, suffix, FLastSaveFileName);
    if (!path.isEmpty()) {
        FLastSaveFileName = path;
    }
    return path;
}

void TVaultCommands::Backup() {
    const QString destination = AskSaveFileName(Tr(Str::sBackupFilter), Tr(Str::sBackupSuffix));
    if (destination.isEmpty()) {
        return;
    }
    try {
        const TThreadLockWaitScope wait{TWindowVault::kEventLoopWait};
        BackupVault(NativePath(FContext.Vault().DatabaseFile()), NativePath(destination));
    } catch (const std::exception& error) {
        // A backup that silently failed would be trusted later; say so. The refusal of the
        // open vault as destination is a warning as well.
        ShowWarning(ErrorText(error));
        return;
    }
    ShowInformation(Tr(Str::sBackupDone));
}

void TVaultCommands::ImportDatabase(const QString& presetPath) {
    TfrmImportDb dialog(FContext.Host(), FContext.DialogOwner());
    dialog.edtFile->setText(presetPath);
    // The password of the other vault may hold any character; the open vault's edits go back
    // to what it holds as soon as the dialog closes.
    SetVaultTextKind(TVaultTextKind::Unicode);
    const bool accepted = FContext.RunDialog(dialog) == QDialog::Accepted;
    SetVaultTextKind(FContext.Vault().Session().TextKind());
    if (!accepted || !FContext.MayLeaveVault()) {
        return;
    }
    std::string password = QStringToAnsi(dialog.edtPass->text());
    dialog.edtPass->clear();
    TWindowVault& vault = FContext.Vault();
    vault.SetPassword(password);
    WipeString(password);
    vault.SetDatabaseFile(dialog.edtFile->text());
    vault.Load(vault.DatabaseFile());
    FContext.ShowDatabaseInStatusBar();
}

void TVaultCommands::OpenRequested(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    // Switching under an open dialog would let it act on the other vault once it closes.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
        FContext.ShowNotice(QString::fromLatin1(kCloseDialogFirst));
        return;
    }
    const QString open = QFileInfo(FContext.Vault().DatabaseFile()).canonicalFilePath();
    if (!open.isEmpty() && QFileInfo(path).canonicalFilePath() == open) {
        return;  // open already: coming forward was all
    }
    ImportDatabase(path);
}

void TVaultCommands::ChangeMasterPassword() {
    TfrmChangePassword dialog(FContext.Host(), FContext.DialogOwner());
    dialog.DbFileName = FContext.Vault().DatabaseFile();
    const bool accepted = FContext.RunDialog(dialog) == QDialog::Accepted;
    if (accepted) {
        std::string password = QStringToAnsi(dialog.EditPass->text());
        FContext.Vault().SetPassword(password);
        WipeString(password);
    }
    dialog.edtOld->clear();
    dialog.EditPass->clear();
    dialog.EditConfirm->clear();
}

void TVaultCommands::DatabaseFormat() {
    TWindowVault& vault = FContext.Vault();
    vault.TakeInOutsideChange();  // the format of the file as it is now
    const TVaultSession& session = vault.Session();
    TfrmDatabaseFormat dialog(session.Format(), session.KdfParameters(), FContext.DialogOwner());
    if (FContext.RunDialog(dialog) != QDialog::Accepted) {
        return;
    }
    // The conversion reads the tree anew: what the view showed is put back after it.
    const TTreeViewState view = TTreeViewState::Capture(FContext.View());
    // A refusal (records that format 101 cannot hold) has been shown, and nothing written.
    if (!vault.Convert(dialog.Target())) {
        return;
    }
    view.Restore(FContext.View());
    ShowInformation(
        Tr(dialog.Target() == TVaultFormat::Format2 ? Str::sConvertedTo2 : Str::sConvertedTo101));
}

void TVaultCommands::ExportList() {
    const QString destination = AskSaveFileName(Tr(Str::sExportFilter), Tr(Str::sExportSuffix));
    if (destination.isEmpty()) {
        return;
    }
    // In the vault's own text: a format-101 export keeps its bytes, a format-2 one is UTF-8.
    std::string text =
        ExportListText(FContext.Vault().Tree(), FContext.Vault().Session().TextKind());
    try {
        WriteSecretFileBesideVault(NativePath(destination), text,
                                   NativePath(FContext.Vault().DatabaseFile()));
    } catch (const EOpenVaultDestinationError& error) {
        ShowWarning(ErrorText(error));
    } catch (const std::exception& error) {
        ShowError(ErrorText(error));
    }
    WipeString(text);
}
