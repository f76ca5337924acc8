#include "vault/VaultOperations.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "base/Cp1252.h"
#include "base/StringTable.h"
#include "base/VaultText.h"
#include "base/Wipe.h"
#include "vault/AtomicFile.h"
#include "vault/Clock.h"
#include "vault/CofferixError.h"
#include "vault/LockedFile.h"
#include "vault/SlotLoader.h"
#include "vault/StreamCodec.h"
#include "vault/VaultFormat.h"
#include "vault/VaultFormat2.h"
#include "vault/VaultOperations2.h"
#include "vault/VaultOperationsInternal.h"

using namespace VaultFormat;
using namespace VaultOperationsInternal;

namespace {

// Runs in every save right after its change check (VaultOperationsTesting).
std::function<void()> gAfterSaveCheck;

// Counts and sizes in the format and the codec are 32-bit; a file this large (or a content
// that would grow to it) is refused before any of them could wrap.
constexpr std::uint64_t kMaxVaultSize = std::uint64_t{1} << 31;
constexpr std::uint32_t kCipherBlockSize = 16;
// A whole vault moves between file and tree in chunks of at most this many bytes (the header
// and 1024 slots, 2 MiB), each deciphered or enciphered in place: the file bytes are the
// same as with one pass over the whole plaintext, but no buffer of the whole vault is made.
// On a virtual machine that matters beyond memory: every freshly touched page costs a fault
// in the host.
constexpr std::uint32_t kMaxChunkSize = kHeaderSize + 1024 * kSlotSize;
// The least chunk holds the header and one slot.
constexpr std::uint32_t kMinChunkSize = kHeaderSize + kSlotSize;

// The cipher key of one operation, wiped however the operation ends. An aggregate, so the
// key is formed in place.
struct TScopedKey {
    AesKey256 Key;
    ~TScopedKey() { WipeBytes(Key.data(), Key.size()); }
};

// An expanded key, likewise.
struct TScopedExpandedKey {
    AesExpandedKey256 Key;
    ~TScopedExpandedKey() { WipeExpandedKey(Key); }
};

// Format 101's key is formed from the password's Windows-1252 bytes; the model, the dialogs and
// the tool hold it as UTF-8. A password the code page cannot hold cannot be a new vault's.
AesKey256 KeyOfPassword(const std::string& password) {
    std::string ansi;
    Cp1252FromVaultText(password, "master password", ansi);
    const AesKey256 key = PasswordKey(ansi);
    WipeString(ansi);
    return key;
}

AesExpandedKey256 EncryptionKeyOf(const std::string& password) {
    const TScopedKey key{KeyOfPassword(password)};
    return AesExpandEncryptKey(key.Key);
}

// A password the code page cannot hold opens no format-101 vault.
AesExpandedKey256 DecryptionKeyOf(const std::string& password) {
    try {
        const TScopedKey key{KeyOfPassword(password)};
        return AesExpandDecryptKey(key.Key);
    } catch (const EVaultTextError&) {
        throw EVaultPasswordError(std::string(Str::sInvalidPassword));
    }
}

// Room for one chunk of a content of contentSize bytes: no more than the content needs, so
// that a small vault touches (and wipes) no more memory than it fills. A whole number of
// cipher blocks. It holds plaintext, so it is wiped when it goes.
class TChunkBuffer {
public:
    explicit TChunkBuffer(std::uint64_t contentSize)
        : FSize(static_cast<std::uint32_t>(std::clamp<std::uint64_t>(
              (contentSize + kCipherBlockSize - 1) / kCipherBlockSize * kCipherBlockSize,
              kMinChunkSize, kMaxChunkSize))),
          FBytes(std::make_unique_for_overwrite<std::uint8_t[]>(FSize)) {}
    TChunkBuffer(const TChunkBuffer&) = delete;
    TChunkBuffer& operator=(const TChunkBuffer&) = delete;
    ~TChunkBuffer() { WipeBytes(FBytes.get(), FSize); }

    std::uint8_t* Data() { return FBytes.get(); }
    std::uint32_t Size() const { return FSize; }
    std::uint32_t Slots() const { return FSize / kSlotSize; }

private:
    std::uint32_t FSize;
    std::unique_ptr<std::uint8_t[]> FBytes;
};

std::string FormatWithPath(std::string_view pattern, const std::string& path) {
    std::string text(pattern);
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, path);
    }
    return text;
}

}  // namespace

