#include "cli/OpenVault.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "base/StringTable.h"
#include "cli/CliError.h"
#include "vault/CofferixError.h"
#include "vault/LockedFile.h"
#include "vault/PathSafety.h"
#include "vault/VaultOperations.h"

void EnsureVaultReadable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        throw ECliError(CannotOpenFileText(path, errno), kExitFailure);
    }
    const std::string unsafe = UnsafeOpenedFileReason(path, fd);
    ::close(fd);
    if (!unsafe.empty()) {
        throw ECliError(RefusedOpenText(path, unsafe), kExitFailure);
    }
}

TVaultTextKind TextKindOfVault(const std::string& path) {
    try {
        return VaultReadInfo(path).Format == TVaultFormat::Format2 ? TVaultTextKind::Unicode
                                                                   : TVaultTextKind::CodePage1252;
    } catch (const ECofferixError&) {
        return TVaultTextKind::CodePage1252;
    }
}

std::string PartialBlocksText(const std::string& path, const std::string& coreText) {
    return coreText + ": the length of \"" + path +
           "\" is not a multiple of 16 bytes, so it is no whole vault";
}

void OpenVault(TCliSession& session, const std::string& path, TVaultSession& vault) {
    EnsureVaultReadable(path);
    session.SetTextKind(TextKindOfVault(path));
    TSecretText password;
    session.ReadPassword(kMasterPrompt, kMasterWhat, password);
    vault.SetPath(path);
    vault.SetPassword(password.Value());
    try {
        vault.Load();
    } catch (const EAESError& error) {
        throw ECliError(PartialBlocksText(path, error.what()), kExitFailure);
    }
}

void ChangeVault(TVaultSession& vault, const std::function<void(TVaultChange&)>& change) {
    try {
        vault.Change(change);
    } catch (const EVaultChangedError&) {
        throw ECliError(std::string(Str::sVaultChangedElsewhere) + " Run the command again.",
                        kExitFailure);
    }
}
