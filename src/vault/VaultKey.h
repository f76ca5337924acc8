#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The key of a format-2 vault and how a master password becomes it: Argon2id (libsodium's
// crypto_pwhash) turns the password and the file's salt into a root key; two keyed BLAKE2b
// hashes of fixed labels turn the root key into the cipher key and the key-check value that
// the file's header carries. The check tells a wrong password from a damaged file, and costs
// a guesser the whole derivation.

namespace VaultKdf {

constexpr std::uint32_t kArgon2id13 = 1;
constexpr std::size_t kSaltSize = 16;
constexpr std::size_t kKeySize = 32;
constexpr std::size_t kKeyCheckSize = 32;

constexpr std::uint32_t kDefaultMemoryKiB = 64 * 1024;
// Bounds a file's parameters must keep; anything else is refused before any allocation, so
// a hostile header can neither exhaust memory nor make the program hang.
constexpr std::uint32_t kMinMemoryKiB = 8 * 1024;
constexpr std::uint32_t kMaxMemoryKiB = 1024 * 1024;
constexpr std::uint32_t kMinIterations = 3;
constexpr std::uint32_t kMaxIterations = 100;
constexpr std::uint32_t kParallelism = 1;  // the only lane count libsodium computes

}  // namespace VaultKdf

using TVaultSalt = std::array<std::uint8_t, VaultKdf::kSaltSize>;
using TKeyCheck = std::array<std::uint8_t, VaultKdf::kKeyCheckSize>;

struct TKdfParameters {
    std::uint32_t Algorithm = VaultKdf::kArgon2id13;
    std::uint32_t MemoryKiB = VaultKdf::kDefaultMemoryKiB;
    std::uint32_t Iterations = VaultKdf::kMinIterations;
    std::uint32_t Parallelism = VaultKdf::kParallelism;
    friend bool operator==(const TKdfParameters&, const TKdfParameters&) = default;
};

// Why the parameters are not ones this program derives with; empty when they are.
std::string KdfParametersProblem(const TKdfParameters& parameters);

// 32 bytes in libsodium's guarded memory: locked out of swap, wiped when freed.
class TVaultKey {
public:
    TVaultKey();
    ~TVaultKey();
    TVaultKey(TVaultKey&& other) noexcept;
    TVaultKey& operator=(TVaultKey&& other) noexcept;
    TVaultKey(const TVaultKey&) = delete;
    TVaultKey& operator=(const TVaultKey&) = delete;

    std::uint8_t* Data() { return FBytes; }
    const std::uint8_t* Data() const { return FBytes; }

private:
    std::uint8_t* FBytes = nullptr;
};

struct TDerivedKeys {
    TVaultKey CipherKey;
    TKeyCheck KeyCheck{};
};

// One full derivation; throws EVaultError when the parameters are out of bounds or memory
// runs out.
TDerivedKeys DeriveVaultKeys(const std::string& password, const TVaultSalt& salt,
                             const TKdfParameters& parameters);

// A fresh random salt.
TVaultSalt NewVaultSalt();

// The parameters for a new file or a new master password: the default memory, and as many
// iterations (never fewer than the minimum) as make one derivation take about a second here.
// Measured once per process.
TKdfParameters CalibratedKdfParameters();

namespace VaultKdfTesting {

// Makes CalibratedKdfParameters answer parameters without measuring; nullopt measures again.
// Keeps tests fast.
void SetCalibratedParameters(std::optional<TKdfParameters> parameters);

// How many derivations this process made: lets a test prove that an operation derived none.
std::uint64_t DerivationCount();

}  // namespace VaultKdfTesting
