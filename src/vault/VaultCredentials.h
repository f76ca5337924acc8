#pragma once

#include <optional>

#include "vault/VaultFormat2.h"
#include "vault/VaultKey.h"

enum class TVaultFormat {
    Format101,  // the original file: an ECB-enciphered header and 2048-byte slots
    Format2,    // docs/vault-format-2.md: Argon2id, XChaCha20-Poly1305, UTF-8
};

// What an open vault keeps between its operations so that a format-2 vault is derived once:
// the format, and for format 2 the header's key derivation parameters, salt and key check,
// the cipher key (in guarded memory) and the vault values of the plaintext. The key is
// reused only for a file whose salt, parameters and key check are still the ones it was
// derived for; any other file (its password changed elsewhere) is derived again. Format 101
// keeps nothing but its format.
class TVaultCredentials {
public:
    TVaultFormat Format() const { return FFormat; }
    // The parameters of the format-2 file last read or written (defaults for format 101).
    const TKdfParameters& Kdf() const { return FKdf; }
    bool HasKey() const { return FKey.has_value(); }
    // True when the key held was derived for this header.
    bool Fits(const VaultFormat2::THeader& header) const;
    const TVaultKey& Key() const { return *FKey; }
    // The vault values of the file the key fits, once its plaintext was read; of format 101,
    // the header's times as last loaded.
    const VaultFormat2::TVaultValues* Values() const { return FValues ? &*FValues : nullptr; }

    // Holds the key derived for header (format 2); values of another header are dropped.
    void Keep(const VaultFormat2::THeader& header, TVaultKey key);
    void KeepValues(VaultFormat2::TVaultValues values) { FValues = std::move(values); }
    // A format-101 file: nothing to keep.
    void KeepFormat101();
    // Drops the key (lock): the next operation derives it again from the password.
    void ForgetKey();

private:
    TVaultFormat FFormat = TVaultFormat::Format101;
    TKdfParameters FKdf;
    TVaultSalt FSalt{};
    TKeyCheck FKeyCheck{};
    std::optional<TVaultKey> FKey;
    std::optional<VaultFormat2::TVaultValues> FValues;
};
