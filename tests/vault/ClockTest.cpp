#include <gtest/gtest.h>
#include <stdlib.h>

#include <ctime>
#include <set>

#include "vault/Clock.h"

namespace {

// Runs body with the process's time zone set to zone, then restores it.
template <typename TBody>
void WithTimeZone(const char* zone, TBody body) {
    const char* old = ::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", zone, 1);
    ::tzset();
    body();
    if (old) {
        ::setenv("TZ", saved.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

constexpr double kOneSecond = 1.0 / 86400.0;

}  // namespace

TEST(Clock, NowCountsLocalDaysSince1899) {
    WithTimeZone("UTC0", [] {
        const double expected = 25569.0 + static_cast<double>(::time(nullptr)) / 86400.0;
        EXPECT_NEAR(NowAsDateTime(), expected, 2 * kOneSecond);
    });
    // Three hours east of UTC (POSIX spells the offset with the opposite sign).
    WithTimeZone("XYZ-3", [] {
        const double expected =
            25569.0 + (static_cast<double>(::time(nullptr)) + 3 * 3600) / 86400.0;
        EXPECT_NEAR(NowAsDateTime(), expected, 2 * kOneSecond);
    });
}

TEST(Clock, NowHasSubSecondResolution) {
    const TDateTime first = NowAsDateTime();
    TDateTime later = NowAsDateTime();
    for (int i = 0; i < 1000000 && later == first; ++i) {
        later = NowAsDateTime();
    }
    EXPECT_GT(later, first);
    EXPECT_LT(later - first, kOneSecond);
}

TEST(Clock, GuidsAreVersion4InTheWindowsLayoutAndDiffer) {
    std::set<std::array<std::uint8_t, 16>> seen;
    for (int i = 0; i < 100; ++i) {
        const TGuid guid = CreateGuid();
        // The third field is little-endian: its version nibble is the top of byte 7.
        EXPECT_EQ(guid.Bytes[7] >> 4, 4);
        EXPECT_EQ(guid.Bytes[8] & 0xC0, 0x80);
        seen.insert(guid.Bytes);
    }
    EXPECT_EQ(seen.size(), 100u);
}
