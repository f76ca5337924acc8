#include "dialogs/CoreVaultHost.h"

#include "common/Services.h"
#include "common/TextCodec.h"
#include "dialogs/DialogHelpers.h"
#include "vault/VaultOperations.h"

TCoreVaultHost::TCoreVaultHost() = default;

bool TCoreVaultHost::CheckVaultPassword(const QString& path, const std::string& password) {
    return VaultCheckPassword(NativePath(path), password);
}

bool TCoreVaultHost::CreateVault(const QString& path, const std::string& password,
                                 bool writeSideFile) {
    Q_UNUSED(writeSideFile);
    try {
        VaultCreate(NativePath(path), password);
        return true;
    } catch (const std::exception& error) {
        ShowWarning(ErrorText(error));
        return false;
    }
}

bool TCoreVaultHost::ChangeVaultPassword(const QString& path, const std::string& currentPassword,
                                         const std::string& newPassword, bool writeSideFile) {
    Q_UNUSED(writeSideFile);
    try {
        VaultChangePassword(NativePath(path), currentPassword, newPassword);
        return true;
    } catch (const std::exception& error) {
        ShowWarning(ErrorText(error));
        return false;
    }
}
