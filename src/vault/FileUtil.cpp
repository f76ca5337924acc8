#include "vault/FileUtil.h"

#include <sys/stat.h>

#include "base/StringTable.h"
#include "vault/AtomicFile.h"
#include "vault/CofferixError.h"
#include "vault/LockedFile.h"
#include "vault/Streams.h"

void WriteSecretFile(const std::string& path, const std::string& bytes) {
    WriteSecretFile(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

void WriteSecretFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    WriteFileAtomically(path, data, size, TFileMode::OwnerOnly());
}

void CopySecretFile(const std::string& sourcePath, const std::string& destinationPath) {
    if (IsSameFile(sourcePath, destinationPath)) {
        throw EVaultError("Cannot copy \"" + sourcePath + "\" onto itself: \"" + destinationPath +
                          "\" is the same file.");
    }
    const TLockedFile source = TLockedFile::Open(sourcePath, TLockedFile::TAccess::Read);
    TMemoryStream bytes;
    source.ReadAll(bytes);
    WriteFileAtomically(destinationPath, bytes.Data(), bytes.Size(), TFileMode::OwnerOnly());
}

void RefuseOpenVaultDestination(const std::string& destination, const std::string& openVault) {
    if (!openVault.empty() && IsSameFile(destination, openVault)) {
        throw EOpenVaultDestinationError(std::string(Str::sDestinationIsOpenVault));
    }
}

void WriteSecretFileBesideVault(const std::string& path, const std::string& bytes,
                                const std::string& openVault) {
    RefuseOpenVaultDestination(path, openVault);
    WriteSecretFile(path, bytes);
}

void BackupVault(const std::string& vaultPath, const std::string& destinationPath) {
    RefuseOpenVaultDestination(destinationPath, vaultPath);
    CopySecretFile(vaultPath, destinationPath);
}

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat infoA {};
    struct stat infoB {};
    return ::stat(a.c_str(), &infoA) == 0 && ::stat(b.c_str(), &infoB) == 0 &&
           infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}
