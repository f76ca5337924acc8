#include <gtest/gtest.h>

#include "base/Random.h"

TEST(Random, DrawFollowsTheDefinedRecurrence) {
    Random::SetState(0);
    // state := 0 * 0x08088405 + 1 = 1; answer = (1 * 256) >> 32 = 0.
    EXPECT_EQ(Random::Below(256), 0u);
    EXPECT_EQ(Random::State(), 1u);
    // state := 1 * 0x08088405 + 1 = 0x08088406; answer = (0x08088406 * 256) >> 32 = 8.
    EXPECT_EQ(Random::Below(256), 8u);
    Random::SetState(0xFFFFFFFFu);
    // state := 0xFFFFFFFF * 0x08088405 + 1 wraps to 0xF7F77BFC.
    const std::uint32_t drawn = Random::Below(100);
    EXPECT_EQ(Random::State(), 0xF7F77BFCu);
    EXPECT_EQ(drawn, static_cast<std::uint32_t>((0xF7F77BFCull * 100) >> 32));
    EXPECT_LT(drawn, 100u);
}