namespace VaultOperationsInternal {

void RefuseOversized(const std::string& path, std::uint64_t size) {
    if (size >= kMaxVaultSize) {
        throw EVaultError("The database \"" + path +
                          "\" is too large: database files of 2 GiB or more are not supported.");
    }
}

}  // namespace VaultOperationsInternal

namespace {

// The size checks every reader of a vault makes; answers the file's size.
std::uint32_t CheckedVaultSize(const TLockedFile& file, const std::string& path) {
    const std::uint64_t size = file.Size();
    RefuseOversized(path, size);
    if (size < kHeaderSize) {
        throw EVaultError(std::string(Str::sInvalidDatabase) + "\r\n" + path);
    }
    return static_cast<std::uint32_t>(size);
}

// The whole-file decryption refuses a length that is no whole number of blocks, before it
// reads anything.
void RefusePartialBlocks(std::uint32_t size) {
    if (size % kCipherBlockSize != 0) {
        throw EAESError("Invalid buffer size for decryption");
    }
}

TVaultHeader HeaderWithVaultMagic(const std::uint8_t* plain) {
    TVaultHeader header = DecodeHeader(plain);
    if (header.HeaderMagic != kMagic) {
        throw EVaultPasswordError(std::string(Str::sInvalidPassword));
    }
    return header;
}

// Reads size bytes (whole blocks) from offset on and deciphers them in place.
void ReadDecrypted(const TLockedFile& file, std::uint64_t offset, std::uint8_t* buffer,
                   std::uint32_t size, const AesExpandedKey256& key) {
    file.ReadRange(offset, buffer, size);
    AesDecryptBlocks(buffer, key, buffer, size / kCipherBlockSize);
}

// Enciphers size bytes (whole blocks) in place and appends them to the new file.
void WriteEncrypted(std::uint8_t* buffer, std::uint32_t size, const AesExpandedKey256& key,
                    TAtomicFileWriter& writer) {
    AesEncryptBlocks(buffer, key, buffer, size / kCipherBlockSize);
    writer.Write(buffer, size);
}

// The file is about to be replaced, so its cached pages are of no more use once read.
// Giving them back before the new file needs as many keeps the cache from holding both
// vaults at once and lets the system reuse the pages straight away. Only a hint: the data
// stays on disk.
void ReleaseCachedRange(const TLockedFile& file, std::uint64_t offset, std::uint64_t size) {
    [[maybe_unused]] const int ignored = ::posix_fadvise(
        file.Fd(), static_cast<off_t>(offset), static_cast<off_t>(size), POSIX_FADV_DONTNEED);
}

// The header of the vault in file, deciphered with key into buffer; a wrong key shows as a
// header without the vault magic.
TVaultHeader ReadProvenHeader(const TLockedFile& file, const AesExpandedKey256& key,
                              std::uint8_t* buffer) {
    ReadDecrypted(file, 0, buffer, kHeaderSize, key);
    return HeaderWithVaultMagic(buffer);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Creates folder with all missing parents, owner-only since it holds the vault; made lists
// the folders this call made, parents first.
void CreateFolders(const std::string& folder, std::vector<std::string>& made) {
    const auto makeFolder = [&made](const std::string& part) {
        if (!IsFolder(part) && ::mkdir(part.c_str(), S_IRWXU) == 0) {
            made.push_back(part);
        }
    };
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        makeFolder(folder.substr(0, slash));
    }
    makeFolder(folder);
}

}  // namespace

namespace VaultOperationsInternal {

// The folder part of path, up to and including its last separator, must exist.
void EnsureVaultFolder(const std::string& path, std::vector<std::string>& made) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return;
    }
    const std::string folder = path.substr(0, slash + 1);
    if (!IsFolder(folder)) {
        CreateFolders(folder, made);
    }
    if (!IsFolder(folder)) {
        throw EVaultError(FormatWithPath(Str::sCreateFolderFailed, folder));
    }
}

