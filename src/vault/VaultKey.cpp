#include "vault/VaultKey.h"

#include <sodium.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <new>
#include <utility>

#include "base/Wipe.h"
#include "vault/CofferixError.h"

namespace {

using namespace VaultKdf;

constexpr std::string_view kCipherKeyLabel = "Cofferix vault 2 cipher key";
constexpr std::string_view kKeyCheckLabel = "Cofferix vault 2 key check";
constexpr double kTargetSeconds = 1.0;

void EnsureSodium() {
    static const int ready = sodium_init();
    if (ready < 0) {
        throw EVaultError("The cryptography library cannot start.");
    }
}

void LabelHash(std::uint8_t* out, std::string_view label, const std::uint8_t* rootKey) {
    crypto_generichash(out, 32, reinterpret_cast<const unsigned char*>(label.data()), label.size(),
                       rootKey, kKeySize);
}

std::atomic<std::uint64_t> gDerivations{0};
std::mutex gCalibrationMutex;
std::optional<TKdfParameters> gCalibrated;

TKdfParameters MeasureIterations() {
    TKdfParameters parameters;
    const TVaultSalt salt = NewVaultSalt();
    const auto start = std::chrono::steady_clock::now();
    DeriveVaultKeys("calibration", salt, parameters);
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    const double perIteration = spent.count() / kMinIterations;
    if (perIteration > 0) {
        const double wanted = std::round(kTargetSeconds / perIteration);
        parameters.Iterations = static_cast<std::uint32_t>(
            std::clamp(wanted, double{kMinIterations}, double{kMaxIterations}));
    }
    return parameters;
}

}  // namespace

std::string KdfParametersProblem(const TKdfParameters& parameters) {
    if (parameters.Algorithm != kArgon2id13) {
        return "it names a key derivation this program does not know";
    }
    if (parameters.MemoryKiB > kMaxMemoryKiB) {
        return "it asks for " + std::to_string(parameters.MemoryKiB / 1024) +
               " MiB of memory, more than the " + std::to_string(kMaxMemoryKiB / 1024) +
               " MiB allowed";
    }
    if (parameters.MemoryKiB < kMinMemoryKiB) {
        return "its key derivation memory is below the " + std::to_string(kMinMemoryKiB / 1024) +
               " MiB allowed";
    }
    if (parameters.Iterations < kMinIterations || parameters.Iterations > kMaxIterations) {
        return "its key derivation iterations are outside " + std::to_string(kMinIterations) +
               " to " + std::to_string(kMaxIterations);
    }
    if (parameters.Parallelism != kParallelism) {
        return "its key derivation parallelism is not 1";
    }
    return {};
}

TVaultKey::TVaultKey() {
    EnsureSodium();
    FBytes = static_cast<std::uint8_t*>(sodium_malloc(kKeySize));
    if (!FBytes) {
        throw std::bad_alloc();
    }
    sodium_memzero(FBytes, kKeySize);
}

TVaultKey::~TVaultKey() {
    sodium_free(FBytes);  // wipes first; null is allowed
}

TVaultKey::TVaultKey(TVaultKey&& other) noexcept : FBytes(std::exchange(other.FBytes, nullptr)) {}

TVaultKey& TVaultKey::operator=(TVaultKey&& other) noexcept {
    if (this != &other) {
        sodium_free(FBytes);
        FBytes = std::exchange(other.FBytes, nullptr);
    }
    return *this;
}

TDerivedKeys DeriveVaultKeys(const std::string& password, const TVaultSalt& salt,
                             const TKdfParameters& parameters) {
    if (!KdfParametersProblem(parameters).empty()) {
        throw EVaultError("The key derivation settings are out of bounds.");
    }
    TVaultKey rootKey;
    ++gDerivations;
    if (crypto_pwhash(rootKey.Data(), kKeySize, password.data(), password.size(), salt.data(),
                      parameters.Iterations, std::size_t{parameters.MemoryKiB} * 1024,
                      crypto_pwhash_ALG_ARGON2ID13) != 0) {
        throw EVaultError("Not enough memory to derive the database key.");
    }
    TDerivedKeys keys;
    LabelHash(keys.CipherKey.Data(), kCipherKeyLabel, rootKey.Data());
    LabelHash(keys.KeyCheck.data(), kKeyCheckLabel, rootKey.Data());
    return keys;
}

TVaultSalt NewVaultSalt() {
    EnsureSodium();
    TVaultSalt salt;
    randombytes_buf(salt.data(), salt.size());
    return salt;
}

TKdfParameters CalibratedKdfParameters() {
    const std::lock_guard lock(gCalibrationMutex);
    if (!gCalibrated) {
        gCalibrated = MeasureIterations();
    }
    return *gCalibrated;
}

namespace VaultKdfTesting {

void SetCalibratedParameters(std::optional<TKdfParameters> parameters) {
    const std::lock_guard lock(gCalibrationMutex);
    gCalibrated = parameters;
}

std::uint64_t DerivationCount() {
    return gDerivations;
}

}  // namespace VaultKdfTesting
