#pragma once

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <exception>
#include <functional>
#include <string>

#include "vault/VaultSession.h"

// The main window's open vault: the shared vault session with the window's side of it. The
// vault operations show their failures with ShowWarning and answer false, as the window's
// vault operations do.
//
// Every change of records goes through Change, which takes in what another program saved,
// applies the change and saves it. A change whose save failed stays in the tree, unsaved
// (UnsavedChanged says so), and is saved with the next change, when the file's lock comes
// free, or when another program's change is taken in. The file is watched: when another
// program writes it, the vault is reloaded as soon as no dialog of the window is open, with
// any unsaved change on top. Waiting for another program's lock never holds up the event
// loop for longer than a moment: the wait goes on from a timer while the user reads on.
// Every operation ends with SaveStateChanged, and with it the edits learn what the vault's
// format holds now (SetVaultTextKind): a load, a reload, a create and a conversion alike.
class TWindowVault : public QObject {
    Q_OBJECT
public:
    // How long one operation may hold up the event loop for another program's lock, and how
    // long the window waits in all before it says the vault is in use.
    static constexpr std::chrono::milliseconds kEventLoopWait{250};
    static constexpr std::chrono::milliseconds kBackgroundWait{5000};

    TWindowVault();

    TVaultSession& Session() { return FSession; }
    const TRecordTree& Tree() const { return FSession.Tree(); }

    std::string Password() const { return FSession.Password(); }
    void SetPassword(const std::string& password) { FSession.SetPassword(password); }
    QString DatabaseFile() const { return FDatabaseFile; }
    // Also records the path in the settings, so that the next start opens this vault.
    void SetDatabaseFile(const QString& path);

    // Lets an error opening the file through to the caller.
    bool CheckPassword(const QString& path, const std::string& password);
    bool Create(const QString& path, const std::string& password, TVaultFormat format);
    // Rewrites the open vault in the other format, after saving what is unsaved; a refusal
    // (text that format 101 cannot hold) is shown and leaves the file as it was.
    bool Convert(TVaultFormat to);
    bool ChangePassword(const QString& path, const std::string& currentPassword,
                        const std::string& newPassword);
    bool Load(const QString& path);
    bool Save(const QString& path);

    // The tree whose groups a record editor offers: the vault's, or while the records are
    // dropped, groups holds those read from the file (none when it cannot be read).
    const TRecordTree& GroupsToOffer(TRecordTree& groups) const;

    // The one way the window changes records. True when the change is in the file.
    bool Change(const std::function<void(TVaultChange&)>& change);
    // Tries again to save what a failed save left, taking in an outside change first. True
    // when nothing is left unsaved. With quiet, a failure shows no message.
    bool SaveChanges(bool quiet = false);
    bool HasUnsavedChanges() const { return FSession.HasUnsavedChanges(); }
    // Why the last save failed; empty when it did not.
    QString LastSaveError() const { return FLastError; }
    // Reloads the vault now when another program has changed its file (before a dialog that
    // shows what is in it).
    void TakeInOutsideChange();
    bool IsWaitingForLock() const { return FWaitingForLock; }
    // Gives up the wait for another program's lock (before a question about the unsaved
    // changes, which a late save or a late warning must not overtake).
    void StopWaiting();
    bool IsAwaitingPassword() const { return FAwaitingPassword; }
    // The window locks: a change not saved yet is saved first, then the records are wiped and
    // dropped. Those of a change that cannot be saved stay until the unlock, and go as soon as
    // a retry saves them. A change made while locked (from the tray) reads the records in and
    // drops them again once it is saved.
    void Lock();
    // The password that the unlock dialog proved against the file: held from now on, and the
    // records read again with it (with any unsaved change on top, which is then saved).
    void Unlocked(const std::string& password);

signals:
    // At the start of every Load: a vault is opened (at start-up, by Import Database).
    void Opening();
    // Before an operation that takes in another program's change, and after it was taken in.
    void ReloadStarting();
    void Reloaded();
    // The file no longer opens with the held password: nothing more is read or saved until
    // Unlocked gives the new one.
    void PasswordChangedElsewhere();
    // Before a lock drops the records, and once they are back after the unlock.
    void RecordsDropping();
    void RecordsRestored();
    // After every operation that may have saved or left changes unsaved.
    void SaveStateChanged();
    void WaitingForLock(bool waiting);

private:
    bool Attempt(const std::function<void()>& operation, bool quiet);
    bool Settle(const std::exception_ptr& failure, bool quiet);
    void DropRecordsIfLocked();
    // Waits for the lock from the timer, then makes retry; the wait under way, if any, goes on.
    void StartLockWait(std::function<void()> retry);
    void PollLock();
    void StopLockWait();
    void Watch();
    void CheckFileLater();
    void CheckFile();
    bool DialogIsOpen() const;

    TVaultSession FSession;
    QString FDatabaseFile;
    QString FLastError;
    QFileSystemWatcher FWatcher;
    QTimer FCheckTimer;
    QTimer FLockPoll;
    QElapsedTimer FLockWaitClock;
    bool FWaitingForLock = false;
    std::function<void()> FRetry;
    // Set while the vault waits for the password that opens its changed file.
    bool FAwaitingPassword = false;
    bool FLocked = false;
    // A save refused for a change made elsewhere is tried once more after the take-in.
    int FChangedRetries = 0;
};
