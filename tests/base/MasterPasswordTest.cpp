#include <gtest/gtest.h>

#include <string>

#include "base/MasterPassword.h"
#include "base/Scrambler.h"
#include "base/StringTable.h"

namespace {

std::string AllByteValues() {
    std::string text;
    for (int value = 0; value < 256; ++value) {
        text.push_back(static_cast<char>(value));
    }
    return text;
}

}  // namespace

TEST(MasterPassword, GivesBackEveryByteValueExactly) {
    TMasterPassword password;
    const std::string all = AllByteValues();
    // Many seeds, so that bytes 0 and 255 meet every kind of preceding value.
    for (int attempt = 0; attempt < 50; ++attempt) {
        password.Set(all);
        ASSERT_EQ(password.Get(), all);
    }
    for (int value = 0; value < 256; ++value) {
        const std::string single(6, static_cast<char>(value));
        password.Set(single);
        EXPECT_EQ(password.Get(), single) << "byte " << value;
    }
}

TEST(MasterPassword, EveryReadGivesTheSameAndEmptyMeansNothing) {
    TMasterPassword password;
    EXPECT_EQ(password.Get(), "");
    password.Set("correct horse");
    EXPECT_EQ(password.Get(), "correct horse");
    EXPECT_EQ(password.Get(), "correct horse");
    password.Set("");
    EXPECT_EQ(password.Get(), "");
    password.Set("again");
    password.Clear();
    EXPECT_EQ(password.Get(), "");
}

TEST(MasterPassword, HoldsOnlyAScrambledForm) {
    // The held text is the scrambler's output under the string table's key: unscrambling it
    // must not give the clear password, and scrambling twice must differ (a fresh seed).
    const std::string clear("Sesame\xFF\x00open", 12);
    TMasterPassword first;
    first.Set(clear);
    const std::string& held = first.Scrambled();
    EXPECT_EQ(held.find("Sesame"), std::string::npos);
    EXPECT_NE(held, clear);
    for (const char ch : held) {
        EXPECT_TRUE((ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F'));
    }
    EXPECT_NE(UnscrambleText(held, std::string(Str::sScrambleKey)), clear);
    std::string previous = held;
    bool changed = false;
    for (int attempt = 0; attempt < 8 && !changed; ++attempt) {
        first.Set(clear);
        changed = held != previous;
    }
    EXPECT_TRUE(changed);
}
