#include "app/OpenVault.h"

#include <exception>

#include "common/Services.h"
#include "common/Settings.h"
#include "common/StringTable.h"
#include "common/TextCodec.h"
#include "vault/FileUtil.h"
#include "vault/NodeData.h"
#include "vault/VaultOperations.h"

void TOpenVault::SetDatabaseFile(const QString& path) {
    FDatabaseFile = path;
    Settings::SetDatabase(path);
}

bool TOpenVault::IsUnloaded(const QString& path) const {
    return !FUnloadedVault.isEmpty() &&
           (path == FUnloadedVault || IsSameFile(NativePath(path), NativePath(FUnloadedVault)));
}

bool TOpenVault::CheckPassword(const QString& path, const std::string& password) const {
    return VaultCheckPassword(NativePath(path), password);
}

bool TOpenVault::Create(const QString& path, const std::string& password) {
    try {
        VaultCreate(NativePath(path), password);
    } catch (const std::exception& error) {
        ShowWarning(ErrorText(error));
        return false;
    }
    if (IsUnloaded(path)) {
        FUnloadedVault.clear();
    }
    return true;
}

bool TOpenVault::ChangePassword(const QString& path, const std::string& currentPassword,
                                const std::string& newPassword) {
    try {
        VaultChangePassword(NativePath(path), currentPassword, newPassword);
    } catch (const std::exception& error) {
        ShowWarning(ErrorText(error));
        return false;
    }
    return true;
}

bool TOpenVault::Load(const QString& path) {
    std::string password = Password();
    bool failed = false;
    QString failure;
    auto load = [&] {
        try {
            VaultLoad(NativePath(path), password, FTree);
        } catch (const std::exception& error) {
            failed = true;
            failure = ErrorText(error);
        }
    };
    if (FTreeChange) {
        FTreeChange(load);
    } else {
        load();
    }
    WipeString(password);
    if (failed) {
        FUnloadedVault = path;
        ShowWarning(failure);  // after the views have caught up with the emptied tree
        return false;
    }
    FUnloadedVault.clear();
    return true;
}

bool TOpenVault::Save(const QString& path) {
    if (IsUnloaded(path)) {
        ShowWarning(Tr(Str::sVaultNotLoaded));
        return false;
    }
    std::string password = Password();
    bool saved = true;
    try {
        VaultSave(NativePath(path), password, FTree);
    } catch (const std::exception& error) {
        saved = false;
        ShowWarning(ErrorText(error));
    }
    WipeString(password);
    return saved;
}
