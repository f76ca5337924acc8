#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "dialogs/PasswordTools.h"

namespace {

const std::string kSmall = "abcdefghijklmnopqrstuvwxyz";
const std::string kCapital = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const std::string kDigits = "0123456789";
const std::string kPunctuation = "~!@#$%^&*+=|\\:;\"?/.";
const std::string kBrackets = "{}[]<>()";
const std::string kAllSets = kSmall + kCapital + kDigits + kPunctuation + kBrackets + " -_";
const std::string kEditorSets = kSmall + kCapital + kDigits + kPunctuation;

// Hands out scripted indices in turn, in place of the system's generator.
std::vector<std::uint32_t> gScript;
std::size_t gScriptAt = 0;
std::uint32_t ScriptedDraw(std::uint32_t n) {
    EXPECT_LT(gScriptAt, gScript.size()) << "more draws than scripted";
    const std::uint32_t index = gScriptAt < gScript.size() ? gScript[gScriptAt] : 0;
    ++gScriptAt;
    EXPECT_LT(index, n);
    return index;
}

std::string WithScript(std::vector<std::uint32_t> script, const TCharSets& sets, int length) {
    gScript = std::move(script);
    gScriptAt = 0;
    PasswordToolsTesting::SetDrawFunction(ScriptedDraw);
    std::string password = CreateRandomPassword(sets, length);
    PasswordToolsTesting::SetDrawFunction(nullptr);
    EXPECT_EQ(gScriptAt, gScript.size()) << "fewer draws than scripted";
    return password;
}

// Pearson's statistic of how often each pool entry occurs in text.
double ChiSquare(const std::string& pool, const std::string& text) {
    std::map<char, double> counts;
    for (char c : text)
        counts[c] += 1;
    const double expected = static_cast<double>(text.size()) / static_cast<double>(pool.size());
    double sum = 0;
    for (char c : pool)
        sum += (counts[c] - expected) * (counts[c] - expected) / expected;
    return sum;
}

std::set<char> CharactersOf(const std::string& text) {
    return {text.begin(), text.end()};
}

}  // namespace

TEST(CreateRandomPassword, TakesThePoolEntryOfEachIndexAndRedrawsARepeatOnce) {
    TCharSets all{true, true, true, true, true, true, true, true};
    // Indices 0, 25, 26, 51, 52, 61, 62, 80, 81, 88, 89, 90, 91: each set's first and last.
    EXPECT_EQ(WithScript({0, 25, 26, 51, 52, 61, 62, 80, 81, 88, 89, 90, 91}, all, 13),
              "azAZ09~.{) -_");
    // A repeat is drawn once more; the second index is taken even when it repeats too.
    EXPECT_EQ(WithScript({0, 0, 1, 1, 1, 2, 0, 0, 3}, all, 6), "abbcad");
    TCharSets editor{true, true, true, true, false, false, false, false};
    EXPECT_EQ(WithScript({80, 62, 62, 75, 0, 51, 61}, editor, 6), ".~:aZ9");
    EXPECT_EQ(kAllSets.size(), 92u);
    EXPECT_EQ(kEditorSets.size(), 81u);
}

TEST(CreateRandomPassword, DrawsEveryPoolEntryEquallyOftenFromTheSystemGenerator) {
    // A "% n" on random bytes makes the first 256 % n entries half (92) or a third (81)
    // again as likely: over a million characters the statistic reaches the thousands.
    // Unbiased, it stays near its degrees of freedom (80, 91); 400 is beyond any real chance.
    const std::pair<TCharSets, const std::string*> cases[] = {
        {{true, true, true, true, false, false, false, false}, &kEditorSets},
        {{true, true, true, true, true, true, true, true}, &kAllSets}};
    for (const auto& [sets, pool] : cases) {
        std::string text;
        for (int i = 0; i < 8000; ++i)
            text += CreateRandomPassword(sets, 128);
        EXPECT_EQ(CharactersOf(text), CharactersOf(*pool));
        EXPECT_LT(ChiSquare(*pool, text), 400.0) << pool->size() << " entries";
    }
}

TEST(CreateRandomPassword, TwoGeneratorsStartedTogetherDiffer) {
    // Bytes fetched ahead must not be shared by a forked child: parent and child would
    // hand out the same passwords.
    const TCharSets sets{true, true, true, true, false, false, false, false};
    const std::string first = CreateRandomPassword(sets, 20);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string password = CreateRandomPassword(sets, 20);
        const bool written = ::write(pipeFds[1], password.data(), password.size()) == 20;
        ::_exit(written ? 0 : 1);
    }
    const std::string mine = CreateRandomPassword(sets, 20);
    char theirs[20] = {};
    ssize_t got = 0;
    while (got < 20) {
        const ssize_t part = ::read(pipeFds[0], theirs + got, sizeof theirs - got);
        if (part <= 0)
            break;
        got += part;
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    ASSERT_EQ(got, 20);
    EXPECT_NE(std::string(theirs, 20), mine);
    EXPECT_NE(first, mine);
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
