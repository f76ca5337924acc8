#include "vault/VaultOperations.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "common/StringTable.h"
#include "vault/AtomicFile.h"
#include "vault/Clock.h"
#include "vault/CofferixError.h"
#include "vault/LockedFile.h"
#include "vault/StreamCodec.h"
#include "vault/VaultFormat.h"

using namespace VaultFormat;

namespace {

// Counts and sizes in the format and the codec are 32-bit; a file this large (or a content
// that would grow to it) is refused before any of them could wrap.
constexpr std::uint64_t kMaxVaultSize = std::uint64_t{1} << 31;
constexpr std::uint32_t kCipherBlockSize = 16;

// The cipher key of one operation, wiped however the operation ends. An aggregate, so the
// key is formed in place.
struct TScopedKey {
    AesKey256 Key;
    ~TScopedKey() { WipeBytes(Key.data(), Key.size()); }
};

std::string FormatWithPath(std::string_view pattern, const std::string& path) {
    std::string text(pattern);
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, path);
    }
    return text;
}

void RefuseOversized(const std::string& path, std::uint64_t size) {
    if (size >= kMaxVaultSize) {
        throw EVaultError("The database \"" + path +
                          "\" is too large: database files of 2 GiB or more are not supported.");
    }
}

// The size checks every reader of a vault makes; answers the file's size.
std::uint32_t CheckedVaultSize(const TLockedFile& file, const std::string& path) {
    const std::uint64_t size = file.Size();
    RefuseOversized(path, size);
    if (size < kHeaderSize) {
        throw EVaultError(std::string(Str::sInvalidDatabase) + "\r\n" + path);
    }
    return static_cast<std::uint32_t>(size);
}

TVaultHeader HeaderWithVaultMagic(const TMemoryStream& plain) {
    TVaultHeader header = DecodeHeader(plain.Data());
    if (header.HeaderMagic != kMagic) {
        throw EVaultError(std::string(Str::sInvalidPassword));
    }
    return header;
}

// Decrypts count bytes of source (0: all of it) into plain and answers the header; a wrong
// key shows as a header without the vault magic.
TVaultHeader DecryptVault(TStream& source, std::uint32_t count, const std::string& password,
                          TMemoryStream& plain) {
    TScopedKey key{PasswordKey(password)};
    plain.Reserve(count == 0 ? source.Size() : count);
    AesDecryptStream(source, count, key.Key, plain);
    return HeaderWithVaultMagic(plain);
}

// Encrypts all of plain over the start of cipher, which holds the file as it was: what
// lies beyond the new end stays, as an in-place write would leave it.
void EncryptOverFile(TMemoryStream& plain, const std::string& password, TMemoryStream& cipher) {
    TScopedKey key{PasswordKey(password)};
    cipher.Seek(0);
    AesEncryptStream(plain, 0, key.Key, cipher);
}

// The bytes a save leaves in a file of oldSize: the new ciphertext, then the file's former
// bytes beyond its end.
void EncryptWithRemains(TMemoryStream& plain, const std::string& password, const TLockedFile& file,
                        std::uint32_t oldSize, TMemoryStream& cipher) {
    const std::uint32_t newSize = plain.Size();
    cipher.Reserve(std::max(newSize, oldSize));
    EncryptOverFile(plain, password, cipher);
    if (oldSize > newSize) {
        cipher.SetSize(oldSize);
        file.ReadRange(newSize, cipher.Data() + newSize, oldSize - newSize);
    }
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Creates folder with all missing parents, owner-only since it holds the vault.
void CreateFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!IsFolder(part)) {
            ::mkdir(part.c_str(), S_IRWXU);
        }
    }
    if (!IsFolder(folder)) {
        ::mkdir(folder.c_str(), S_IRWXU);
    }
}

// The folder part of path, up to and including its last separator, must exist.
void EnsureVaultFolder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return;
    }
    const std::string folder = path.substr(0, slash + 1);
    if (!IsFolder(folder)) {
        CreateFolders(folder);
    }
    if (!IsFolder(folder)) {
        throw EVaultError(FormatWithPath(Str::sCreateFolderFailed, folder));
    }
}

PNode AddLoadedGroup(TRecordTree& tree, std::string title) {
    PNode group = tree.AddChild(nullptr);
    group->Data.Guid = CreateGuid();
    group->Data.Title = std::move(title);
    group->Data.IsGroup = true;
    group->Data.ImageIndex = kGroupImageIndex;
    return group;
}

