#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "base/Random.h"
#include "base/Scrambler.h"

namespace {

// Every byte value except 0 and 255, in an order that mixes low and high bytes.
std::string AllSafeBytes() {
    std::string text;
    for (int value = 1; value < 255; ++value) {
        text.push_back(static_cast<char>((value * 97) % 254 + 1));
    }
    return text;
}

unsigned HexValue(const std::string& text, std::size_t offset) {
    return static_cast<unsigned>(std::stoul(text.substr(offset, 2), nullptr, 16));
}

std::string ConversionErrorOf(const std::string& text, const std::string& key = "k") {
    try {
        UnscrambleText(text, key);
    } catch (const EConvertError& error) {
        return error.what();
    }
    return "(no error)";
}

}  // namespace

TEST(Scrambler, RoundTripsEveryTextWithoutZeroOr255UnderAnyKey) {
    const std::vector<std::string> keys = {"",  "marlik",       "HostLedger.ini",
                                           "k", "\xFF\x01\x80", std::string(40, 'z')};
    const std::vector<std::string> texts = {"a",
                                            "secret",
                                            "Pa55 w0rd!",
                                            AllSafeBytes(),
                                            std::string(300, '\xFE'),
                                            std::string(17, '\x01')};
    for (const std::string& key : keys) {
        for (const std::string& text : texts) {
            for (int attempt = 0; attempt < 8; ++attempt) {
                EXPECT_EQ(UnscrambleText(ScrambleText(text, key), key), text)
                    << "key '" << key << "', text length " << text.size();
            }
        }
    }
}

TEST(Scrambler, OutputIsUppercaseHexOfSeedAndOnePairPerByte) {
    const std::string text = AllSafeBytes();
    const std::string scrambled = ScrambleText(text, "HostLedger.ini");
    ASSERT_EQ(scrambled.size(), 2 + 2 * text.size());
    for (const char ch : scrambled) {
        EXPECT_TRUE((ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F')) << ch;
    }
    EXPECT_EQ(ScrambleText("", "key").size(), 2u);
}

TEST(Scrambler, FollowsTheDefinedChainForAKnownSeed) {
    // Rebuild one scramble by hand from the seed it carries.
    const std::string text = "AB\xFE";
    const std::string key = "xy";
    const std::string scrambled = ScrambleText(text, key);
    unsigned previous = HexValue(scrambled, 0);
    const unsigned keyBytes[] = {'x', 'y', 'x'};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned plain = static_cast<unsigned char>(text[i]);
        const unsigned expected = ((plain + previous) % 255) ^ keyBytes[i];
        EXPECT_EQ(HexValue(scrambled, 2 + 2 * i), expected) << "byte " << i;
        previous = expected;
    }
}

TEST(Scrambler, ReseedsTheSharedGeneratorForEverySeed) {
    // Without a re-seed a fixed state would decide the seed every time.
    Random::SetState(12345);
    const unsigned fromFixedState = Random::Below(256);
    bool differs = false;
    for (int attempt = 0; attempt < 16 && !differs; ++attempt) {
        Random::SetState(12345);
        differs = HexValue(ScrambleText("abc", "k"), 0) != fromFixedState;
    }
    EXPECT_TRUE(differs);
}

TEST(Scrambler, EmptyKeyIsTheDefaultKeyBothWays) {
    const std::string text = "The quick brown fox";
    EXPECT_EQ(UnscrambleText(ScrambleText(text, ""), "marlik"), text);
    EXPECT_EQ(UnscrambleText(ScrambleText(text, "marlik"), ""), text);
    EXPECT_NE(UnscrambleText(ScrambleText(text, "marlik"), "other"), text);
}

TEST(Scrambler, ZeroAndFullBytesFollowTheModulus255) {
    // Both bytes come back as 255, unless the scrambled value before them (the seed for the
    // first byte) is 255: then both come back as 0.
    for (int attempt = 0; attempt < 400; ++attempt) {
        const std::string text("\x00\xFF\x00\xFF\x00", 5);
        const std::string scrambled = ScrambleText(text, "key");
        const std::string back = UnscrambleText(scrambled, "key");
        ASSERT_EQ(back.size(), text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const unsigned before = HexValue(scrambled, 2 * i);
            EXPECT_EQ(static_cast<unsigned char>(back[i]), before == 255 ? 0u : 255u)
                << "position " << i << ", value before " << before;
        }
    }
}

TEST(Scrambler, ValueBefore255DecidesBetweenZeroAnd255) {
    // Hand-made texts under the key "k" (0x6B). After a 255 a pair equal to the key byte
    // unscrambles to 0; after any other value v the pair v XOR key unscrambles to 255.
    EXPECT_EQ(UnscrambleText("FF6B", "k"), std::string(1, '\0'));
    EXPECT_EQ(UnscrambleText("107B", "k"), "\xFF");
    EXPECT_EQ(UnscrambleText("006B", "k"), "\xFF");
    // A scrambled 255 in the middle makes the next pair 0x6B a 0 as well.
    const std::string chained = UnscrambleText("10FF6B", "k");  // seed, 0xFF, 0x6B
    ASSERT_EQ(chained.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(chained[0]), (0xFFu ^ 0x6Bu) - 0x10u);
    EXPECT_EQ(chained[1], '\0');
}

TEST(Scrambler, UnscrambleReadsHexInEitherCase) {
    const std::string scrambled = ScrambleText("mixed Case", "k");
    std::string lower = scrambled;
    for (char& ch : lower) {
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    EXPECT_EQ(UnscrambleText(lower, "k"), "mixed Case");
}

TEST(Scrambler, OddLengthReadingRules) {
    const std::string scrambled = ScrambleText("abc", "k");  // 8 characters
    // A fifth..ninth character left over is not read.
    EXPECT_EQ(UnscrambleText(scrambled + "Z", "k"), "abc");
    EXPECT_EQ(UnscrambleText(scrambled.substr(0, 7), "k"), "ab");
    // Exactly three characters: the third is read as a one-digit value.
    const std::string three = scrambled.substr(0, 2) + "7";
    const unsigned seed = HexValue(three, 0);
    const unsigned mixed = 0x7u ^ 'k';
    const unsigned expected = seed < mixed ? mixed - seed : mixed + 255 - seed;
    const std::string back = UnscrambleText(three, "k");
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(static_cast<unsigned char>(back[0]), expected);
}

TEST(Scrambler, TextsThatAreNotHexFailWithTheConversionError) {
    // An empty text scrambles to the two seed digits alone, which cannot be unscrambled.
    const std::string seedOnly = ScrambleText("", "k");
    EXPECT_EQ(ConversionErrorOf(seedOnly), "'$' is not a valid integer value");
    EXPECT_EQ(ConversionErrorOf(""), "'$' is not a valid integer value");
    EXPECT_EQ(ConversionErrorOf("A"), "'$' is not a valid integer value");
    EXPECT_EQ(ConversionErrorOf("ZZ41"), "'$ZZ' is not a valid integer value");
    EXPECT_EQ(ConversionErrorOf("414G"), "'$4G' is not a valid integer value");
    EXPECT_EQ(ConversionErrorOf("4141 1"), "'$ 1' is not a valid integer value");
    // The conversion error is one of the program's own failures.
    EXPECT_THROW(UnscrambleText("xx", "k"), ECofferixError);
}
