// The breach list searched in place: every line found, every gap answered, both line ends,
// and files that are not a sorted list refused with the place that shows it.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

#include "health/BreachList.h"
#include "health/HealthError.h"
#include "health/PasswordSha1.h"
#include "vault/VaultTestSupport.h"

namespace {

struct TListLine {
    TSha1 Hash;
    std::uint64_t Count;
};

// count sorted, distinct random hashes with counts, seeded so that a failure repeats.
std::vector<TListLine> RandomLines(std::size_t count, unsigned seed) {
    std::mt19937_64 random(seed);
    std::vector<TListLine> lines(count);
    for (TListLine& line : lines) {
        for (std::uint8_t& byte : line.Hash) {
            byte = static_cast<std::uint8_t>(random());
        }
        line.Count = random() % 100000 + 1;
    }
    std::sort(lines.begin(), lines.end(),
              [](const TListLine& a, const TListLine& b) { return a.Hash < b.Hash; });
    lines.erase(
        std::unique(lines.begin(), lines.end(),
                    [](const TListLine& a, const TListLine& b) { return a.Hash == b.Hash; }),
        lines.end());
    return lines;
}

std::string ListText(const std::vector<TListLine>& lines, const std::string& lineEnd,
                     bool lastLineEnd = true) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        TSha1Hex hex;
        Sha1ToHex(lines[i].Hash.data(), hex);
        text.append(hex.data(), hex.size()).append(1, ':').append(std::to_string(lines[i].Count));
        if (i + 1 < lines.size() || lastLineEnd) {
            text += lineEnd;
        }
    }
    return text;
}

// The hash one above or below another, as a number of 160 bits.
TSha1 Neighbour(TSha1 hash, bool up) {
    for (std::size_t i = hash.size(); i-- > 0;) {
        const std::uint8_t was = hash[i];
        hash[i] = static_cast<std::uint8_t>(up ? was + 1 : was - 1);
        if (up ? hash[i] != 0 : was != 0) {
            break;
        }
    }
    return hash;
}

class BreachListTest : public testing::Test {
protected:
    TTempFolder Folder;

    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = Folder.File(name);
        WriteFileBytes(path, TBytes(text.begin(), text.end()));
        return path;
    }
    std::string OpenError(const std::string& text) {
        TBreachList list;
        const std::string path = Write("list.txt", text);
        return ErrorText([&] { list.Open(path); });
    }
};

// Every line (the first and the last among them) is found with its count, every hash next to
// a line and outside the list is not, whatever the line ends; and a lookup reads a few pages,
// never the file. Two threads look up at once, as the report does.
TEST_F(BreachListTest, FindsEveryLineAndNothingBetweenWithFewReadsForEitherLineEnd) {
    const std::vector<TListLine> lines = RandomLines(60000, 7);
    for (const std::string lineEnd : {"\n", "\r\n"}) {
        for (const bool lastLineEnd : {true, false}) {
            SCOPED_TRACE(testing::Message() << (lineEnd == "\n" ? "LF" : "CR LF")
                                            << (lastLineEnd ? "" : ", no last line end"));
            TBreachList list;
            list.Open(Write("list.txt", ListText(lines, lineEnd, lastLineEnd)));
            // Every line would take long in a debug build: the ends and every 16th between.
            std::vector<std::size_t> picked = {1, lines.size() - 2, lines.size() - 1};
            for (std::size_t i = 0; i < lines.size(); i += 16) {
                picked.push_back(i);
            }
            const auto check = [&](std::size_t first) {
                for (std::size_t k = first; k < picked.size(); k += 2) {
                    const std::size_t i = picked[k];
                    EXPECT_EQ(list.Lookup(lines[i].Hash.data()), lines[i].Count) << i;
                    for (const bool up : {false, true}) {
                        const TSha1 gap = Neighbour(lines[i].Hash, up);
                        const bool listed =
                            (up && i + 1 < lines.size() && lines[i + 1].Hash == gap) ||
                            (!up && i > 0 && lines[i - 1].Hash == gap);
                        if (!listed) {
                            EXPECT_EQ(list.Lookup(gap.data()), std::nullopt) << i;
                        }
                    }
                }
            };
            const std::uint64_t readsBefore = list.ReadsMade();
            std::thread other(check, 1);
            check(0);
            other.join();
            const double reads = static_cast<double>(list.ReadsMade() - readsBefore);
            EXPECT_LT(reads / (3.0 * static_cast<double>(picked.size())), 3.0);

            const TSha1 lowest{};
            TSha1 highest;
            highest.fill(0xFF);
            EXPECT_EQ(list.Lookup(lowest.data()), std::nullopt);
            EXPECT_EQ(list.Lookup(highest.data()), std::nullopt);
        }
    }
}

