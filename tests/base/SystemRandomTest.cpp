#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "base/SystemRandom.h"

namespace {

// Offers each byte value once as the first byte of a draw (followed by zeros) and counts the
// values of the draws that took it.
std::vector<int> CountsOverAllBytes(std::uint32_t n) {
    std::vector<int> counts(n, 0);
    for (unsigned first = 0; first < 256; ++first) {
        int used = 0;
        auto source = [&] { return static_cast<std::uint8_t>(used++ == 0 ? first : 0); };
        const std::uint32_t value = SystemRandom::UnbiasedBelow(n, source);
        EXPECT_LT(value, n);
        if (used == 1 && value < n)
            ++counts[value];
    }
    return counts;
}

}  // namespace

TEST(SystemRandom, EveryValueBelowNIsEquallyLikely) {
    // Offered each byte once, an unbiased mapping accepts the same number for every value;
    // "% n" would give the first 256 % n values one more.
    for (std::uint32_t n : {2u, 81u, 92u, 100u, 255u, 256u}) {
        const std::vector<int> counts = CountsOverAllBytes(n);
        for (std::uint32_t v = 0; v < n; ++v)
            EXPECT_EQ(counts[v], static_cast<int>(256 / n)) << "n = " << n << ", value " << v;
    }
}

TEST(SystemRandom, WideRangesRedrawTheIncompleteLastRound) {
    // n = 3 * 2^30: the words from 3 * 2^30 up lie in the incomplete round and are redrawn.
    const std::uint32_t n = 3u << 30;
    const std::vector<std::uint8_t> bytes = {0xFF, 0xFF, 0xFF, 0xFF, 0xC0, 0x00,
                                             0x00, 0x00, 0x12, 0x34, 0x56, 0x78};
    std::size_t at = 0;
    auto source = [&] { return bytes.at(at++); };
    EXPECT_EQ(SystemRandom::UnbiasedBelow(n, source), 0x12345678u);
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(SystemRandom::UnbiasedBelow(1, source), 0u);
}

TEST(SystemRandom, BelowStaysInRangeAndCoversIt) {
    std::vector<int> seen(92, 0);
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t value = SystemRandom::Below(92);
        ASSERT_LT(value, 92u);
        ++seen[value];
    }
    for (int count : seen)
        EXPECT_GT(count, 0);
}
