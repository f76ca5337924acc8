#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/MasterPassword.h"
#include "base/VaultText.h"
#include "vault/FileIdentity.h"
#include "vault/RecordTree.h"
#include "vault/UnsavedChanges.h"
#include "vault/VaultChange.h"
#include "vault/VaultCredentials.h"

class ITreeObserver;

// One open vault, as the window and the command-line tool both hold it: the path, the master
// password (held scrambled), the record tree, and the identity of the file as last loaded or
// saved. The tree changes through the methods below, which keep the shared rules and tell the
// observer; Save puts the tree into the file.
//
// Every change goes through Change, which takes in what another program saved, applies the
// change and saves it. A change whose save failed is never dropped: it stays in the tree,
// marked unsaved, and every later load of the same vault puts it back on top of what the
// file holds then, until a save succeeds.
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
    const TRecordTree& Tree() const { return FTree; }

    // True once a load (or a create) of Path succeeded, until a load fails, the path changes or
    // the records are dropped.
    bool IsLoaded() const { return FLoaded; }
    // Wipes and drops every record (the window's lock): the path, the password and the unsaved
    // changes stay, and the next take-in (TakeInOutsideChange, SaveChanges, Change) reads the
    // vault again. Nothing is saved meanwhile. Refused (false) while changes are unsaved, which
    // live only in the tree.
    bool Unload();
    // True from Unload until a load succeeds or another vault is named.
    bool IsDropped() const { return FDropped; }
    // The vault's groups as its file holds them, without a record (a dialog offers them while
    // the records are dropped). Throws as Load.
    void ReadGroups(TRecordTree& groups) const;
    // True when the loaded vault's file is still there but is no longer the file as last loaded
    // or saved here: another program wrote it. A missing file is not taken for a change.
    bool ChangedOnDisk() const;

    // The format of the vault as last loaded, created or converted, its key derivation
    // parameters (format 2) and the text its records can hold.
    TVaultFormat Format() const { return FCredentials.Format(); }
    const TKdfParameters& KdfParameters() const { return FCredentials.Kdf(); }
    TVaultTextKind TextKind() const;
    // The vault-wide values (create and password times) as last loaded; null before a load.
    const VaultFormat2::TVaultValues* Values() const { return FCredentials.Values(); }

    // The vault operations. CheckPassword answers whether password opens the vault at path.
    static bool CheckPassword(const std::string& path, const std::string& password);
    // Answers whether password opens the session's vault; a format-2 key derived for the
    // answer is kept, so that the load after it (an unlock) derives nothing more.
    bool CheckPasswordKeepingKey(const std::string& password);
    // Drops the key of a format-2 vault (lock): the next load derives it from the password.
    void ForgetKey() { FCredentials.ForgetKey(); }
    // A new empty vault at path; when path is the session's vault, the tree empties with it.
    void Create(const std::string& path, const std::string& password,
                TVaultFormat format = TVaultFormat::Format101);
    // Rewrites the session's vault in the other format (VaultConvert), after saving the
    // unsaved changes; a save that fails, or a file changed elsewhere, stops it with nothing
    // converted. Throws EVaultNotLoadedError when the vault is not loaded.
    void Convert(TVaultFormat to);
    // Re-keys the vault at path. For the session's own vault, the new password is held from
    // now on, and the file stays known as loaded only if nobody else had changed it before.
    void ChangePassword(const std::string& path, const std::string& currentPassword,
                        const std::string& newPassword);
    // Reads Path with the held password, and puts the unsaved changes back on top. The first
    // load of a path that fails leaves the tree empty and the session not loaded; a failed
    // load of the vault that is loaded already (a reload) or dropped keeps the tree and its
    // unsaved changes, and the file stays known as changed, so that nothing is saved over it
    // unseen. Throws on failure.
    void Load();
    // Throws EVaultNotLoadedError or EVaultChangedError (nothing written) besides the errors of
    // the write itself.
    void Save();

    // One change: takes in what another program saved meanwhile, calls change, and saves.
    // When the vault is not loaded, or taking in or saving fails, the change stays in the
    // tree, unsaved, and the error (EVaultNotLoadedError for the first) is thrown. A change
    // that made nothing, while nothing was unsaved, writes nothing.
    void Change(const std::function<void(TVaultChange&)>& change);
    // Makes change on a copy of the tree, which is then thrown away: what a change would do,
    // for a question before it is made. Nothing is saved, told to the observer or remembered.
    void Preview(const std::function<void(TVaultChange&)>& change) const;
    // Reloads the vault when another program changed its file, or when its records were dropped.
    void TakeInOutsideChange();
    // Takes in an outside change, then saves the unsaved changes, if any: the retry of a
    // change whose save failed. Throws as Change.
    void SaveChanges();
    bool HasUnsavedChanges() const { return !FUnsaved.IsEmpty(); }
    // Forgets the unsaved changes (the user chose to throw them away).
    void DiscardUnsavedChanges() { FUnsaved.Clear(); }

    // Puts every level of the tree in order; the order goes into the file with the next save.
    void SortTree(const TRecordTree::TCompare& compare, bool descending);

private:
    bool IsSessionVault(const std::string& path) const;
    void ReplaceTree(TRecordTree& tree);

    std::string FPath;
    TMasterPassword FPassword;
    TRecordTree FTree;
    TFileIdentity FIdentity;
    TVaultCredentials FCredentials;
    bool FLoaded = false;
    bool FDropped = false;
    TUnsavedChanges FUnsaved;
    ITreeObserver* FObserver = nullptr;
};
