#include "vault/VaultSession.h"

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

bool TVaultSession::CheckPassword(const std::string& path, const std::string& password) {
    return VaultCheckPassword(path, password);
}

void TVaultSession::Create(const std::string& path, const std::string& password) {
    const bool sessionVault = IsSessionVault(path);
    const TFileIdentity created = VaultCreate(path, password);
    if (sessionVault) {
        const TTreeReset reset(FObserver);
        FTree.Clear();
        FPassword.Set(password);
        FIdentity = created;
        FLoaded = true;
    }
}

void TVaultSession::ChangePassword(const std::string& path, const std::string& currentPassword,
                                   const std::string& newPassword) {
    const TVaultReplacement replacement = VaultChangePassword(path, currentPassword, newPassword);
    if (!IsSessionVault(path)) {
        return;
    }
    FPassword.Set(newPassword);
    // A change made elsewhere before the re-key stays unseen by the tree: the identity stays
    // stale, so the next save is refused and the vault reloaded.
    if (FLoaded && replacement.Before == FIdentity) {
        FIdentity = replacement.After;
    }
}

void TVaultSession::Load() {
    FLoaded = false;
    TPasswordCopy password{FPassword.Get()};
    {
        const TTreeReset reset(FObserver);
        FIdentity = VaultLoad(FPath, password.Value, FTree);
    }
    FLoaded = true;
}

void TVaultSession::Save() {
    if (!FLoaded) {
        throw EVaultNotLoadedError(std::string(Str::sVaultNotLoaded));
    }
    TPasswordCopy password{FPassword.Get()};
    FIdentity = VaultSave(FPath, password.Value, FTree, &FIdentity);
}

PNode TVaultSession::AddRecord(const std::string& groupName, const TNodeData& fields) {
    return AddRecordNode(FTree, groupName, fields, FObserver);
}

void TVaultSession::ModifyRecord(PNode record, TNodeData& fields, const std::string& groupName) {
    ModifyRecordNode(FTree, record, fields, groupName, FObserver);
}

bool TVaultSession::MoveRecord(PNode record, const std::string& groupName) {
    return MoveRecordToGroup(FTree, record, groupName, FObserver);
}

void TVaultSession::RenameGroup(PNode group, const std::string& name) {
    RenameNode(group, name, FObserver);
}

void TVaultSession::Remove(const std::vector<PNode>& nodes) {
    RemoveNodes(FTree, nodes, FObserver);
}
