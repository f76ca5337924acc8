#pragma once

#include <sys/stat.h>
#include <string>

#include "cli/CliSession.h"
#include "cli/SecretText.h"
#include "vault/RecordTree.h"

// Fails with the system's "Cannot open file" text when path cannot be opened for reading,
// so that a wrong path is reported before any password is asked for.
void EnsureVaultReadable(const std::string& path);

// A vault loaded for one command: asks for the master password, loads the tree, and saves it
// back when the command has changed it. The save is refused when the file was replaced
// meanwhile (by the window or another run), so that no change is lost unseen.
class TOpenVault {
public:
    TOpenVault(TCliSession& session, const std::string& path);
    TOpenVault(const TOpenVault&) = delete;
    TOpenVault& operator=(const TOpenVault&) = delete;

    TRecordTree& Tree() { return FTree; }
    const std::string& Path() const { return FPath; }
    void Save();

private:
    struct TFileState {
        dev_t Device = 0;
        ino_t Inode = 0;
        off_t Size = 0;
        timespec Modified{};
        bool operator==(const TFileState& other) const;
    };
    TFileState StateOfFile() const;

    std::string FPath;
    TSecretText FMasterPassword;
    TRecordTree FTree;
    TFileState FLoadedState;
};
