#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <string>

#include "app/TreeViewState.h"
#include "vault/VaultSession.h"

class TfrmCofferix;

// The main window's open vault: the shared vault session with the window's side of it. The
// operations show their failures with ShowWarning and answer false, as the window's vault
// operations do. The file is watched: when another program (the command-line tool, say)
// writes it, the vault is reloaded as soon as no dialog of the window is open, keeping what
// the view showed; a save that finds the file changed is refused and the vault reloaded.
class TWindowVault : public QObject {
    Q_OBJECT
public:
    explicit TWindowVault(TfrmCofferix& window);

    TVaultSession& Session() { return FSession; }
    TRecordTree& Tree() { return FSession.Tree(); }
    const TRecordTree& Tree() const { return FSession.Tree(); }

    std::string Password() const { return FSession.Password(); }
    void SetPassword(const std::string& password) { FSession.SetPassword(password); }
    QString DatabaseFile() const { return FDatabaseFile; }
    // Also records the path in the settings, so that the next start opens this vault.
    void SetDatabaseFile(const QString& path);

    // Lets an error opening the file through to the caller.
    bool CheckPassword(const QString& path, const std::string& password) const;
    bool Create(const QString& path, const std::string& password);
    bool ChangePassword(const QString& path, const std::string& currentPassword,
                        const std::string& newPassword);
    bool Load(const QString& path);
    bool Save(const QString& path);

    // Reloads the vault now when another program has changed its file. Answers false when the
    // vault could not be reloaded (its master password changed: the window is then locked).
    bool ReloadIfChanged();
    // The password that the unlock dialog proved against the file: held from now on, and the
    // vault reloaded with it when the file changed while the window was locked.
    void Unlocked(const std::string& password);

private:
    void Watch();
    void CheckFileLater();
    void CheckFile();
    bool Reload();
    bool DialogIsOpen() const;

    TfrmCofferix& FWindow;
    TVaultSession FSession;
    QString FDatabaseFile;
    QFileSystemWatcher FWatcher;
    QTimer FCheckTimer;
    QTimer FNoticeTimer;
    // Set while the vault waits for the password that opens its changed file.
    bool FAwaitingPassword = false;
    TTreeViewState FViewBeforeReload;
};
