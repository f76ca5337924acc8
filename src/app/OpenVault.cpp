#include "app/OpenVault.h"

#include <QFile>
#include <exception>

#include "app/AppStrings.h"
#include "common/Services.h"
#include "common/Settings.h"
#include "common/TextCodec.h"
#include "vault/FileUtil.h"
#include "vault/NodeData.h"
#include "vault/VaultOperations.h"

namespace {

std::string FileName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

void TOpenVault::SetDatabaseFile(const QString& path) {
    FDatabaseFile = path;
    Settings::SetDatabase(path);
}

bool TOpenVault::IsUnloaded(const QString& path) const {
    return !FUnloadedVault.isEmpty() &&
           (path == FUnloadedVault || IsSameFile(FileName(path), FileName(FUnloadedVault)));
}

bool TOpenVault::CheckPassword(const QString& path, const std::string& password) const {
    return VaultCheckPassword(FileName(path), password);
}

bool TOpenVault::Create(const QString& path, const std::string& password) {
    try {
        VaultCreate(FileName(path), password);
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
        VaultChangePassword(FileName(path), currentPassword, newPassword);
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
            VaultLoad(FileName(path), password, FTree);
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
        ShowWarning(Tr(AppStr::sVaultNotLoaded));
        return false;
    }
    std::string password = Password();
    bool saved = true;
    try {
        VaultSave(FileName(path), password, FTree);
    } catch (const std::exception& error) {
        saved = false;
        ShowWarning(ErrorText(error));
    }
    WipeString(password);
    return saved;
}
