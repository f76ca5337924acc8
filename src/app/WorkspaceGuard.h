#pragma once

#include <QObject>

class QDialog;
class TClipboardGuard;
class TIdleLock;
class TSessionLockWatcher;
class TTrayLock;

// What keeps the vault's secrets from lying about: copied passwords leave the clipboard again,
// the workspace locks by itself after a time without input and when the desktop session
// locks, and every lock first closes the dialogs that show or change vault data.
class TWorkspaceGuard : public QObject {
    Q_OBJECT
public:
    explicit TWorkspaceGuard(TTrayLock& lock);
    ~TWorkspaceGuard() override;

    // The Options from the settings; the automatic locks only once started.
    void ApplySettings();
    // The end of start-up: from now on the workspace locks by itself.
    void Start();

    TClipboardGuard& Clipboard() { return *FClipboard; }
    TIdleLock& IdleLock() { return *FIdleLock; }
    TSessionLockWatcher& SessionWatcher() { return *FSessionWatcher; }

public slots:
    // The automatic lock: "Lock WorkSpace" itself; when locked already, only what a lock
    // closes goes.
    void LockNow();
    // Before every lock: the dialogs with vault data close as if cancelled (nothing they
    // hold is saved) and a copied password leaves the clipboard.
    void CloseSecrets();

private:
    bool ShowsNoVaultData(const QDialog& dialog) const;

    TTrayLock& FLock;
    TClipboardGuard* FClipboard;
    TIdleLock* FIdleLock;
    TSessionLockWatcher* FSessionWatcher;
    bool FStarted = false;
};
