#include "vault/VaultFormat2.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/Cp1252.h"
#include "base/StringTable.h"
#include "vault/CofferixError.h"
#include "vault/SecretZlib.h"
#include "vault/VaultFormat.h"

namespace VaultFormat2 {

namespace {

// Header offsets.
constexpr std::size_t kVersionOffset = 8;
constexpr std::size_t kHeaderSizeOffset = 12;
constexpr std::size_t kKdfOffset = 16;
constexpr std::size_t kMemoryOffset = 20;
constexpr std::size_t kIterationsOffset = 24;
constexpr std::size_t kParallelismOffset = 28;
constexpr std::size_t kSaltOffset = 32;
constexpr std::size_t kCipherOffset = 48;
constexpr std::size_t kNonceOffset = 52;
constexpr std::size_t kKeyCheckOffset = 76;
constexpr std::size_t kCompressionOffset = 108;
static_assert(kCompressionOffset + 4 == kHeaderSize);

// Plaintext sizes.
constexpr std::size_t kLengthSize = 4;
constexpr std::size_t kTimeSize = 8;
constexpr std::size_t kTextCount = 5;
constexpr std::size_t kEntryFixedSize =
    1 + 16 + kTextCount * kLengthSize + 4 * kTimeSize + std::tuple_size_v<TSpareValue>;
constexpr std::size_t kValuesFixedSize = 2 * kTimeSize + kLengthSize + 4;

[[noreturn]] void Damaged(const std::string& path, const std::string& reason = {}) {
    throw EVaultDamagedError(DamagedVaultText(path, reason));
}

// Appends fields to a buffer whose size was counted beforehand.
class TWriter {
public:
    explicit TWriter(TWipedBytes& out) : FOut(out) {}
    void Bytes(const void* data, std::size_t size) {
        if (size) {
            std::memcpy(FOut.Data() + FPos, data, size);
        }
        FPos += size;
    }
    void Uint8(std::uint8_t value) { Bytes(&value, 1); }
    void Uint32(std::uint32_t value) {
        std::uint8_t bytes[4];
        VaultFormat::WriteUint32(bytes, value);
        Bytes(bytes, 4);
    }
    void Time(TDateTime value) {
        std::uint8_t bytes[kTimeSize];
        VaultFormat::WriteDateTime(bytes, value);
        Bytes(bytes, kTimeSize);
    }
    void Text(const std::string& text) {
        Uint32(static_cast<std::uint32_t>(text.size()));
        Bytes(text.data(), text.size());
    }
    std::size_t Position() const { return FPos; }

private:
    TWipedBytes& FOut;
    std::size_t FPos = 0;
};

// Reads fields, refusing any that would run past the end.
class TReader {
public:
    TReader(const std::uint8_t* data, std::size_t size, const std::string& path)
        : FData(data), FSize(size), FPath(path) {}
    const std::uint8_t* Take(std::size_t size) {
        if (size > FSize - FPos) {
            Damaged(FPath, "its content ends too early");
        }
        const std::uint8_t* at = FData + FPos;
        FPos += size;
        return at;
    }
    std::uint8_t Uint8() { return *Take(1); }
    std::uint32_t Uint32() { return VaultFormat::ReadUint32(Take(4)); }
    TDateTime Time() { return VaultFormat::ReadDateTime(Take(kTimeSize)); }
    void Text(std::string& text) {
        const std::uint32_t length = Uint32();
        const auto* bytes = reinterpret_cast<const char*>(Take(length));
        text.assign(bytes, length);
        if (!IsValidUtf8(text)) {
            Damaged(FPath, "a text is not UTF-8");
        }
    }
    std::size_t Left() const { return FSize - FPos; }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
    const std::string& FPath;
    std::size_t FPos = 0;
};

std::size_t EntrySize(const TNodeData& data) {
    return kEntryFixedSize + data.Title.size() + data.UserName.size() + data.Password.size() +
           data.Url.size() + data.Notes.size();
}

void WriteEntry(TWriter& out, const TNodeData& data) {
    out.Uint8(data.IsGroup ? kGroupEntry : kRecordEntry);
    out.Bytes(data.Guid.Bytes.data(), data.Guid.Bytes.size());
    for (const std::string* text :
         {&data.Title, &data.UserName, &data.Password, &data.Url, &data.Notes}) {
        out.Text(*text);
    }
    for (const TDateTime time :
         {data.AddedTime, data.AddedTime2, data.ModifiedTime, data.PasswordChangedTime}) {
        out.Time(time);
    }
    out.Bytes(data.SpareValue.data(), data.SpareValue.size());
}

void ReadEntry(TReader& in, std::uint8_t kind, TNodeData& data) {
    std::memcpy(data.Guid.Bytes.data(), in.Take(data.Guid.Bytes.size()), data.Guid.Bytes.size());
    for (std::string* text :
         {&data.Title, &data.UserName, &data.Password, &data.Url, &data.Notes}) {
        in.Text(*text);
    }
    for (TDateTime* time :
         {&data.AddedTime, &data.AddedTime2, &data.ModifiedTime, &data.PasswordChangedTime}) {
        *time = in.Time();
    }
    std::memcpy(data.SpareValue.data(), in.Take(data.SpareValue.size()), data.SpareValue.size());
    data.IsGroup = kind == kGroupEntry;
    data.ImageIndex = data.IsGroup ? kGroupImageIndex : kRecordImageIndex;
}

}  // namespace

std::string DamagedVaultText(const std::string& path, const std::string& reason) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely on replace() and on
    // "literal" + std::string.
    const std::string_view pattern = Str::sVaultDamaged;
    const std::size_t at = pattern.find("%s");
    std::string text(pattern.substr(0, at));
    text.append(path).append(pattern.substr(at + 2));
    if (!reason.empty()) {
        text.append(": ").append(reason);
    }
    text.append(".");
    return text;
}

