#include "vault/FileUtil.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "base/StringTable.h"
#include "base/Wipe.h"
#include "vault/AtomicFile.h"
#include "vault/CofferixError.h"
#include "vault/LockedFile.h"

namespace {

// A backup goes through memory this much at a time, however large the vault.
constexpr std::uint64_t kCopyChunkSize = std::uint64_t{1} << 20;

// The copy's buffer; it held the vault's bytes, so it is wiped when it goes.
class TCopyBuffer {
public:
    explicit TCopyBuffer(std::size_t size)
        : FSize(size), FBytes(std::make_unique_for_overwrite<std::uint8_t[]>(size)) {}
    TCopyBuffer(const TCopyBuffer&) = delete;
    TCopyBuffer& operator=(const TCopyBuffer&) = delete;
    ~TCopyBuffer() { WipeBytes(FBytes.get(), FSize); }

    std::uint8_t* Data() { return FBytes.get(); }
    std::size_t Size() const { return FSize; }

private:
    std::size_t FSize;
    std::unique_ptr<std::uint8_t[]> FBytes;
};

}  // namespace

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
    const std::uint64_t size = source.Size();
    TAtomicFileWriter writer(destinationPath, TFileMode::OwnerOnly());
    TCopyBuffer buffer(
        static_cast<std::size_t>(std::clamp<std::uint64_t>(size, 1, kCopyChunkSize)));
    for (std::uint64_t offset = 0; offset < size;) {
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.Size(), size - offset));
        source.ReadRange(offset, buffer.Data(), count);
        writer.Write(buffer.Data(), count);
        offset += count;
    }
    writer.Commit();
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
