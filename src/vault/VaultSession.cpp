#include "vault/VaultSession.h"

#include <exception>

#include "base/StringTable.h"
#include "vault/CofferixError.h"
#include "vault/FileUtil.h"
#include "vault/TreeCommands.h"
#include "vault/TreeObserver.h"
#include "vault/VaultOperations.h"

namespace {

// A copy of the master password for one operation, wiped however the operation ends.
struct TPasswordCopy {
    std::string Value;
    ~TPasswordCopy() { WipeString(Value); }
};

// Announces a change of the whole tree around the scope it lives in, also when it fails.
class TTreeReset {
public:
    explicit TTreeReset(ITreeObserver* observer) : FEnd(observer, &ITreeObserver::TreeReset) {
        if (observer) {
            observer->TreeResetting();
        }
    }

private:
    TObserverScopeEnd FEnd;
};

}  // namespace

void TVaultSession::SetPath(const std::string& path) {
    if (path != FPath) {
        FPath = path;
        FLoaded = false;
        FDropped = false;
        FCredentials.KeepFormat101();  // the key of the other vault
        FUnsaved.Clear();              // they were changes of the other vault
    }
}

bool TVaultSession::IsSessionVault(const std::string& path) const {
    return !FPath.empty() && (path == FPath || IsSameFile(path, FPath));
}

bool TVaultSession::ChangedOnDisk() const {
    if (!FLoaded) {
        return false;
    }
    const std::optional<TFileIdentity> now = TFileIdentity::OfPath(FPath);
    return now && !(*now == FIdentity);
}

TVaultTextKind TVaultSession::TextKind() const {
    return Format() == TVaultFormat::Format2 ? TVaultTextKind::Unicode
                                             : TVaultTextKind::CodePage1252;
}

bool TVaultSession::CheckPassword(const std::string& path, const std::string& password) {
    return VaultCheckPassword(path, password);
}

bool TVaultSession::CheckPasswordKeepingKey(const std::string& password) {
    return VaultCheckPassword(FPath, password, &FCredentials);
}

void TVaultSession::Create(const std::string& path, const std::string& password,
                           TVaultFormat format) {
    const bool sessionVault = IsSessionVault(path);
    TVaultCredentials other;
    const TFileIdentity created =
        VaultCreate(path, password, format, sessionVault ? &FCredentials : &other);
    if (sessionVault) {
        const TTreeReset reset(FObserver);
        FTree.Clear();
        FUnsaved.Clear();
        FPassword.Set(password);
        FIdentity = created;
        FLoaded = true;
        FDropped = false;
    }
}

void TVaultSession::ChangePassword(const std::string& path, const std::string& currentPassword,
                                   const std::string& newPassword) {
    const bool sessionVault = IsSessionVault(path);
    TVaultCredentials other;
    const TVaultReplacement replacement = VaultChangePassword(
        path, currentPassword, newPassword, sessionVault ? &FCredentials : &other);
    if (!sessionVault) {
        return;
    }
    FPassword.Set(newPassword);
    // A change made elsewhere before the re-key stays unseen by the tree: the identity stays
    // stale, so the next save is refused and the vault reloaded.
    if (FLoaded && replacement.Before == FIdentity) {
        FIdentity = replacement.After;
    }
}

void TVaultSession::ReplaceTree(TRecordTree& tree) {
    const TTreeReset reset(FObserver);
    FTree.Swap(tree);
}

bool TVaultSession::Unload() {
    if (HasUnsavedChanges()) {
        return false;
    }
    if (FLoaded) {
        const TTreeReset reset(FObserver);
        FTree.Clear();  // every node's texts are wiped as it goes
        FLoaded = false;
        FDropped = true;
    }
    FCredentials.ForgetKey();  // the unlock derives it again from the password it proves
    return true;
}

void TVaultSession::ReadGroups(TRecordTree& groups) const {
    TPasswordCopy password{FPassword.Get()};
    VaultLoad(FPath, password.Value, groups);
    // From the end, so that no level is renumbered; the records' texts are wiped as they go.
    for (int row = groups.ChildCount(nullptr) - 1; row >= 0; --row) {
        const PNode node = groups.Child(nullptr, row);
        if (!node->Data.IsGroup) {
            groups.Delete(node);
            continue;
        }
        for (int child = groups.ChildCount(node) - 1; child >= 0; --child) {
            groups.Delete(groups.Child(node, child));
        }
    }
}

void TVaultSession::Load() {
    const bool reload = FLoaded || FDropped;
    TPasswordCopy password{FPassword.Get()};
    TRecordTree fresh;
    TFileIdentity identity;
    try {
        identity = VaultLoad(FPath, password.Value, fresh, &FCredentials);
    } catch (...) {
        if (!reload) {
            TRecordTree empty;
            ReplaceTree(empty);
            FUnsaved.Clear();
        }
        throw;
    }
    FUnsaved.ApplyTo(fresh);
    FUnsaved.KeepRecords();  // the tree they were read from goes now
    ReplaceTree(fresh);
    FIdentity = identity;
    FLoaded = true;
    FDropped = false;
}

void TVaultSession::Save() {
    if (!FLoaded) {
        throw EVaultNotLoadedError(std::string(Str::sVaultNotLoaded));
    }
    TPasswordCopy password{FPassword.Get()};
    FIdentity = VaultSave(FPath, password.Value, FTree, &FIdentity, &FCredentials);
    FUnsaved.Clear();
}

void TVaultSession::Convert(TVaultFormat to) {
    if (!FLoaded) {
        throw EVaultNotLoadedError(std::string(Str::sVaultNotLoaded));
    }
    SaveChanges();
    TPasswordCopy password{FPassword.Get()};
    FIdentity = VaultConvert(FPath, password.Value, to, &FIdentity, &FCredentials).After;
    // The tree as the new file holds it (a conversion from 101 gives its groups their Guids);
    // the key is held, so this derives nothing.
    Load();
}

void TVaultSession::TakeInOutsideChange() {
    if (FDropped || ChangedOnDisk()) {
        Load();
    }
}

void TVaultSession::Preview(const std::function<void(TVaultChange&)>& change) const {
    TRecordTree scratch;
    CopyTree(FTree, scratch);
    TUnsavedChanges steps;
    TVaultChange editor(scratch, steps, nullptr, TextKind());
    change(editor);
}

void TVaultSession::Change(const std::function<void(TVaultChange&)>& change) {
    // A failed take-in still lets the change in, so that what the user did is kept; it
    // stays unsaved, since the file is not what the tree was loaded from.
    std::exception_ptr takeInFailure;
    try {
        if (!FLoaded && !FDropped) {
            throw EVaultNotLoadedError(std::string(Str::sVaultNotLoaded));
        }
        TakeInOutsideChange();
    } catch (const std::exception&) {
        takeInFailure = std::current_exception();
    }
    TVaultChange editor(FTree, FUnsaved, FObserver, TextKind());
    change(editor);
    if (takeInFailure) {
        std::rethrow_exception(takeInFailure);
    }
    // A change that made nothing, with nothing unsaved before, leaves the file as it is: an
    // import or merge made twice does not rewrite it the second time.
    if (HasUnsavedChanges()) {
        Save();
    }
}

void TVaultSession::SaveChanges() {
    TakeInOutsideChange();
    if (HasUnsavedChanges()) {
        Save();
    }
}

void TVaultSession::SortTree(const TRecordTree::TCompare& compare, bool descending) {
    FTree.Sort(compare, descending);
}
