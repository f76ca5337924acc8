#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include "interop/ImportedRecord.h"
#include "vault/Clock.h"

using namespace ImportText;

TEST(ImportTextTest, IsoTimesInEveryShapeTheOtherManagersWriteMeanTheSameMoment) {
    const std::int64_t moment = 1705314030;  // 2024-01-15 10:20:30 UTC
    EXPECT_EQ(ParseIsoTime("2024-01-15T10:20:30Z"), moment);
    EXPECT_EQ(ParseIsoTime("2024-01-15T10:20:30.123Z"), moment);
    EXPECT_EQ(ParseIsoTime("2024-01-15T12:20:30+02:00"), moment);
    EXPECT_EQ(ParseIsoTime("2024-01-15T05:20:30-0500"), moment);
    EXPECT_EQ(ParseIsoTime("2024-01-15 10:20:30"), moment);
    EXPECT_EQ(ParseIsoTime("2000-03-01T00:00:00Z"), 951868800);  // after a leap day
    EXPECT_EQ(FormatIsoTime(moment), "2024-01-15T10:20:30Z");
    for (const char* bad : {"", "2024-01-15", "2024-13-01T00:00:00Z", "2024-01-15T10:20:30Q",
                            "2024-01-15T10:20:30+02", "x024-01-15T10:20:30Z"}) {
        EXPECT_FALSE(ParseIsoTime(bad).has_value()) << bad;
    }
}

TEST(ImportTextTest, UnixSecondsSurviveTheLocalClockBothWaysAcrossADaylightSavingChange) {
    const char* former = getenv("TZ");
    const std::string saved = former ? former : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    // A winter and a summer moment, and one in the hour the clocks go back.
    for (const std::int64_t moment : {1705314030LL, 1720000000LL, 1729990800LL}) {
        EXPECT_EQ(UnixSecondsFromDateTime(DateTimeFromUnixSeconds(moment)), moment);
    }
    // 2024-07-03 09:46:40 UTC is 11:46:40 in Berlin.
    EXPECT_NEAR(DateTimeFromUnixSeconds(1720000000), 45476 + (11 * 3600 + 46 * 60 + 40) / 86400.0,
                1e-9);
    if (former) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

TEST(ImportTextTest, LineBreaksAreNormalisedAndGroupPathsLoseOnlyTheirRoot) {
    EXPECT_EQ(MultiLine("a\nb\r\nc\rd"), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(SingleLine("a\nb\r\nc\td"), "a b c\td");
    std::string notes;
    AppendNoteLine(notes, "TOTP", "otpauth://x");
    AppendNoteLine(notes, "Empty", "");
    AppendNoteLine(notes, "Memo", "one\ntwo");
    EXPECT_EQ(notes, "TOTP: otpauth://x\r\nMemo: one\r\ntwo");
    EXPECT_EQ(GroupName({"Root", "Internet", "Email"}, true), "Internet/Email");
    EXPECT_EQ(GroupName({"Root"}, true), "Default Group");
    EXPECT_EQ(GroupName({"", "Bank"}, false), "Bank");
    EXPECT_EQ(GroupName({}, false), "Default Group");
}
