#include "vault/VaultCredentials.h"

#include <sodium.h>

bool TVaultCredentials::Fits(const VaultFormat2::THeader& header) const {
    return FKey && FFormat == TVaultFormat::Format2 && header.Kdf == FKdf && header.Salt == FSalt &&
           sodium_memcmp(header.KeyCheck.data(), FKeyCheck.data(), FKeyCheck.size()) == 0;
}

void TVaultCredentials::Keep(const VaultFormat2::THeader& header, TVaultKey key) {
    if (FFormat != TVaultFormat::Format2 || !(header.Kdf == FKdf) || header.Salt != FSalt ||
        header.KeyCheck != FKeyCheck) {
        FValues.reset();
    }
    FFormat = TVaultFormat::Format2;
    FKdf = header.Kdf;
    FSalt = header.Salt;
    FKeyCheck = header.KeyCheck;
    FKey = std::move(key);
}

void TVaultCredentials::KeepFormat101() {
    ForgetKey();
    FFormat = TVaultFormat::Format101;
    FKdf = TKdfParameters{};
    FSalt = {};
    FKeyCheck = {};
}

void TVaultCredentials::ForgetKey() {
    FKey.reset();
    FValues.reset();
}
