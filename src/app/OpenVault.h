#pragma once

#include <QString>
#include <functional>
#include <string>

#include "common/MasterPassword.h"
#include "vault/RecordTree.h"

// The open vault: its path, its master password (held scrambled) and the record tree that
// holds its content, with the five operations that move the content between tree and file.
// The operations are thin over the core; all but the password check show a failure with
// ShowWarning and answer false.
class TOpenVault {
public:
    // Wraps every change of the whole tree (a load), so that views hear of it.
    using TTreeChange = std::function<void(const std::function<void()>&)>;

    TOpenVault() = default;
    TOpenVault(const TOpenVault&) = delete;
    TOpenVault& operator=(const TOpenVault&) = delete;

    void SetTreeChange(TTreeChange wrapper) { FTreeChange = std::move(wrapper); }

    TRecordTree& Tree() { return FTree; }
    const TRecordTree& Tree() const { return FTree; }

    std::string Password() const { return FPassword.Get(); }
    void SetPassword(const std::string& password) { FPassword.Set(password); }
    QString DatabaseFile() const { return FDatabaseFile; }
    // Also records the path in the settings, so that the next start opens this vault.
    void SetDatabaseFile(const QString& path);

    // Lets an error opening the file through to the caller.
    bool CheckPassword(const QString& path, const std::string& password) const;
    bool Create(const QString& path, const std::string& password);
    bool ChangePassword(const QString& path, const std::string& currentPassword,
                        const std::string& newPassword);
    // With Password. A failed load leaves the tree that is not the vault's content, so saves
    // into that vault are refused until a load or create of it succeeds.
    bool Load(const QString& path);
    bool Save(const QString& path);

private:
    bool IsUnloaded(const QString& path) const;

    TMasterPassword FPassword;
    QString FDatabaseFile;
    TRecordTree FTree;
    QString FUnloadedVault;
    TTreeChange FTreeChange;
};
