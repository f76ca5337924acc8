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

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool SamePassword(const std::string& a, const std::string& b) {
    return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

// Each password's SipHash-2-4 under a key drawn for this call: a keyed hash meant for hash
// tables, thirty times faster on short texts than keyed BLAKE2b, and 64 bits is all a bucket
// needs. A collision only costs a comparison.
std::vector<THashed> KeyedHashes(const std::vector<const std::string*>& passwords) {
    if (sodium_init() < 0) {
        throw ECofferixError("the system's cryptographic library (libsodium) failed to start");
    }
    std::array<unsigned char, crypto_shorthash_KEYBYTES> key;
    randombytes_buf(key.data(), key.size());
    std::vector<THashed> hashed(passwords.size());
    std::array<unsigned char, crypto_shorthash_BYTES> digest;
    for (std::size_t i = 0; i < passwords.size(); ++i) {
        const std::string& password = *passwords[i];
        crypto_shorthash(digest.data(), reinterpret_cast<const unsigned char*>(password.data()),
                         password.size(), key.data());
        std::memcpy(&hashed[i].Hash, digest.data(), sizeof hashed[i].Hash);
        hashed[i].Index = i;
    }
    sodium_memzero(key.data(), key.size());
    sodium_memzero(digest.data(), digest.size());
    return hashed;
}

// For each password, the first password equal to it (itself for the first of its kind).
std::vector<std::size_t> FirstEqual(const std::vector<const std::string*>& passwords) {
    std::vector<THashed> hashed = KeyedHashes(passwords);
    std::sort(hashed.begin(), hashed.end(), [](const THashed& a, const THashed& b) {
        return a.Hash != b.Hash ? a.Hash < b.Hash : a.Index < b.Index;
    });
    std::vector<std::size_t> first(passwords.size(), kNone);
    for (std::size_t run = 0; run < hashed.size();) {
        std::size_t runEnd = run + 1;
        while (runEnd < hashed.size() && hashed[runEnd].Hash == hashed[run].Hash) {
            ++runEnd;
        }
        // One hash, nearly always one password: the run is split by real comparison, each
        // password joining the first earlier one it equals.
        for (std::size_t i = run; i < runEnd; ++i) {
            const std::size_t index = hashed[i].Index;
            for (std::size_t k = run; k < i && first[index] == kNone; ++k) {
                const std::size_t earlier = hashed[k].Index;
                if (first[earlier] == earlier &&
                    SamePassword(*passwords[earlier], *passwords[index])) {
                    first[index] = earlier;
                }
            }
            if (first[index] == kNone) {
                first[index] = index;
            }
        }
        run = runEnd;
    }
    return first;
}

}  // namespace

TPasswordClasses GroupEqualPasswords(const std::vector<const std::string*>& passwords) {
    const std::vector<std::size_t> first = FirstEqual(passwords);
    TPasswordClasses classes;
    classes.ClassOf.resize(passwords.size());
    std::vector<std::size_t> sizes;
    for (std::size_t i = 0; i < passwords.size(); ++i) {
        if (first[i] == i) {
            classes.ClassOf[i] = sizes.size();
            sizes.push_back(0);
        } else {
            classes.ClassOf[i] = classes.ClassOf[first[i]];
        }
        ++sizes[classes.ClassOf[i]];
    }
    classes.Starts.assign(sizes.size() + 1, 0);
    for (std::size_t c = 0; c < sizes.size(); ++c) {
        classes.Starts[c + 1] = classes.Starts[c] + sizes[c];
    }
    classes.Members.resize(passwords.size());
    std::vector<std::size_t> next(classes.Starts.begin(), classes.Starts.end() - 1);
    for (std::size_t i = 0; i < passwords.size(); ++i) {
        classes.Members[next[classes.ClassOf[i]]++] = i;
    }
    return classes;
}