// A create that failed leaves no trace: the folders it made go again (only while empty).
void RemoveFolders(const std::vector<std::string>& made) {
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder) {
        ::rmdir(folder->c_str());
    }
}

}  // namespace VaultOperationsInternal

namespace {

// Reads the header and then the counted slots that the file holds whole; a partial last
// slot ends the load. Bytes beyond the counted slots are not read at all.
TVaultHeader ReadVault(const TLockedFile& file, std::uint32_t size, const AesExpandedKey256& key,
                       TChunkBuffer& chunk, TRecordTree& tree) {
    const TVaultHeader header = ReadProvenHeader(file, key, chunk.Data());
    const std::uint64_t slotCount = CountedSlotsHeld(header, size);
    TSlotLoader loader(tree);
    for (std::uint64_t first = 0; first < slotCount; first += chunk.Slots()) {
        const auto count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(chunk.Slots(), slotCount - first));
        ReadDecrypted(file, kHeaderSize + first * kSlotSize, chunk.Data(), count * kSlotSize, key);
        for (std::uint32_t i = 0; i < count; ++i) {
            loader.Add(chunk.Data() + i * kSlotSize);
        }
    }
    return header;
}

// The header and one slot per node in pre-order, enciphered chunk by chunk on their way to
// the new file. The header's record count is the tree's node count, the number of slots
// written.
void WriteVault(const TRecordTree& tree, const TVaultHeader& header, const AesExpandedKey256& key,
                TChunkBuffer& chunk, TAtomicFileWriter& writer) {
    std::uint8_t* bytes = chunk.Data();
    EncodeHeader(header, bytes);
    std::uint32_t used = kHeaderSize;
    std::int32_t slotIndex = 0;
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        if (used + kSlotSize > chunk.Size()) {
            WriteEncrypted(bytes, used, key, writer);
            used = 0;
        }
        EncodeSlot(node->Data, slotIndex++, bytes + used);
        used += kSlotSize;
    }
    WriteEncrypted(bytes, used, key, writer);
}

}  // namespace

namespace VaultOperationsInternal {

TLockedFile OpenVaultFile(const std::string& path, TLockedFile::TAccess access) {
    TLockedFile file = TLockedFile::Open(path, access);
    RemoveLeftoverTemporaries(path);
    return file;
}

void RefuseChangedFile(const TLockedFile& file, const TFileIdentity* expected) {
    if (expected && !(file.Identity() == *expected)) {
        throw EVaultChangedError(std::string(Str::sVaultChangedElsewhere));
    }
    if (gAfterSaveCheck) {
        gAfterSaveCheck();
    }
}

bool IsFormat2File(const TLockedFile& file) {
    std::uint8_t magic[VaultFormat2::kMagic.size()];
    if (file.Size() < sizeof magic) {
        return false;
    }
    file.ReadRange(0, magic, sizeof magic);
    return VaultFormat2::HasMagic(magic, sizeof magic);
}

}  // namespace VaultOperationsInternal

