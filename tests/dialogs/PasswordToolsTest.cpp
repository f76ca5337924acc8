#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>

#include "common/Random.h"
#include "dialogs/PasswordTools.h"

namespace {

const std::string kSmall = "abcdefghijklmnopqrstuvwxyz";
const std::string kCapital = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const std::string kDigits = "0123456789";
const std::string kPunctuation = "~!@#$%^&*+=|\\:;\"?/.";
const std::string kBrackets = "{}[]<>()";
const std::string kAllSets = kSmall + kCapital + kDigits + kPunctuation + kBrackets + " -_";
const std::string kEditorSets = kSmall + kCapital + kDigits + kPunctuation;

constexpr std::uint32_t kMultiplier = 0x08088405u;

// The multiplier is odd, so the generator's step can be undone: Newton's iteration gives
// its inverse modulo 2^32.
std::uint32_t InverseMultiplier() {
    std::uint32_t inverse = kMultiplier;
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - kMultiplier * inverse;
    return inverse;
}

std::uint32_t StepBack(std::uint32_t state) {
    return (state - 1u) * InverseMultiplier();
}

// Replays the generator from the seed that lies `draws` steps before finalState, with the
// given pool and the single-redraw rule; true when that reproduces password with exactly
// `draws` draws.
bool ReplayMatches(const std::string& pool, const std::string& password, std::uint32_t finalState,
                   int draws) {
    std::uint32_t seed = finalState;
    for (int i = 0; i < draws; ++i)
        seed = StepBack(seed);
    Random::SetState(seed);
    std::string replayed;
    int used = 0;
    const auto size = static_cast<std::uint32_t>(pool.size());
    for (std::size_t i = 0; i < password.size(); ++i) {
        char c = pool[Random::Below(size)];
        ++used;
        if (replayed.find(c) != std::string::npos) {
            c = pool[Random::Below(size)];
            ++used;
        }
        replayed += c;
    }
    return used == draws && replayed == password;
}

// True when some seed, drawn through exactly this pool in this order, yields password.
bool DrawnFromPool(const std::string& pool, const std::string& password) {
    const std::uint32_t finalState = Random::State();
    const int length = static_cast<int>(password.size());
    for (int draws = length; draws <= 2 * length; ++draws) {
        if (ReplayMatches(pool, password, finalState, draws))
            return true;
    }
    return false;
}

std::set<char> CharactersOf(const std::string& text) {
    return {text.begin(), text.end()};
}

}  // namespace

TEST(CreateRandomPassword, DrawsEveryPositionFromThePoolInItsOrder) {
    // Recomputing the seed from the generator's final state proves the exact pool order
    // (an index picks pool[index]) and the single redraw on a repeat.
    for (int i = 0; i < 20; ++i) {
        const std::string all =
            CreateRandomPassword(true, true, true, true, true, true, true, true, 40);
        EXPECT_TRUE(DrawnFromPool(kAllSets, all)) << all;
        const std::string editor =
            CreateRandomPassword(true, true, true, true, false, false, false, false, 16);
        EXPECT_TRUE(DrawnFromPool(kEditorSets, editor)) << editor;
    }
    EXPECT_EQ(kAllSets.size(), 92u);
    EXPECT_EQ(kEditorSets.size(), 81u);
}

TEST(CreateRandomPassword, UsesExactlyTheChosenSets) {
    std::string seen;
    for (int i = 0; i < 300; ++i) {
        seen += CreateRandomPassword(true, true, true, true, true, true, true, true, 128);
    }
    EXPECT_EQ(CharactersOf(seen), CharactersOf(kAllSets));

    seen.clear();
    for (int i = 0; i < 300; ++i) {
        seen += CreateRandomPassword(false, false, true, false, true, false, false, true, 64);
    }
    EXPECT_EQ(CharactersOf(seen), CharactersOf(kDigits + kBrackets + "_"));
}

TEST(CreateRandomPassword, SingleCharacterSetsRepeatTheirOneCharacter) {
    EXPECT_EQ(CreateRandomPassword(false, false, false, false, false, true, false, false, 9),
              std::string(9, ' '));
    EXPECT_EQ(CreateRandomPassword(false, false, false, false, false, false, true, false, 6),
              "------");
    TCharSets underline;
    underline.Underline = true;
    EXPECT_EQ(CreateRandomPassword(underline, 7), "_______");
}

TEST(CreateRandomPassword, GivesNothingBelowSixCharactersOrWithoutASet) {
    for (int length : {-1, 0, 1, 5}) {
        EXPECT_EQ(CreateRandomPassword(true, true, true, true, true, true, true, true, length), "");
    }
    EXPECT_EQ(CreateRandomPassword(TCharSets{}, 20), "");
    EXPECT_EQ(CreateRandomPassword(true, false, false, false, false, false, false, false, 6).size(),
              6u);
    EXPECT_EQ(CreateRandomPassword(true, true, true, true, true, true, true, true, 128).size(),
              128u);
}

TEST(CalcPasswordScore, ShortPasswordsScoreByLength) {
    EXPECT_EQ(CalcPasswordScore(""), 10);
    EXPECT_EQ(CalcPasswordScore("a"), 9);
    EXPECT_EQ(CalcPasswordScore("#9"), 8);
    EXPECT_EQ(CalcPasswordScore("aZ9"), 7);
    EXPECT_EQ(CalcPasswordScore("1357"), 6);
    EXPECT_EQ(CalcPasswordScore("x!4Q~"), 5);
}

