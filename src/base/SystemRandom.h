#pragma once

#include <cstddef>
#include <cstdint>

// Random choices that protect a secret (generated passwords) come from the operating
// system's cryptographic generator: a clock-seeded state lets anyone who sees one result find
// the others.
namespace SystemRandom {

// Fills bytes from the system's generator. Throws ECofferixError when it is not available.
void Fill(std::uint8_t* bytes, std::size_t size);

// A value below n (n >= 1), each equally likely. The bytes are fetched in blocks, so that
// a long list of passwords costs few system calls; a forked child never reuses its parent's.
std::uint32_t Below(std::uint32_t n);

// The mapping of random bytes to a value below n. A plain "% n" favours the low values
// whenever n does not divide the range, so a draw from the incomplete last round is
// drawn again. nextByte() answers the next random byte.
template <typename TNextByte>
std::uint32_t UnbiasedBelow(std::uint32_t n, TNextByte&& nextByte) {
    if (n <= 1) {
        return 0;
    }
    if (n <= 256) {
        const std::uint32_t limit = 256 - 256 % n;
        for (;;) {
            const std::uint32_t byte = nextByte();
            if (byte < limit) {
                return byte % n;
            }
        }
    }
    constexpr std::uint64_t kRange = std::uint64_t{1} << 32;
    const std::uint64_t limit = kRange - kRange % n;
    for (;;) {
        std::uint32_t word = 0;
        for (int i = 0; i < 4; ++i) {
            word = (word << 8) | static_cast<std::uint8_t>(nextByte());
        }
        if (word < limit) {
            return word % n;
        }
    }
}

}  // namespace SystemRandom
