#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/WipedBytes.h"
#include "vault/NodeData.h"
#include "vault/RecordTree.h"
#include "vault/VaultKey.h"

// Format 2 of the vault file (docs/vault-format-2.md has it byte by byte): a clear header
// that names the key derivation, its salt, the nonce, the key-check value and the compression,
// then the whole plaintext, zlib-compressed, sealed at once with XChaCha20-Poly1305, the header
// being the associated data.
// Text is UTF-8 with no field limit. All integers are little-endian.

namespace VaultFormat2 {

constexpr std::array<std::uint8_t, 8> kMagic = {0x89, 'C', 'F', 'X', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kVersion = 2;
constexpr std::uint32_t kHeaderSize = 112;
constexpr std::uint32_t kCipherXChaCha20Poly1305 = 1;
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionZlib = 1;  // what this program writes
constexpr std::size_t kNonceSize = 24;
constexpr std::size_t kTagSize = 16;

constexpr std::uint8_t kGroupEntry = 1;
constexpr std::uint8_t kRecordEntry = 2;

using TNonce = std::array<std::uint8_t, kNonceSize>;

struct THeader {
    TKdfParameters Kdf;
    TVaultSalt Salt{};
    std::uint32_t Cipher = kCipherXChaCha20Poly1305;
    TNonce Nonce{};
    TKeyCheck KeyCheck{};
    std::uint32_t Compression = kCompressionZlib;
};

// The vault-wide values that the plaintext carries before the entries. Reserved101 holds the
// reserved bytes of a format-101 header that was converted (empty for a vault made as
// format 2), so that converting back gives them back.
struct TVaultValues {
    TDateTime CreateTime = 0;
    TDateTime PasswordTime = 0;
    std::vector<std::uint8_t> Reserved101;
};

// "The database file "path" is damaged and cannot be opened: reason."
std::string DamagedVaultText(const std::string& path, const std::string& reason = {});

// True when the bytes (at least the magic's size) start with format 2's magic.
bool HasMagic(const std::uint8_t* data, std::size_t size);

std::array<std::uint8_t, kHeaderSize> EncodeHeader(const THeader& header);
// Throws EVaultDamagedError naming path for a header this program cannot read, before
// anything is derived or allocated: a wrong size, version, cipher, or key derivation
// parameters out of bounds.
THeader DecodeHeader(const std::uint8_t* data, std::size_t size, const std::string& path);

// The plaintext of a tree: the vault values, then one entry per node in pre-order.
TWipedBytes EncodePlaintext(const TVaultValues& values, const TRecordTree& tree);
// Fills an empty tree; throws EVaultDamagedError naming path when the plaintext is not one
// EncodePlaintext wrote (lengths out of the buffer, text that is not UTF-8, bytes left).
void DecodePlaintext(const std::uint8_t* data, std::size_t size, const std::string& path,
                     TVaultValues& values, TRecordTree& tree);

// The whole file: header, then the sealed plaintext and its tag.
std::vector<std::uint8_t> Seal(const THeader& header, const TVaultKey& key,
                               const TWipedBytes& plaintext);
// The plaintext of a whole file whose header decoded to header; throws EVaultDamagedError
// when the tag does not match (the file was changed), after the key check passed.
TWipedBytes Open(const std::uint8_t* file, std::size_t size, const THeader& header,
                 const TVaultKey& key, const std::string& path);

// A file opened with a master password: its header, the cipher key, the plaintext.
struct TOpenedFile {
    THeader Header;
    TVaultKey CipherKey;
    TWipedBytes Plaintext;
};

// The cipher key that password gives for header; throws EVaultPasswordError
// (sInvalidPassword) when the key check fails.
TVaultKey DeriveCheckedKey(const THeader& header, const std::string& password);

// Decodes the header, derives the key and opens the file. Throws EVaultPasswordError
// (sInvalidPassword) when the key check fails, EVaultDamagedError when the header or the
// sealed content is not right.
TOpenedFile OpenWithPassword(const std::uint8_t* file, std::size_t size,
                             const std::string& password, const std::string& path);

// A fresh random nonce.
TNonce NewNonce();

}  // namespace VaultFormat2