namespace {

// The password check, on the header alone; with wholeBlocks, a length that the load refuses
// is refused with the load's error.
bool CheckPassword(const std::string& path, const std::string& password, bool wholeBlocks,
                   TVaultCredentials* credentials) {
    const TLockedFile file = OpenVaultFile(path, TLockedFile::TAccess::Read);
    if (IsFormat2File(file)) {
        TVaultCredentials own;
        return VaultOperations2::CheckPassword(file, path, password, wholeBlocks,
                                               credentials ? *credentials : own);
    }
    const std::uint64_t size = file.Size();
    RefuseOversized(path, size);
    if (size < kHeaderSize) {
        return false;
    }
    if (wholeBlocks) {
        RefusePartialBlocks(static_cast<std::uint32_t>(size));
    }
    TFileStream source(file.Fd());
    TMemoryStream plain;
    std::string ansi;
    try {
        Cp1252FromVaultText(password, "master password", ansi);
    } catch (const EVaultTextError&) {
        return false;  // no format-101 vault has such a password
    }
    TScopedKey key{PasswordKey(ansi)};
    WipeString(ansi);
    AesDecryptStream(source, kHeaderSize, key.Key, plain);
    const TVaultHeader header = DecodeHeader(plain.Data());
    const bool opens = header.HeaderMagic == kMagic && header.Version == kVersion;
    if (opens && credentials) {
        credentials->KeepFormat101();
    }
    return opens;
}

TFileIdentity Create101(const std::string& path, const std::string& password) {
    TMemoryStream plain;
    plain.SetSize(kHeaderSize);
    EncodeHeader(FreshHeader(), plain.Data());
    TMemoryStream cipher;
    {
        TScopedKey key{KeyOfPassword(password)};
        AesEncryptStream(plain, 0, key.Key, cipher);
    }
    plain.Clear();
    // A new vault, owner-only whatever file it replaces.
    return WriteFileAtomically(path, cipher.Data(), cipher.Size(), TFileMode::OwnerOnly());
}

// The header and the counted slots are deciphered with the current key and enciphered with
// the new one chunk by chunk; only the header's password time changes. Whatever lay beyond
// the counted slots (a deleted record's remains, left by a writer that never shortened the
// file) is not carried into the new file.
TVaultReplacement ChangePassword101(const TLockedFile& file, const std::string& path,
                                    const std::string& currentPassword,
                                    const std::string& newPassword) {
    const TFileIdentity before = file.Identity();
    const std::uint32_t size = CheckedVaultSize(file, path);
    RefusePartialBlocks(size);
    const TScopedExpandedKey currentKey{DecryptionKeyOf(currentPassword)};
    const TScopedExpandedKey newKey{EncryptionKeyOf(newPassword)};
    TChunkBuffer chunk(size);
    TVaultHeader header = ReadProvenHeader(file, currentKey.Key, chunk.Data());
    const std::uint32_t end = kHeaderSize + CountedSlotsHeld(header, size) * kSlotSize;
    header.PasswordTime = NowAsDateTime();
    EncodeHeader(header, chunk.Data());
    TAtomicFileWriter writer(path, TFileMode::KeptFrom(file.Fd()));
    WriteEncrypted(chunk.Data(), kHeaderSize, newKey.Key, writer);
    for (std::uint32_t offset = kHeaderSize; offset < end;) {
        const std::uint32_t count = std::min(chunk.Size(), end - offset);
        ReadDecrypted(file, offset, chunk.Data(), count, currentKey.Key);
        ReleaseCachedRange(file, offset, count);
        WriteEncrypted(chunk.Data(), count, newKey.Key, writer);
        offset += count;
    }
    return {before, writer.Commit()};
}

// Only the header's plaintext is used, so only the header is deciphered to prove the
// password; a length that the whole-file decryption would refuse is refused the same way.
// The new file ends after the last slot written: nothing of a longer former content (a
// deleted record) outlives the save.
TFileIdentity Save101(const TLockedFile& file, const std::string& path, const std::string& password,
                      const TRecordTree& tree) {
    const std::uint32_t oldSize = CheckedVaultSize(file, path);
    const std::uint64_t newSize = kHeaderSize + std::uint64_t{kSlotSize} * tree.Count();
    RefuseOversized(path, newSize);
    RefusePartialBlocks(oldSize);
    TChunkBuffer chunk(newSize);
    TVaultHeader header;
    {
        const TScopedExpandedKey key{DecryptionKeyOf(password)};
        header = ReadProvenHeader(file, key.Key, chunk.Data());
    }
    header.RecordCount = static_cast<std::int32_t>(tree.Count());
    ReleaseCachedRange(file, 0, oldSize);
    const TScopedExpandedKey key{EncryptionKeyOf(password)};
    TAtomicFileWriter writer(path, TFileMode::KeptFrom(file.Fd()));
    WriteVault(tree, header, key.Key, chunk, writer);
    return writer.Commit();
}

}  // namespace

