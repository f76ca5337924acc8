#include "app/WorkspaceGuard.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <chrono>

#include "app/IdleLock.h"
#include "app/SessionLockWatcher.h"
#include "app/TrayLock.h"
#include "common/ClipboardGuard.h"
#include "common/Settings.h"
#include "dialogs/UnitCheckPass.h"
#include "dialogs/UnitPassGen.h"

TWorkspaceGuard::TWorkspaceGuard(TTrayLock& lock)
    : FLock(lock),
      FClipboard(new TClipboardGuard(this)),
      FIdleLock(new TIdleLock(this)),
      FSessionWatcher(new TSessionLockWatcher(this)) {
    setObjectName(QStringLiteral("WorkspaceGuard"));
    connect(&FLock, &TTrayLock::Locking, this, &TWorkspaceGuard::CloseSecrets);
    connect(FIdleLock, &TIdleLock::Idle, this, &TWorkspaceGuard::LockNow);
    connect(FSessionWatcher, &TSessionLockWatcher::SessionLocked, this, &TWorkspaceGuard::LockNow);
    ApplySettings();
}

TWorkspaceGuard::~TWorkspaceGuard() = default;

void TWorkspaceGuard::ApplySettings() {
    FClipboard->SetClearDelay(std::chrono::seconds(Settings::ClearClipboardSeconds()));
    if (FStarted) {
        FIdleLock->SetTimeout(std::chrono::minutes(Settings::IdleLockMinutes()));
        FSessionWatcher->SetEnabled(Settings::LockWithSession());
    }
}

void TWorkspaceGuard::Start() {
    FStarted = true;
    ApplySettings();
}

void TWorkspaceGuard::LockNow() {
    if (FLock.IsLocked()) {
        CloseSecrets();
    } else {
        FLock.ActLockAppExecute();  // closes them first
    }
}

// The unlock dialog is the way back, and a generator window with what it opened holds no
// record of the vault.
bool TWorkspaceGuard::ShowsNoVaultData(const QDialog& dialog) const {
    if (&dialog == FLock.UnlockDialog()) {
        return true;
    }
    for (const QWidget* widget = &dialog; widget != nullptr; widget = widget->parentWidget()) {
        if (qobject_cast<const TfrmPassGen*>(widget) != nullptr) {
            return true;
        }
    }
    return false;
}

void TWorkspaceGuard::CloseSecrets() {
    // A pop-up menu (the tree's, with its Copy) would act on a hidden window.
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        if (popup == QApplication::activePopupWidget()) {
            break;
        }
    }
    QList<QPointer<QDialog>> open;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog != nullptr && dialog->isVisible() && !ShowsNoVaultData(*dialog)) {
            open << dialog;
        }
    }
    // Rejecting ends each dialog's own event loop; the code that ran it sees Cancel once the
    // lock has returned to the event loop, after the window is hidden.
    for (const QPointer<QDialog>& dialog : open) {
        if (dialog) {
            dialog->reject();
        }
    }
    FClipboard->ClearNow();
}
