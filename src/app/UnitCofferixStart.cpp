// The main window's start-up (finding and opening the vault, the instance messages) and the
// events of its life: show, close, leaving the vault.
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <iostream>

#include "app/RecordCommands.h"
#include "app/RecordShortcuts.h"
#include "app/TrayLock.h"
#include "app/UnitCofferix.h"
#include "app/VaultCommands.h"
#include "app/WorkspaceGuard.h"
#include "base/StringTable.h"
#include "common/Services.h"
#include "common/Settings.h"
#include "common/SingleInstance.h"
#include "common/TextCodec.h"
#include "dialogs/DialogHelpers.h"
#include "dialogs/UnitImportDb.h"
#include "dialogs/UnitNewPass.h"

// ---- Start-up

QString TfrmCofferix::ProgramFolderVault() const {
    return FProgramFolder + QLatin1Char('/') + Tr(Str::sDefaultVaultFile);
}

QString TfrmCofferix::AppDataVault() {
    return EnsureTrailingBackslash(SpecialFolderPath(kLocalAppDataFolderId)) +
           Tr(Str::sAppDataFolder) + QLatin1Char('/') + Tr(Str::sDefaultVaultFile);
}

QString TfrmCofferix::FindVaultPath() const {
    QString path = Settings::Database();
    if (!path.isEmpty() && !QFileInfo(path).isFile()) {
        path.clear();
    }
    if (path.isEmpty()) {
        if (QFileInfo(ProgramFolderVault()).isFile()) {
            path = ProgramFolderVault();
        } else if (QFileInfo(AppDataVault()).isFile()) {
            path = AppDataVault();
        }
    }
    return path;
}

bool TfrmCofferix::OpenVaultAtStart(const QString& path) {
    // The vault's format is known once it is loaded; its password may hold any character (a
    // format-101 vault just does not open with one that its code page cannot hold).
    SetVaultTextKind(TVaultTextKind::Unicode);
    TfrmImportDb dialog(*this, this);
    dialog.edtFile->setText(path);
    if (RunDialog(dialog) != QDialog::Accepted) {
        return false;
    }
    std::string password = QStringToAnsi(dialog.edtPass->text());
    FVault->SetPassword(password);
    WipeString(password);
    FVault->SetDatabaseFile(dialog.edtFile->text());
    dialog.edtPass->clear();
    return true;
}

bool TfrmCofferix::CreateVaultAtStart() {
    // The master password of the new vault holds what its format holds.
    SetVaultTextKind(NewVaultFormat() == TVaultFormat::Format2 ? TVaultTextKind::Unicode
                                                               : TVaultTextKind::CodePage1252);
    TfrmNewPassword dialog(*this, this);
    dialog.edtFile->setText(AppDataVault());
    if (RunDialog(dialog) != QDialog::Accepted) {
        return false;
    }
    std::string password = QStringToAnsi(dialog.EditPass->text());
    FVault->SetPassword(password);
    WipeString(password);
    dialog.EditPass->clear();
    dialog.EditConfirm->clear();
    FVault->SetDatabaseFile(dialog.edtFile->text());
    return true;
}

bool TfrmCofferix::FormCreate(const QString& vaultPath) {
    const QString path = vaultPath.isEmpty() ? FindVaultPath() : vaultPath;
    const bool opened = path.isEmpty() ? CreateVaultAtStart() : OpenVaultAtStart(path);
    if (!opened) {
        return false;
    }
    chkDisplayPass->setChecked(DisplayPass());
    ActDelRecord->setEnabled(false);
    ActEditRecord->setEnabled(false);
    LoadVault(DatabaseFile());
    ApplyCaptions();
    FTrayLock->SetUpTrayIcon();
    ShowDatabaseInStatusBar();
    FWorkspaceGuard->Start();
    return true;
}

void TfrmCofferix::ListenForInstances(TSingleInstance& instance) {
    connect(&instance, &TSingleInstance::MessageReceived, this, &TfrmCofferix::OnInstanceMessage);
    connect(&instance, &TSingleInstance::OpenPathReceived, this, &TfrmCofferix::OnOpenPathMessage);
    instance.Listen();
    const QString warning = instance.LostLockWarning();
    if (!warning.isEmpty()) {
        std::cerr << "cofferix: warning: " << warning.toStdString() << '\n';
        lblInstanceWarning->setText(warning);
        lblInstanceWarning->setToolTip(warning);
        lblInstanceWarning->show();
    }
}

void TfrmCofferix::OnInstanceMessage(int message) {
    if (message != kInstanceMessage) {
        return;
    }
    if (FTrayLock->IsLocked()) {
        // A locked window comes back only with the master password. Later, from the event
        // loop: the message arrives inside the local socket's read loop, which the unlock
        // dialog's own event loop must not run under.
        FTrayLock->UnlockLater();
        return;
    }
    if (isMinimized()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    raise();
    activateWindow();
}

void TfrmCofferix::OnOpenPathMessage(const QString& path) {
    QTimer::singleShot(0, this, [this, path] {
        if (FTrayLock->IsLocked()) {
            FTrayLock->CoolTrayIconDblClick();  // the open vault's master password first
        } else {
            OnInstanceMessage(kInstanceMessage);
        }
        if (!FTrayLock->IsLocked()) {
            FVaultCommands->OpenRequested(path);
        }
    });
}

void TfrmCofferix::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!FCentredOnce && screen()) {
        FCentredOnce = true;
        QRect frame = frameGeometry();
        frame.moveCenter(screen()->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TfrmCofferix::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program; every change is saved already, unless a save
    // failed.
    if (!FCloseAllowed && !MayLeaveVault()) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

bool TfrmCofferix::MayLeaveVault() {
    if (!FVault->HasUnsavedChanges() || FVault->SaveChanges(true)) {
        return true;
    }
    FVault->StopWaiting();
    QString error = FVault->LastSaveError();
    if (error.isEmpty()) {
        error = Tr(Str::sVaultInUse);
    }
    if (!AskOkCancel(this, Tr(Str::sLoseUnsavedChanges).replace(QStringLiteral("%s"), error))) {
        FVault->SaveChanges(true);  // staying: the change is tried again, and waits again
        return false;
    }
    FVault->Session().DiscardUnsavedChanges();
    return true;
}

bool TfrmCofferix::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgLogo && event->type() == QEvent::MouseButtonDblClick) {
        OpenDocument(Tr(Str::sHomePage));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