namespace VaultOperationsInternal {

TVaultHeader ReadVault101(const TLockedFile& file, const std::string& path,
                          const std::string& password, TRecordTree& tree) {
    const std::uint32_t size = CheckedVaultSize(file, path);
    RefusePartialBlocks(size);
    const TScopedExpandedKey key{DecryptionKeyOf(password)};
    TChunkBuffer chunk(size);
    return ReadVault(file, size, key.Key, chunk, tree);
}

TFileIdentity WriteVault101(const TLockedFile& file, const std::string& path, TVaultHeader header,
                            const TRecordTree& tree, const std::string& password) {
    const std::uint64_t newSize = kHeaderSize + std::uint64_t{kSlotSize} * tree.Count();
    RefuseOversized(path, newSize);
    TChunkBuffer chunk(newSize);
    header.RecordCount = static_cast<std::int32_t>(tree.Count());
    const TScopedExpandedKey key{EncryptionKeyOf(password)};
    TAtomicFileWriter writer(path, TFileMode::KeptFrom(file.Fd()));
    WriteVault(tree, header, key.Key, chunk, writer);
    return writer.Commit();
}

}  // namespace VaultOperationsInternal

bool VaultCheckPassword(const std::string& path, const std::string& password,
                        TVaultCredentials* credentials) {
    return CheckPassword(path, password, false, credentials);
}

bool VaultCheckLoadable(const std::string& path, const std::string& password,
                        TVaultCredentials* credentials) {
    return CheckPassword(path, password, true, credentials);
}

TFileIdentity VaultCreate(const std::string& path, const std::string& password, TVaultFormat format,
                          TVaultCredentials* credentials) {
    std::vector<std::string> madeFolders;
    try {
        EnsureVaultFolder(path, madeFolders);
        const TLockedFile existing = TLockedFile::OpenForReplacing(path);
        if (existing.IsOpen()) {
            RemoveLeftoverTemporaries(path);
        }
        TVaultCredentials own;
        TVaultCredentials& kept = credentials ? *credentials : own;
        if (format == TVaultFormat::Format2) {
            return VaultOperations2::Create(path, password, kept);
        }
        const TFileIdentity created = Create101(path, password);
        kept.KeepFormat101();
        return created;
    } catch (...) {
        RemoveFolders(madeFolders);
        throw;
    }
}

TVaultInfo VaultReadInfo(const std::string& path) {
    const TLockedFile file = OpenVaultFile(path, TLockedFile::TAccess::Read);
    TVaultInfo info;
    if (IsFormat2File(file)) {
        info.Format = TVaultFormat::Format2;
        info.Kdf = VaultOperations2::ReadKdf(file, path);
    }
    return info;
}

TVaultReplacement VaultChangePassword(const std::string& path, const std::string& currentPassword,
                                      const std::string& newPassword,
                                      TVaultCredentials* credentials) {
    const TLockedFile file = OpenVaultFile(path, TLockedFile::TAccess::ReadWrite);
    if (IsFormat2File(file)) {
        TVaultCredentials own;
        return VaultOperations2::ChangePassword(file, path, currentPassword, newPassword,
                                                credentials ? *credentials : own);
    }
    return ChangePassword101(file, path, currentPassword, newPassword);
}

// A failure part-way through the file leaves the tree empty, as one before it does.
TFileIdentity VaultLoad(const std::string& path, const std::string& password, TRecordTree& tree,
                        TVaultCredentials* credentials) {
    tree.Clear();
    const TLockedFile file = OpenVaultFile(path, TLockedFile::TAccess::Read);
    try {
        if (IsFormat2File(file)) {
            TVaultCredentials own;
            VaultOperations2::Load(file, path, password, tree, credentials ? *credentials : own);
        } else {
            const TVaultHeader header = ReadVault101(file, path, password, tree);
            if (credentials) {
                credentials->KeepFormat101();
                credentials->KeepValues({header.CreateTime, header.PasswordTime, {}});
            }
        }
    } catch (...) {
        tree.Clear();
        throw;
    }
    return file.Identity();
}

TFileIdentity VaultSave(const std::string& path, const std::string& password,
                        const TRecordTree& tree, const TFileIdentity* expected,
                        TVaultCredentials* credentials) {
    const TLockedFile file = OpenVaultFile(path, TLockedFile::TAccess::ReadWrite);
    RefuseChangedFile(file, expected);
    if (IsFormat2File(file)) {
        TVaultCredentials own;
        return VaultOperations2::Save(file, path, password, tree, credentials ? *credentials : own);
    }
    return Save101(file, path, password, tree);
}

namespace VaultOperationsTesting {

void SetAfterSaveCheck(std::function<void()> hook) {
    gAfterSaveCheck = std::move(hook);
}

}  // namespace VaultOperationsTesting
