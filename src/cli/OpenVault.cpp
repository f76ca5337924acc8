#include "cli/OpenVault.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "cli/CliError.h"
#include "vault/LockedFile.h"
#include "vault/PathSafety.h"
#include "vault/VaultOperations.h"

namespace {

ECliError CannotOpen(const std::string& path, int error) {
    return ECliError(CannotOpenFileText(path, error), kExitFailure);
}

}  // namespace

void EnsureVaultReadable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        throw CannotOpen(path, errno);
    }
    const std::string unsafe = UnsafeOpenedFileReason(path, fd);
    ::close(fd);
    if (!unsafe.empty()) {
        throw ECliError(RefusedOpenText(path, unsafe), kExitFailure);
    }
}

bool TOpenVault::TFileState::operator==(const TFileState& other) const {
    return Device == other.Device && Inode == other.Inode && Size == other.Size &&
           Modified.tv_sec == other.Modified.tv_sec && Modified.tv_nsec == other.Modified.tv_nsec;
}

TOpenVault::TFileState TOpenVault::StateOfFile() const {
    struct stat info {};
    if (::stat(FPath.c_str(), &info) != 0) {
        throw CannotOpen(FPath, errno);
    }
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

TOpenVault::TOpenVault(TCliSession& session, const std::string& path) : FPath(path) {
    EnsureVaultReadable(FPath);
    session.ReadPassword(kMasterPrompt, kMasterWhat, FMasterPassword);
    // Taken before the load: a change while it reads shows as a difference at the save.
    FLoadedState = StateOfFile();
    VaultLoad(FPath, FMasterPassword.Value(), FTree);
}

void TOpenVault::Save() {
    if (!(StateOfFile() == FLoadedState)) {
        throw ECliError("the vault file changed while the command ran; nothing was saved",
                        kExitFailure);
    }
    VaultSave(FPath, FMasterPassword.Value(), FTree);
}