// The published list hashes the password's UTF-8 bytes and writes upper-case digits.
TEST_F(BreachListTest, APasswordIsFoundByItsSha1AndAOneLineListAnswersOnlyForItsLine) {
    TSha1 sha1;
    PasswordSha1("password", sha1);
    TSha1Hex hex;
    Sha1ToHex(sha1.data(), hex);
    EXPECT_EQ(std::string(hex.data(), hex.size()), "5BAA61E4C9B93F3F0682250B6CF8331B7EE68FD8");
    for (const std::string end : {"", "\n", "\r\n"}) {
        TBreachList list;
        list.Open(Write("one.txt", "5BAA61E4C9B93F3F0682250B6CF8331B7EE68FD8:10434004" + end));
        EXPECT_EQ(list.Lookup(sha1.data()), 10434004u);
        EXPECT_EQ(list.Lookup(Neighbour(sha1, true).data()), std::nullopt);
        EXPECT_EQ(list.Lookup(Neighbour(sha1, false).data()), std::nullopt);
    }
}

// Where line n of text starts.
std::size_t LineStart(const std::string& text, std::size_t n) {
    std::size_t at = 0;
    for (; n > 0; --n) {
        at = text.find('\n', at) + 1;
    }
    return at;
}

// A list out of order makes the search answer wrongly without a word; so would a file of
// another shape (the NTLM list, lower-case digits, an empty download). Each is refused where
// it shows, naming the file and the byte offset of the line.
TEST_F(BreachListTest, FilesThatAreNoSortedListAreRefusedNamingTheFileAndTheLine) {
    std::vector<TListLine> lines = RandomLines(3000, 11);
    const std::string sorted = ListText(lines, "\r\n");
    // Refused by some lookup near the fault, by the fault's offset; answered right far off.
    const auto expectRefusal = [&](const std::string& path, const std::string& expected) {
        TBreachList list;
        list.Open(path);  // the first and last lines are right
        std::size_t refused = 0;
        for (std::size_t i = 1400; i < 1600; ++i) {
            try {
                list.Lookup(lines[i].Hash.data());
            } catch (const EBreachListError& error) {
                ++refused;
                EXPECT_NE(std::string(error.what()).find(path), std::string::npos);
                EXPECT_NE(std::string(error.what()).find(expected), std::string::npos)
                    << error.what();
            }
        }
        EXPECT_GT(refused, 0u) << expected;
        EXPECT_EQ(list.Lookup(lines[100].Hash.data()), lines[100].Count);
    };
    std::vector<TListLine> swapped = lines;
    std::swap(swapped[1500], swapped[1501]);
    const std::string swappedText = ListText(swapped, "\r\n");
    expectRefusal(
        Write("swapped.txt", swappedText),
        "not ordered by hash: the line at byte " + std::to_string(LineStart(swappedText, 1501)));
    std::string broken = sorted;
    broken[LineStart(sorted, 1550) + 40] = ';';
    expectRefusal(Write("broken.txt", broken),
                  "the line at byte " + std::to_string(LineStart(sorted, 1550)) +
                      " is not 40 upper-case hex digits, a colon and a count");

    std::string lower = sorted;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    EXPECT_NE(OpenError(lower).find("the line at byte 0 is not"), std::string::npos);
    EXPECT_NE(OpenError("8846F7EAEE8FB117AD06BDD830B7586C:3\n").find("byte 0"), std::string::npos);
    const std::size_t second = LineStart(sorted, 1);
    const std::string reversed =
        sorted.substr(second, LineStart(sorted, 2) - second) + sorted.substr(0, second);
    EXPECT_NE(OpenError(reversed).find("the line at byte " +
                                       std::to_string(LineStart(sorted, 2) - second)),
              std::string::npos);
    EXPECT_NE(OpenError(sorted + "\r\n").find("is not 40"), std::string::npos);
    EXPECT_NE(OpenError("").find("is empty"), std::string::npos);
    TBreachList list;
    EXPECT_THROW(list.Open(Write("empty.txt", "")), EBreachListError);
    EXPECT_FALSE(list.IsOpen());
}

}  // namespace
