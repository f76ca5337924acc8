#include "health/PasswordSha1.h"

#include <openssl/evp.h>

#include <memory>

#include "base/CofferixError.h"

namespace {

struct TMdFree {
    void operator()(EVP_MD* md) const { EVP_MD_free(md); }
};

// Fetched once: an implicit fetch on every digest costs more than the digest of a password.
const EVP_MD* Sha1Method() {
    static const std::unique_ptr<EVP_MD, TMdFree> method(EVP_MD_fetch(nullptr, "SHA1", nullptr));
    if (!method) {
        throw ECofferixError("the system's cryptographic library offers no SHA-1");
    }
    return method.get();
}

}  // namespace

void PasswordSha1(std::string_view password, TSha1& digest) {
    unsigned int size = 0;
    // EVP_Digest's context is cleared when it is freed (the provider wipes its state).
    if (EVP_Digest(password.data(), password.size(), digest.data(), &size, Sha1Method(), nullptr) !=
            1 ||
        size != digest.size()) {
        throw ECofferixError("SHA-1 of a password failed in the system's cryptographic library");
    }
}

void Sha1ToHex(const std::uint8_t sha1[20], TSha1Hex& hex) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < 20; ++i) {
        hex[2 * i] = kDigits[sha1[i] >> 4];
        hex[2 * i + 1] = kDigits[sha1[i] & 0x0F];
    }
}