bool HasMagic(const std::uint8_t* data, std::size_t size) {
    return size >= kMagic.size() && std::equal(kMagic.begin(), kMagic.end(), data);
}

std::array<std::uint8_t, kHeaderSize> EncodeHeader(const THeader& header) {
    std::array<std::uint8_t, kHeaderSize> out{};
    std::copy(kMagic.begin(), kMagic.end(), out.begin());
    VaultFormat::WriteUint32(&out[kVersionOffset], kVersion);
    VaultFormat::WriteUint32(&out[kHeaderSizeOffset], kHeaderSize);
    VaultFormat::WriteUint32(&out[kKdfOffset], header.Kdf.Algorithm);
    VaultFormat::WriteUint32(&out[kMemoryOffset], header.Kdf.MemoryKiB);
    VaultFormat::WriteUint32(&out[kIterationsOffset], header.Kdf.Iterations);
    VaultFormat::WriteUint32(&out[kParallelismOffset], header.Kdf.Parallelism);
    std::copy(header.Salt.begin(), header.Salt.end(), &out[kSaltOffset]);
    VaultFormat::WriteUint32(&out[kCipherOffset], header.Cipher);
    std::copy(header.Nonce.begin(), header.Nonce.end(), &out[kNonceOffset]);
    std::copy(header.KeyCheck.begin(), header.KeyCheck.end(), &out[kKeyCheckOffset]);
    VaultFormat::WriteUint32(&out[kCompressionOffset], header.Compression);
    return out;
}

THeader DecodeHeader(const std::uint8_t* data, std::size_t size, const std::string& path) {
    if (size < kHeaderSize + kTagSize || !HasMagic(data, size)) {
        Damaged(path, "it is too short");
    }
    if (VaultFormat::ReadUint32(data + kVersionOffset) != kVersion ||
        VaultFormat::ReadUint32(data + kHeaderSizeOffset) != kHeaderSize ||
        VaultFormat::ReadUint32(data + kCompressionOffset) > kCompressionZlib) {
        Damaged(path, "it was written by a newer version of the program, or changed");
    }
    THeader header;
    header.Kdf.Algorithm = VaultFormat::ReadUint32(data + kKdfOffset);
    header.Kdf.MemoryKiB = VaultFormat::ReadUint32(data + kMemoryOffset);
    header.Kdf.Iterations = VaultFormat::ReadUint32(data + kIterationsOffset);
    header.Kdf.Parallelism = VaultFormat::ReadUint32(data + kParallelismOffset);
    if (const std::string problem = KdfParametersProblem(header.Kdf); !problem.empty()) {
        Damaged(path, problem);
    }
    header.Compression = VaultFormat::ReadUint32(data + kCompressionOffset);
    header.Cipher = VaultFormat::ReadUint32(data + kCipherOffset);
    if (header.Cipher != kCipherXChaCha20Poly1305) {
        Damaged(path, "it names a cipher this program does not know");
    }
    std::copy_n(data + kSaltOffset, header.Salt.size(), header.Salt.begin());
    std::copy_n(data + kNonceOffset, header.Nonce.size(), header.Nonce.begin());
    std::copy_n(data + kKeyCheckOffset, header.KeyCheck.size(), header.KeyCheck.begin());
    return header;
}

