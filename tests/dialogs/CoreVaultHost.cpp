#include "CoreVaultHost.h"

#include "common/Services.h"
#include "common/TextCodec.h"
#include "dialogs/DialogHelpers.h"

TCoreVaultHost::TCoreVaultHost() = default;

bool TCoreVaultHost::CheckVaultPassword(const QString& path, const std::string& password) {
    return TVaultSession::CheckPassword(NativePath(path), password);
}

bool TCoreVaultHost::CreateVault(const QString& path, const std::string& password,
                                 bool writeSideFile) {
    Q_UNUSED(writeSideFile);
    try {
        FSession.Create(NativePath(path), password);
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
        FSession.ChangePassword(NativePath(path), currentPassword, newPassword);
        return true;
    } catch (const std::exception& error) {
        ShowWarning(ErrorText(error));
        return false;
    }
}