TEST(CalcPasswordScore, AscendingSequencePiecesScoreTwo) {
    EXPECT_EQ(CalcPasswordScore("012345"), 2);
    EXPECT_EQ(CalcPasswordScore("567890"), 2);  // a piece of "1234567890"
    EXPECT_EQ(CalcPasswordScore("1234567890"), 2);
    EXPECT_EQ(CalcPasswordScore("abcdefgh"), 2);
    EXPECT_EQ(CalcPasswordScore("KLMNOPQ"), 2);
    EXPECT_EQ(CalcPasswordScore("qwertyuiop"), 2);
    EXPECT_EQ(CalcPasswordScore("sdfghj"), 2);
    EXPECT_EQ(CalcPasswordScore("zxcvbnm"), 2);
}

TEST(CalcPasswordScore, SequenceTestsAreExactAndAscending) {
    // Descending digits: all digits with one run.
    EXPECT_EQ(CalcPasswordScore("987654"), 4);
    // Capital keyboard row: no row match; capitals with run breaks at each neighbour.
    EXPECT_EQ(CalcPasswordScore("QWERTY"), 0);
    // Neither case mix nor a piece that wraps is a sequence.
    EXPECT_EQ(CalcPasswordScore("abcDEF"), 3);
    EXPECT_EQ(CalcPasswordScore("8901234"), 4);
}

TEST(CalcPasswordScore, OneClassOfOneCase) {
    EXPECT_EQ(CalcPasswordScore("111111"), 4);  // one run
    EXPECT_EQ(CalcPasswordScore("aaabbb"), 4);  // one run
    EXPECT_EQ(CalcPasswordScore("ZZZZZZZZ"), 4);
    EXPECT_EQ(CalcPasswordScore("mhtwkrdq"), 0);  // eight small letters, 8 runs
    EXPECT_EQ(CalcPasswordScore("135792"), 0);    // 6 runs
    EXPECT_EQ(CalcPasswordScore("13579"), 5);     // too short for the rules
}

TEST(CalcPasswordScore, OneClassMixedOrUnclassified) {
    EXPECT_EQ(CalcPasswordScore("aAbBcC"), -1);  // letters of both cases, 6 runs
    EXPECT_EQ(CalcPasswordScore("AaaaaB"), 3);   // 3 runs
    EXPECT_EQ(CalcPasswordScore("!#%(+-"), -1);  // only symbols, no neighbours within one
    EXPECT_EQ(CalcPasswordScore("!#%&(+"), 3);   // '%' and '&' are neighbours: 5 runs
    EXPECT_EQ(CalcPasswordScore("!!!!!!"), 3);
    EXPECT_EQ(CalcPasswordScore("12 34 56"), 3);  // digits with blanks: not all digits
    // Space, apostrophe, backquote and bytes from 0x7F up belong to no class.
    EXPECT_EQ(CalcPasswordScore("      "), 3);
    EXPECT_EQ(CalcPasswordScore("' ` ' `"), -1);
    EXPECT_EQ(CalcPasswordScore("\xE9\xE9\xE9\xE9\xE9\xE9"), 3);
    EXPECT_EQ(CalcPasswordScore("\xE9 \xC0 \xFC \x7F"), -1);
}

TEST(CalcPasswordScore, TwoOrThreeClasses) {
    EXPECT_EQ(CalcPasswordScore("a1b2c3d4e5"), -4);  // alternating: every pair breaks a run
    EXPECT_EQ(CalcPasswordScore("abc123"), 0);       // 2 runs
    EXPECT_EQ(CalcPasswordScore("a!b#c$d%"), -4);
    EXPECT_EQ(CalcPasswordScore("1!2@3#4$"), -4);
    // Three classes score exactly like two.
    EXPECT_EQ(CalcPasswordScore("a1!b2@c3#"), -4);
    EXPECT_EQ(CalcPasswordScore("aaa111!!!"), 0);
    EXPECT_EQ(CalcPasswordScore("aaa111bbb"), 0);
}

TEST(CalcPasswordScore, RunsCountCodeStepsOfTwoOrMore) {
    // Five runs: +2; six runs: -2. Codes one apart, in either direction, continue a run.
    EXPECT_EQ(CalcPasswordScore("acegik"), 0);    // 6 runs, small letters only: 1 + 1 - 2
    EXPECT_EQ(CalcPasswordScore("acegii"), 4);    // 5 runs
    EXPECT_EQ(CalcPasswordScore("abcbabcb"), 4);  // steps of one both ways: 1 run
    EXPECT_EQ(CalcPasswordScore("abadcb"), 4);    // 2 runs
    EXPECT_EQ(CalcPasswordScore("AbCdEf"), -1);   // 'A'->'b' differs by 33
}

TEST(CalcPasswordScore, StaysWithinItsRangeForLongPasswords) {
    const std::set<int> possible = {-4, -1, 0, 2, 3, 4};
    for (int i = 0; i < 200; ++i) {
        const std::string p =
            CreateRandomPassword(i % 2 == 0, i % 3 == 0, i % 5 != 0, i % 7 == 0, i % 4 == 0,
                                 i % 6 == 0, true, i % 9 == 0, 6 + i % 120);
        EXPECT_TRUE(possible.count(CalcPasswordScore(p))) << p;
    }
}
