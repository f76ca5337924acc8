#include "app/VaultCommands.h"

#include <QDialog>
#include <QLineEdit>
#include <exception>
#include <string>

#include "app/UnitCofferix.h"
#include "base/StringTable.h"
#include "common/Services.h"
#include "common/TextCodec.h"
#include "dialogs/UnitChangePass.h"
#include "dialogs/UnitImportDb.h"
#include "vault/CofferixError.h"
#include "vault/FileUtil.h"
#include "vault/NodeData.h"
#include "vault/TreeCommands.h"

QString TVaultCommands::AskSaveFileName(const QString& filter, const QString& suffix) {
    const QString path =
        ServicesBackend().SaveFileName(&FWindow, filter, suffix, FLastSaveFileName);
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
        BackupVault(NativePath(FWindow.DatabaseFile()), NativePath(destination));
    } catch (const std::exception& error) {
        // A backup that silently failed would be trusted later; say so. The refusal of the
        // open vault as destination is a warning as well.
        ShowWarning(ErrorText(error));
        return;
    }
    ShowInformation(Tr(Str::sBackupDone));
}

void TVaultCommands::ImportDatabase() {
    TfrmImportDb dialog(FWindow, &FWindow);
    if (FWindow.RunDialog(dialog) != QDialog::Accepted || !FWindow.MayLeaveVault()) {
        return;
    }
    std::string password = QStringToAnsi(dialog.edtPass->text());
    dialog.edtPass->clear();
    FWindow.SetPassword(password);
    WipeString(password);
    FWindow.SetDatabaseFile(dialog.edtFile->text());
    FWindow.LoadVault(FWindow.DatabaseFile());
    FWindow.ShowDatabaseInStatusBar();
}

void TVaultCommands::ChangeMasterPassword() {
    TfrmChangePassword dialog(FWindow, &FWindow);
    dialog.DbFileName = FWindow.DatabaseFile();
    const bool accepted = FWindow.RunDialog(dialog) == QDialog::Accepted;
    if (accepted) {
        std::string password = QStringToAnsi(dialog.EditPass->text());
        FWindow.SetPassword(password);
        WipeString(password);
    }
    dialog.edtOld->clear();
    dialog.EditPass->clear();
    dialog.EditConfirm->clear();
}

void TVaultCommands::ExportList() {
    const QString destination = AskSaveFileName(Tr(Str::sExportFilter), Tr(Str::sExportSuffix));
    if (destination.isEmpty()) {
        return;
    }
    std::string text = ExportListText(FWindow.RecordTree());
    try {
        WriteSecretFileBesideVault(NativePath(destination), text,
                                   NativePath(FWindow.DatabaseFile()));
    } catch (const EOpenVaultDestinationError& error) {
        ShowWarning(ErrorText(error));
    } catch (const std::exception& error) {
        ShowError(ErrorText(error));
    }
    WipeString(text);
}
