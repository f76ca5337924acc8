#pragma once

#include <string>
#include <vector>

#include "base/MasterPassword.h"
#include "vault/FileIdentity.h"
#include "vault/RecordTree.h"

class ITreeObserver;

// One open vault, as the window and the command-line tool both hold it: the path, the master
// password (held scrambled), the record tree, and the identity of the file as last loaded or
// saved. The tree changes through the methods below, which keep the shared rules and tell the
// observer; Save puts the tree into the file.
//
// Two guards keep the file safe: a save into a vault whose load failed is refused (the tree
// is not its content), and a save into a file that another program changed since it was
// loaded or saved here is refused under the save's own lock, so that no change made elsewhere
// is overwritten unseen. Failures throw the core's errors (ECofferixError and its kinds).
class TVaultSession {
public:
    TVaultSession() = default;
    TVaultSession(const TVaultSession&) = delete;
    TVaultSession& operator=(const TVaultSession&) = delete;

    // Hears of every change of the tree; null for none.
    void SetObserver(ITreeObserver* observer) { FObserver = observer; }

    const std::string& Path() const { return FPath; }
    // Names the vault that the next Load reads. Until it succeeds, nothing is saved there.
    void SetPath(const std::string& path);
    // A copy of the master password; the caller wipes it.
    std::string Password() const { return FPassword.Get(); }
    void SetPassword(const std::string& password) { FPassword.Set(password); }
    TRecordTree& Tree() { return FTree; }
    const TRecordTree& Tree() const { return FTree; }

    // True once a load (or a create) of Path succeeded, until a load fails or the path changes.
    bool IsLoaded() const { return FLoaded; }
    // True when the loaded vault's file is still there but is no longer the file as last loaded
    // or saved here: another program wrote it. A missing file is not taken for a change.
    bool ChangedOnDisk() const;

    // The vault operations. CheckPassword answers whether password opens the vault at path.
    static bool CheckPassword(const std::string& path, const std::string& password);
    // A new empty vault at path; when path is the session's vault, the tree empties with it.
    void Create(const std::string& path, const std::string& password);
    // Re-keys the vault at path. For the session's own vault, the new password is held from
    // now on, and the file stays known as loaded only if nobody else had changed it before.
    void ChangePassword(const std::string& path, const std::string& currentPassword,
                        const std::string& newPassword);
    // Reads Path with the held password. A failure leaves the tree empty and the session not
    // loaded, and throws.
    void Load();
    // Throws EVaultNotLoadedError or EVaultChangedError (nothing written) besides the errors of
    // the write itself.
    void Save();

    // Record and group changes, in the tree only.
    PNode AddRecord(const std::string& groupName, const TNodeData& fields);
    // The record's five texts from fields (moved out), and its group by name.
    void ModifyRecord(PNode record, TNodeData& fields, const std::string& groupName);
    bool MoveRecord(PNode record, const std::string& groupName);
    void RenameGroup(PNode group, const std::string& name);
    // The nodes with everything below them.
    void Remove(const std::vector<PNode>& nodes);

private:
    bool IsSessionVault(const std::string& path) const;

    std::string FPath;
    TMasterPassword FPassword;
    TRecordTree FTree;
    TFileIdentity FIdentity;
    bool FLoaded = false;
    ITreeObserver* FObserver = nullptr;
};
