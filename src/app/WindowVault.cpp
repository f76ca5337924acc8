#include "app/WindowVault.h"

#include <QApplication>
#include <QFileInfo>
#include <chrono>

#include "base/StringTable.h"
#include "common/Services.h"
#include "common/Settings.h"
#include "common/TextCodec.h"
#include "vault/CofferixError.h"
#include "vault/LockedFile.h"

namespace {

// Watchers report one replacement of the file as several events; one look after they settle.
constexpr int kCheckDelayMs = 150;
// While a dialog of the window is open, the reload waits and looks again this often.
constexpr int kRecheckMs = 500;
// How often the wait for another program's lock looks whether it came free.
constexpr int kLockPollMs = 50;

// Runs operation with the window's short wait for a lock; answers what it threw, if anything.
std::exception_ptr RunBriefly(const std::function<void()>& operation) {
    const TThreadLockWaitScope wait{TWindowVault::kEventLoopWait};
    try {
        operation();
    } catch (const std::exception&) {
        return std::current_exception();
    }
    return nullptr;
}

}  // namespace

TWindowVault::TWindowVault() {
    FCheckTimer.setSingleShot(true);
    connect(&FCheckTimer, &QTimer::timeout, this, &TWindowVault::CheckFile);
    FLockPoll.setInterval(kLockPollMs);
    connect(&FLockPoll, &QTimer::timeout, this, &TWindowVault::PollLock);
    connect(&FWatcher, &QFileSystemWatcher::fileChanged, this, &TWindowVault::CheckFileLater);
    connect(&FWatcher, &QFileSystemWatcher::directoryChanged, this, &TWindowVault::CheckFileLater);
    // Connected first, so that whatever hears of the operation after it sees the new kind.
    connect(this, &TWindowVault::SaveStateChanged, this,
            [this] { SetVaultTextKind(FSession.TextKind()); });
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

// The dialogs' operations fail soon, with the "in use" text, rather than hold up the window
// while another program keeps the lock: the user tries again in a moment.
// A check of the open vault keeps the format-2 key it derived, so that the load after it (the
// start, an unlock) derives nothing more.
bool TWindowVault::CheckPassword(const QString& path, const std::string& password) {
    const TThreadLockWaitScope wait{kEventLoopWait};
    const std::string native = NativePath(path);
    if (!native.empty() && native == FSession.Path()) {
        return FSession.CheckPasswordKeepingKey(password);
    }
    return TVaultSession::CheckPassword(native, password);
}

bool TWindowVault::Create(const QString& path, const std::string& password, TVaultFormat format) {
    const TThreadLockWaitScope wait{kEventLoopWait};
    try {
        FSession.Create(NativePath(path), password, format);
    } catch (const std::exception& error) {
        ShowWarning(ErrorText(error));
        return false;
    }
    emit SaveStateChanged();
    return true;
}

bool TWindowVault::ChangePassword(const QString& path, const std::string& currentPassword,
                                  const std::string& newPassword) {
    const TThreadLockWaitScope wait{kEventLoopWait};
    try {
        FSession.ChangePassword(NativePath(path), currentPassword, newPassword);
    } catch (const std::exception& error) {
        ShowWarning(ErrorText(error));
        return false;
    }
    Watch();
    return true;
}

// A vault held by another program is loaded once it lets go, from the wait's timer.
bool TWindowVault::Load(const QString& path) {
    emit Opening();
    FSession.SetPath(NativePath(path));
    FAwaitingPassword = false;
    const std::exception_ptr failure = RunBriefly([this] { FSession.Load(); });
    Watch();
    const bool loaded = !failure;
    try {
        if (failure) {
            std::rethrow_exception(failure);
        }
        StopLockWait();
    } catch (const EVaultBusyError& error) {
        FLastError = ErrorText(error);
        StartLockWait([this, path] { Load(path); });
    } catch (const std::exception& error) {
        StopLockWait();
        ShowWarning(ErrorText(error));  // after the views have caught up with the emptied tree
    }
    emit SaveStateChanged();
    return loaded;
}

bool TWindowVault::Save(const QString& path) {
    FSession.SetPath(NativePath(path));
    return Attempt([this] { FSession.Save(); }, false);
}

const TRecordTree& TWindowVault::GroupsToOffer(TRecordTree& groups) const {
    if (!FSession.IsDropped()) {
        return FSession.Tree();
    }
    // A failure offers no group; the change that follows says what went wrong.
    RunBriefly([&] { FSession.ReadGroups(groups); });
    return groups;
}

bool TWindowVault::Convert(TVaultFormat to) {
    // A file changed elsewhere meanwhile is taken in instead, unconverted: the format tells.
    return Attempt([this, to] { FSession.Convert(to); }, false) && FSession.Format() == to;
}

bool TWindowVault::Change(const std::function<void(TVaultChange&)>& change) {
    return Attempt([&] { FSession.Change(change); }, false);
}

bool TWindowVault::SaveChanges(bool quiet) {
    return Attempt([this] { FSession.SaveChanges(); }, quiet);
}

void TWindowVault::TakeInOutsideChange() {
    if (!FAwaitingPassword && !IsWaitingForLock() && FSession.ChangedOnDisk()) {
        SaveChanges();
    }
}

// Runs one operation of the session with a short wait for the lock; a longer wait goes on
// from the timer.
bool TWindowVault::Attempt(const std::function<void()>& operation, bool quiet) {
    const bool outsideChange = FSession.ChangedOnDisk();
    const bool dropped = FSession.IsDropped();
    if (outsideChange) {
        emit ReloadStarting();
    }
    const std::exception_ptr failure = RunBriefly(operation);
    if (outsideChange && FSession.IsLoaded() && !FSession.ChangedOnDisk()) {
        emit Reloaded();
    }
    if (dropped && !FLocked && FSession.IsLoaded()) {
        emit RecordsRestored();
    }
    const bool done = Settle(failure, quiet);
    DropRecordsIfLocked();
    Watch();
    emit SaveStateChanged();
    return done;
}

bool TWindowVault::Settle(const std::exception_ptr& failure, bool quiet) {
    if (!failure) {
        FLastError.clear();
        FChangedRetries = 0;
        StopLockWait();
        return !FSession.HasUnsavedChanges();
    }
    try {
        std::rethrow_exception(failure);
    } catch (const EVaultBusyError& error) {
        FLastError = ErrorText(error);
        StartLockWait([this] { SaveChanges(); });
    } catch (const EVaultPasswordError& error) {
        FLastError = ErrorText(error);
        FAwaitingPassword = true;
        StopLockWait();
        emit PasswordChangedElsewhere();
    } catch (const EVaultChangedError& error) {
        // Written by another program between our look and our save: take it in and save again.
        FLastError = ErrorText(error);
        StopLockWait();
        if (FChangedRetries++ == 0) {
            return SaveChanges(quiet);
        }
        FChangedRetries = 0;
        if (!quiet) {
            ShowWarning(FLastError);
        }
    } catch (const std::exception& error) {
        FLastError = ErrorText(error);
        StopLockWait();
        if (!quiet) {
            // The window stands empty: the user must learn that the file, not the records, is
            // the matter, and that nothing was written over it.
            ShowWarning(
                FSession.IsDropped()
                    ? Tr(Str::sRecordsNotReadAgain).replace(QStringLiteral("%s"), FLastError)
                    : FLastError);
        }
    }
    return false;
}

void TWindowVault::DropRecordsIfLocked() {
    if (FLocked) {
        FSession.Unload();  // refused while a change is unsaved: its records stay
    }
}

// The wait under way, if any, covers a later operation too: its clock goes on.
void TWindowVault::StartLockWait(std::function<void()> retry) {
    FRetry = std::move(retry);
    FLockPoll.start();
    if (!FWaitingForLock) {
        FWaitingForLock = true;
        FLockWaitClock.start();
        emit WaitingForLock(true);
    }
}

void TWindowVault::StopLockWait() {
    FLockPoll.stop();
    if (FWaitingForLock) {
        FWaitingForLock = false;
        emit WaitingForLock(false);
    }
}

void TWindowVault::StopWaiting() {
    StopLockWait();
    emit SaveStateChanged();
}

void TWindowVault::PollLock() {
    if (VaultLockIsFree(FSession.Path())) {
        // Taken again before we got it, the retry goes on waiting on the same clock.
        FLockPoll.stop();
        const std::function<void()> retry = FRetry;
        retry();
        return;
    }
    if (FLockWaitClock.elapsed() >= kBackgroundWait.count()) {
        StopLockWait();
        emit SaveStateChanged();
        ShowWarning(FLastError);
    }
}

void TWindowVault::CheckFileLater() {
    FCheckTimer.start(kCheckDelayMs);
}

void TWindowVault::CheckFile() {
    Watch();
    // Records that the unlock could not read back are tried again when the file changes (put
    // back, say), quietly: the user was told once.
    const bool readAgain = FSession.IsDropped() && !FLocked;
    if (FAwaitingPassword || IsWaitingForLock() || !(readAgain || FSession.ChangedOnDisk())) {
        return;
    }
    if (DialogIsOpen()) {
        FCheckTimer.start(kRecheckMs);
        return;
    }
    SaveChanges(readAgain);
}

// Any modal window of the program: a record editor, a message box, the unlock dialog. A
// reload under them would pull the records they work on away.
bool TWindowVault::DialogIsOpen() const {
    return QApplication::activeModalWidget() != nullptr;
}

void TWindowVault::Lock() {
    if (!FLocked && FSession.IsLoaded()) {
        emit RecordsDropping();
    }
    FLocked = true;
    // A save that waits for another program's lock drops the records once it is done; one
    // that waits for the new password cannot be done.
    if (HasUnsavedChanges() && !FAwaitingPassword && !IsWaitingForLock()) {
        SaveChanges(true);  // the window is locked: the unsaved mark says it, not a box
    }
    DropRecordsIfLocked();
}

// The password is proved: the records are read again the normal way, a load that puts the
// unsaved changes on top and saves them.
void TWindowVault::Unlocked(const std::string& password) {
    FSession.SetPassword(password);
    FLocked = false;
    if (FAwaitingPassword || FSession.IsDropped() || FSession.ChangedOnDisk() ||
        HasUnsavedChanges()) {
        FAwaitingPassword = false;
        SaveChanges();
    }
}