TWipedBytes EncodePlaintext(const TVaultValues& values, const TRecordTree& tree) {
    std::size_t size = kValuesFixedSize + values.Reserved101.size();
    std::uint32_t count = 0;
    tree.ForEach([&](TRecordTree::TNode& node) {
        size += EntrySize(node.Data);
        ++count;
    });
    TWipedBytes plaintext(size);
    TWriter out(plaintext);
    out.Time(values.CreateTime);
    out.Time(values.PasswordTime);
    out.Uint32(static_cast<std::uint32_t>(values.Reserved101.size()));
    out.Bytes(values.Reserved101.data(), values.Reserved101.size());
    out.Uint32(count);
    tree.ForEach([&](TRecordTree::TNode& node) { WriteEntry(out, node.Data); });
    return plaintext;
}

void DecodePlaintext(const std::uint8_t* data, std::size_t size, const std::string& path,
                     TVaultValues& values, TRecordTree& tree) {
    TReader in(data, size, path);
    values.CreateTime = in.Time();
    values.PasswordTime = in.Time();
    const std::uint32_t reservedSize = in.Uint32();
    const std::uint8_t* reserved = in.Take(reservedSize);
    values.Reserved101.assign(reserved, reserved + reservedSize);
    const std::uint32_t count = in.Uint32();
    if (count > in.Left() / kEntryFixedSize) {
        Damaged(path, "it counts more entries than it holds");
    }
    PNode group = nullptr;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t kind = in.Uint8();
        if (kind != kGroupEntry && kind != kRecordEntry) {
            Damaged(path, "an entry is neither a group nor a record");
        }
        if (kind == kRecordEntry && !group) {
            Damaged(path, "a record comes before any group");
        }
        PNode node = tree.AddChild(kind == kGroupEntry ? nullptr : group);
        ReadEntry(in, kind, node->Data);
        if (kind == kGroupEntry) {
            group = node;
        }
    }
    if (in.Left() != 0) {
        Damaged(path, "bytes follow its last entry");
    }
}

TNonce NewNonce() {
    TNonce nonce;
    randombytes_buf(nonce.data(), nonce.size());
    return nonce;
}

std::vector<std::uint8_t> Seal(const THeader& header, const TVaultKey& key,
                               const TWipedBytes& plaintext) {
    const TWipedBytes packed = header.Compression == kCompressionZlib
                                   ? CompressSecret(plaintext.Data(), plaintext.Size())
                                   : TWipedBytes();
    const TWipedBytes& message = header.Compression == kCompressionZlib ? packed : plaintext;
    const auto clearHeader = EncodeHeader(header);
    std::vector<std::uint8_t> file(kHeaderSize + message.Size() + kTagSize);
    std::copy(clearHeader.begin(), clearHeader.end(), file.begin());
    unsigned long long sealedSize = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(
        file.data() + kHeaderSize, &sealedSize, message.Data(), message.Size(), clearHeader.data(),
        clearHeader.size(), nullptr, header.Nonce.data(), key.Data());
    return file;
}

TWipedBytes Open(const std::uint8_t* file, std::size_t size, const THeader& header,
                 const TVaultKey& key, const std::string& path) {
    if (size < kHeaderSize + kTagSize) {
        Damaged(path, "it is too short");
    }
    TWipedBytes plaintext(size - kHeaderSize - kTagSize);
    unsigned long long openedSize = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            plaintext.Data(), &openedSize, nullptr, file + kHeaderSize, size - kHeaderSize, file,
            kHeaderSize, header.Nonce.data(), key.Data()) != 0) {
        Damaged(path, "its content was changed or cut");
    }
    if (header.Compression == kCompressionZlib) {
        return DecompressSecret(plaintext.Data(), plaintext.Size(), path);
    }
    return plaintext;
}

TVaultKey DeriveCheckedKey(const THeader& header, const std::string& password) {
    TDerivedKeys keys = DeriveVaultKeys(password, header.Salt, header.Kdf);
    if (sodium_memcmp(keys.KeyCheck.data(), header.KeyCheck.data(), keys.KeyCheck.size()) != 0) {
        throw EVaultPasswordError(std::string(Str::sInvalidPassword));
    }
    return std::move(keys.CipherKey);
}

TOpenedFile OpenWithPassword(const std::uint8_t* file, std::size_t size,
                             const std::string& password, const std::string& path) {
    const THeader header = DecodeHeader(file, size, path);
    TVaultKey key = DeriveCheckedKey(header, password);
    TWipedBytes plaintext = Open(file, size, header, key, path);
    return {header, std::move(key), std::move(plaintext)};
}

}  // namespace VaultFormat2
