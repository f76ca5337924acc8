#include "health/EqualPasswords.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "base/CofferixError.h"

namespace {

struct THashed {
    std::uint64_t Hash = 0;
    std::size_t Index = 0;
};

bool SamePassword(const std::string& a, const std::string& b) {
    return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

// The first 64 bits of each password's keyed BLAKE2b: a collision only costs a comparison.
std::vector<THashed> KeyedHashes(const std::vector<const std::string*>& passwords) {
    if (sodium_init() < 0) {
        throw ECofferixError("the system's cryptographic library (libsodium) failed to start");
    }
    std::array<unsigned char, crypto_generichash_KEYBYTES> key;
    randombytes_buf(key.data(), key.size());
    std::vector<THashed> hashed(passwords.size());
    std::array<unsigned char, crypto_generichash_BYTES_MIN> digest;
    for (std::size_t i = 0; i < passwords.size(); ++i) {
        const std::string& password = *passwords[i];
        crypto_generichash(digest.data(), digest.size(),
                           reinterpret_cast<const unsigned char*>(password.data()), password.size(),
                           key.data(), key.size());
        std::memcpy(&hashed[i].Hash, digest.data(), sizeof hashed[i].Hash);
        hashed[i].Index = i;
    }
    sodium_memzero(key.data(), key.size());
    sodium_memzero(digest.data(), digest.size());
    return hashed;
}

}  // namespace

std::vector<std::vector<std::size_t>> GroupEqualPasswords(
    const std::vector<const std::string*>& passwords) {
    std::vector<THashed> hashed = KeyedHashes(passwords);
    std::sort(hashed.begin(), hashed.end(), [](const THashed& a, const THashed& b) {
        return a.Hash != b.Hash ? a.Hash < b.Hash : a.Index < b.Index;
    });
    std::vector<std::vector<std::size_t>> classes;
    for (std::size_t run = 0; run < hashed.size();) {
        std::size_t runEnd = run + 1;
        while (runEnd < hashed.size() && hashed[runEnd].Hash == hashed[run].Hash) {
            ++runEnd;
        }
        // One hash, usually one password: split the run by real comparison.
        const std::size_t firstClass = classes.size();
        for (std::size_t i = run; i < runEnd; ++i) {
            const std::size_t index = hashed[i].Index;
            auto same =
                std::find_if(classes.begin() + static_cast<std::ptrdiff_t>(firstClass),
                             classes.end(), [&](const auto& known) {
                                 return SamePassword(*passwords[known.front()], *passwords[index]);
                             });
            if (same == classes.end()) {
                classes.push_back({index});
            } else {
                same->push_back(index);
            }
        }
        run = runEnd;
    }
    std::sort(classes.begin(), classes.end(),
              [](const auto& a, const auto& b) { return a.front() < b.front(); });
    return classes;
}
