#include "app/WindowVault.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <exception>

#include "app/TrayLock.h"
#include "app/UnitCofferix.h"
#include "common/Services.h"
#include "common/Settings.h"
#include "base/StringTable.h"
#include "common/TextCodec.h"
#include "vault/CofferixError.h"

namespace {

// Watchers report one replacement of the file as several events; one look after they settle.
constexpr int kCheckDelayMs = 150;
// While a dialog of the window is open, the reload waits and looks again this often.
constexpr int kRecheckMs = 500;
constexpr int kStatusNoticeMs = 10000;

}  // namespace

TWindowVault::TWindowVault(TfrmCofferix& window) : FWindow(window) {
    FCheckTimer.setSingleShot(true);
    connect(&FCheckTimer, &QTimer::timeout, this, &TWindowVault::CheckFile);
    FNoticeTimer.setSingleShot(true);
    connect(&FNoticeTimer, &QTimer::timeout, &FWindow, &TfrmCofferix::ShowDatabaseInStatusBar);
    connect(&FWatcher, &QFileSystemWatcher::fileChanged, this, &TWindowVault::CheckFileLater);
    connect(&FWatcher, &QFileSystemWatcher::directoryChanged, this, &TWindowVault::CheckFileLater);
}

void TWindowVault::SetDatabaseFile(const QString& path) {
    FDatabaseFile = path;
    FSession.SetPath(NativePath(path));
    Settings::SetDatabase(path);
    Watch();
}

// A save replaces the file by a rename, after which a watcher of the file itself hears no
// more; the folder's watch catches that, and the file is watched anew each time.
void TWindowVault::Watch() {
    const QStringList watched = FWatcher.files() + FWatcher.directories();
    if (!watched.isEmpty()) {
        FWatcher.removePaths(watched);
    }
    if (FDatabaseFile.isEmpty()) {
        return;
    }
    const QFileInfo file(FDatabaseFile);
    FWatcher.addPath(file.absolutePath());
    if (file.exists()) {
        FWatcher.addPath(file.absoluteFilePath());
    }
}

bool TWindowVault::CheckPassword(const QString& path, const std::string& password) const {
    return TVaultSession::CheckPassword(NativePath(path), password);
}

bool TWindowVault::Create(const QString& path, const std::string& password) {
    try {
        FSession.Create(NativePath(path), password);
    } catch (const std::exception& error) {
        ShowWarning(ErrorText(error));
        return false;
    }
    return true;
}

bool TWindowVault::ChangePassword(const QString& path, const std::string& currentPassword,
                                  const std::string& newPassword) {
    try {
        FSession.ChangePassword(NativePath(path), currentPassword, newPassword);
    } catch (const std::exception& error) {
        ShowWarning(ErrorText(error));
        return false;
    }
    Watch();
    return true;
}

bool TWindowVault::Load(const QString& path) {
    FSession.SetPath(NativePath(path));
    FAwaitingPassword = false;
    try {
        FSession.Load();
    } catch (const std::exception& error) {
        ShowWarning(ErrorText(error));  // after the views have caught up with the emptied tree
        return false;
    }
    Watch();
    return true;
}

bool TWindowVault::Save(const QString& path) {
    FSession.SetPath(NativePath(path));
    try {
        FSession.Save();
    } catch (const EVaultChangedError&) {
        // The change stays out of the file; the user sees what is there now and may repeat it.
        const bool reloaded = Reload();
        QString message = Tr(Str::sVaultChangedElsewhere);
        if (reloaded) {
            message += QStringLiteral("\n") + Tr(Str::sVaultReloadedRepeat);
        }
        ShowWarning(message);
        return false;
    } catch (const std::exception& error) {
        ShowWarning(ErrorText(error));
        return false;
    }
    Watch();
    return true;
}

bool TWindowVault::ReloadIfChanged() {
    if (FAwaitingPassword) {
        return false;
    }
    return !FSession.ChangedOnDisk() || Reload();
}

void TWindowVault::CheckFileLater() {
    FCheckTimer.start(kCheckDelayMs);
}

void TWindowVault::CheckFile() {
    Watch();
    if (FAwaitingPassword || !FSession.ChangedOnDisk()) {
        return;
    }
    if (DialogIsOpen()) {
        FCheckTimer.start(kRecheckMs);
        return;
    }
    Reload();
}

// Any modal window of the program: a record editor, a message box, the unlock dialog. A
// reload under them would pull the records they work on away.
bool TWindowVault::DialogIsOpen() const {
    return QApplication::activeModalWidget() != nullptr;
}

bool TWindowVault::Reload() {
    TRecordTreeModel& model = FWindow.Model();
    if (!FAwaitingPassword) {
        FViewBeforeReload = TTreeViewState::Capture(*FWindow.PassTree);
    }
    try {
        FSession.Load();
    } catch (const EVaultPasswordError&) {
        // The master password was changed elsewhere: nothing is shown until the password that
        // opens the file now is given.
        FAwaitingPassword = true;
        if (!FWindow.TrayLock().IsLocked()) {
            FWindow.TrayLock().ActLockAppExecute();
        }
        return false;
    } catch (const std::exception& error) {
        ShowWarning(ErrorText(error));
        return false;
    }
    FAwaitingPassword = false;
    model.ReapplySort();
    FViewBeforeReload.Restore(*FWindow.PassTree);
    FWindow.UpdateActions();
    // In the status label rather than as a status message, which a hidden window's status bar
    // would draw over the label once the window shows again.
    FWindow.lblStatus->setText(Tr(Str::sVaultReloaded));
    FNoticeTimer.start(kStatusNoticeMs);
    Watch();
    return true;
}

void TWindowVault::Unlocked(const std::string& password) {
    FSession.SetPassword(password);
    if (FAwaitingPassword || FSession.ChangedOnDisk()) {
        FAwaitingPassword = true;  // keeps the view captured before the failed reload
        Reload();
    }
}