// Rebuilds the tree from the counted slots: each record under the nearest group slot before
// it, or under a "Default Group" made for records that come before any group.
void ReadSlots(const TMemoryStream& plain, std::int32_t recordCount, TRecordTree& tree) {
    PNode group = nullptr;
    for (std::int32_t i = 0; i < recordCount; ++i) {
        const std::uint64_t offset = kHeaderSize + std::uint64_t{kSlotSize} * i;
        if (offset + kSlotSize > plain.Size()) {
            return;
        }
        const std::uint8_t* slot = plain.Data() + offset;
        const TSlotInfo info = DecodeSlotInfo(slot);
        if (info.SlotMagic != kMagic) {
            continue;
        }
        if (info.GroupFlag != 0) {
            group = AddLoadedGroup(tree, ReadTextField(slot + kTitleOffset, kTitleSize));
            continue;
        }
        if (!group) {
            group = AddLoadedGroup(tree, std::string(Str::sDefaultGroup));
        }
        PNode record = tree.AddChild(group);
        DecodeSlotFields(slot, record->Data);
        record->Data.IsGroup = false;
        record->Data.ImageIndex = kRecordImageIndex;
    }
}

// Header and one slot per node in pre-order; the header's record count is the number of
// slots written.
void WriteSlots(const TRecordTree& tree, TVaultHeader& header, TMemoryStream& plain) {
    plain.Clear();
    plain.Reserve(
        static_cast<std::uint32_t>(kHeaderSize + std::uint64_t{kSlotSize} * tree.Count()));
    plain.SetSize(kHeaderSize);
    plain.Seek(kHeaderSize);
    header.RecordCount = 0;
    std::array<std::uint8_t, kSlotSize> slot;
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        EncodeSlot(node->Data, header.RecordCount, slot.data());
        if (plain.Write(slot.data(), kSlotSize) < kSlotSize) {
            break;
        }
        ++header.RecordCount;
    }
    WipeBytes(slot.data(), slot.size());
    EncodeHeader(header, plain.Data());
}

}  // namespace

bool VaultCheckPassword(const std::string& path, const std::string& password) {
    const TLockedFile file = TLockedFile::Open(path, TLockedFile::TAccess::Read);
    const std::uint64_t size = file.Size();
    RefuseOversized(path, size);
    if (size < kHeaderSize) {
        return false;
    }
    TFileStream source(file.Fd());
    TMemoryStream plain;
    TScopedKey key{PasswordKey(password)};
    AesDecryptStream(source, kHeaderSize, key.Key, plain);
    const TVaultHeader header = DecodeHeader(plain.Data());
    return header.HeaderMagic == kMagic && header.Version == kVersion;
}

void VaultCreate(const std::string& path, const std::string& password) {
    TMemoryStream plain;
    plain.SetSize(kHeaderSize);
    EncodeHeader(FreshHeader(), plain.Data());
    TMemoryStream cipher;
    {
        TScopedKey key{PasswordKey(password)};
        AesEncryptStream(plain, 0, key.Key, cipher);
    }
    plain.Clear();
    EnsureVaultFolder(path);
    const TLockedFile existing = TLockedFile::OpenForReplacing(path);
    WriteFileAtomically(path, cipher.Data(), cipher.Size(), TFileModePolicy::KeepExisting);
}

void VaultChangePassword(const std::string& path, const std::string& currentPassword,
                         const std::string& newPassword) {
    const TLockedFile file = TLockedFile::Open(path, TLockedFile::TAccess::ReadWrite);
    CheckedVaultSize(file, path);
    TMemoryStream cipher;
    file.ReadAll(cipher);
    TMemoryStream plain;
    TVaultHeader header = DecryptVault(cipher, 0, currentPassword, plain);
    header.PasswordTime = NowAsDateTime();
    EncodeHeader(header, plain.Data());
    EncryptOverFile(plain, newPassword, cipher);
    WriteFileAtomically(path, cipher.Data(), cipher.Size(), TFileModePolicy::KeepExisting);
}

void VaultLoad(const std::string& path, const std::string& password, TRecordTree& tree) {
    tree.Clear();
    const TLockedFile file = TLockedFile::Open(path, TLockedFile::TAccess::Read);
    CheckedVaultSize(file, path);
    TFileStream source(file.Fd());
    TMemoryStream plain;
    const TVaultHeader header = DecryptVault(source, 0, password, plain);
    if (header.RecordCount > 0) {
        ReadSlots(plain, header.RecordCount, tree);
    }
}

// Only the header's plaintext is used, so only the header is deciphered to prove the
// password; a length that the whole-file decryption would refuse is refused the same way.
void VaultSave(const std::string& path, const std::string& password, const TRecordTree& tree) {
    const TLockedFile file = TLockedFile::Open(path, TLockedFile::TAccess::ReadWrite);
    const std::uint32_t oldSize = CheckedVaultSize(file, path);
    RefuseOversized(path, kHeaderSize + std::uint64_t{kSlotSize} * tree.Count());
    if (oldSize % kCipherBlockSize != 0) {
        throw EAESError("Invalid buffer size for decryption");
    }
    TFileStream source(file.Fd());
    TMemoryStream plain;
    TVaultHeader header = DecryptVault(source, kHeaderSize, password, plain);
    WriteSlots(tree, header, plain);
    TMemoryStream cipher;
    EncryptWithRemains(plain, password, file, oldSize, cipher);
    plain.Clear();
    WriteFileAtomically(path, cipher.Data(), cipher.Size(), TFileModePolicy::KeepExisting);
}
