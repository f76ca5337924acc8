// The report on a vault: which records it names for what, and that no detail tells a password.

#include <gtest/gtest.h>

#include <chrono>

#include "health/BreachList.h"
#include "health/HealthReport.h"
#include "health/PasswordSha1.h"
#include "vault/TreeCommands.h"
#include "vault/VaultTestSupport.h"

namespace {

using TKind = THealthFinding::TKind;

constexpr TDateTime kNow = 45500.5;
const std::string kStrong = "vN4#qT8!mZ2&kP6w";

class HealthReportTest : public testing::Test {
protected:
    TRecordTree Tree;
    THealthOptions Options;

    HealthReportTest() { Options.Now = kNow; }

    PNode Add(const std::string& group, const std::string& title, const std::string& password,
              TDateTime passwordChanged = kNow - 1) {
        TNodeData fields;
        fields.Title = title;
        fields.Password = password;
        PNode record = AddRecordNode(Tree, group, fields);
        record->Data.AddedTime = record->Data.AddedTime2 = kNow - 2;
        record->Data.PasswordChangedTime = passwordChanged;
        return record;
    }

    // "kind: detail" of every finding for the record titled title, in report order.
    static std::vector<std::string> Of(const THealthReport& report, const std::string& title) {
        std::vector<std::string> found;
        for (const THealthFinding& finding : report.Findings) {
            if (finding.Title == title) {
                found.push_back(std::string(FindingKindName(finding.Kind)) + ": " + finding.Detail);
            }
        }
        return found;
    }
};

using TTexts = std::vector<std::string>;

// Reuse is found across groups and among empty passwords, each record naming the others
// (not itself); a listed password is found with its count; a strong, unique, fresh password is
// not named; and no detail holds a password.
TEST_F(HealthReportTest, ReuseAcrossGroupsAndOfEmptyPasswordsAndBreachesAreNamedWithoutPasswords) {
    const std::string shared = "Kq7$vLp2#Wx9!Tz";
    Add("Bank", "Login", shared);
    Add("Mail", "Work", shared);
    Add("Mail", "Home", "");
    Add("Shop", "Cart", "");
    Add("Shop", "Strong", kStrong);
    Add("Shop", "Listed", "Zr8#mQ2!xV5&bN1p");

    TTempFolder folder;
    TSha1 sha1;
    PasswordSha1("Zr8#mQ2!xV5&bN1p", sha1);
    TSha1Hex hex;
    Sha1ToHex(sha1.data(), hex);
    const std::string line = std::string(hex.data(), hex.size()) + ":31337\r\n";
    const std::string path = folder.File("list.txt");
    WriteFileBytes(path, TBytes(line.begin(), line.end()));
    TBreachList list;
    list.Open(path);
    Options.BreachList = &list;

    const THealthReport report = RateVault(Tree, Options);
    EXPECT_EQ(report.Records, 6u);
    EXPECT_EQ(Of(report, "Login"), TTexts{"reused: Mail / Work"});
    EXPECT_EQ(Of(report, "Work"), TTexts{"reused: Bank / Login"});
    EXPECT_EQ(Of(report, "Home"), (TTexts{"weak: Very Weak, 0 bits", "reused: Shop / Cart"}));
    EXPECT_EQ(Of(report, "Cart"), (TTexts{"weak: Very Weak, 0 bits", "reused: Mail / Home"}));
    EXPECT_EQ(Of(report, "Strong"), TTexts{});
    EXPECT_EQ(Of(report, "Listed"), TTexts{"breached: seen 31337 times in breaches"});
    EXPECT_EQ(report.Count(TKind::Reused), 4u);
    for (const THealthFinding& finding : report.Findings) {
        for (const std::string& password : {shared, kStrong, std::string("Zr8#mQ2!xV5&bN1p")}) {
            EXPECT_EQ(finding.Detail.find(password), std::string::npos);
        }
    }
}

// The meter counts classes and runs: it rates both Strong or better, where zxcvbn knows them.
TEST_F(HealthReportTest, PasswordsTheMeterRatesStrongAreWeakWhenZxcvbnKnowsThem) {
    for (const std::string password : {"Password1", "password"}) {
        EXPECT_LE(PasswordStrengthOf(CalcPasswordScore(password)), TPasswordStrength::Strong);
        Add("Web", password, password);
    }
    Add("Web", "Strong", kStrong);
    const THealthReport report = RateVault(Tree, Options);
    ASSERT_EQ(report.Findings.size(), 2u);
    for (const THealthFinding& finding : report.Findings) {
        EXPECT_EQ(finding.Kind, TKind::Weak);
        const int bits = std::stoi(finding.Detail.substr(finding.Detail.find(", ") + 2));
        EXPECT_LT(bits, kWeakBits) << finding.Detail;
    }
    EXPECT_EQ(RatingText(RateMasterPassword("password")), "Very Weak, 0 bits");
    EXPECT_FALSE(RateMasterPassword(kStrong).IsWeak());
}

// Passwords of 5,000 bytes (format 2 holds any length): rated in bounded time, a long strong
// one is not weak, a long repeated one is, and two that differ in their last byte only are not
// taken for one.
TEST_F(HealthReportTest, PasswordsOfFiveThousandBytesAreRatedAndComparedWhole) {
    std::string longStrong;
    for (std::size_t i = 0; longStrong.size() < 5000; ++i) {
        longStrong += kStrong[(i * 7) % kStrong.size()];
        longStrong += static_cast<char>('!' + (i * 13) % 90);
    }
    std::string nearlySame = longStrong;
    nearlySame.back() ^= 1;
    Add("Long", "A", longStrong);
    Add("Long", "B", nearlySame);
    Add("Long", "C", longStrong);
    Add("Long", "Repeated", std::string(5000, 'a'));
    const auto started = std::chrono::steady_clock::now();
    const THealthReport report = RateVault(Tree, Options);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    EXPECT_EQ(Of(report, "A"), TTexts{"reused: Long / C"});
    EXPECT_EQ(Of(report, "B"), TTexts{});
    EXPECT_EQ(Of(report, "Repeated").size(), 1u);
    EXPECT_EQ(report.Findings.back().Kind, TKind::Weak);
}

// Format 2 counts from the password's change, format 101 (which has no such time) from when the
// record was added, and says so; a record without either time is never old.
TEST_F(HealthReportTest, OldCountsFromThePasswordChangeInFormat2AndFromAddingIn101) {
    Options.OlderThanDays = 365;
    PNode changedLongAgo = Add("Old", "Changed", kStrong + "1", kNow - 400.25);
    changedLongAgo->Data.AddedTime2 = kNow - 500;
    PNode addedLongAgo = Add("Old", "Added", kStrong + "2", kNow - 10);
    addedLongAgo->Data.AddedTime2 = kNow - 1000;
    PNode converted = Add("Old", "Converted", kStrong + "3", 0);
    converted->Data.AddedTime2 = kNow - 366;
    PNode timeless = Add("Old", "Timeless", kStrong + "4", 0);
    timeless->Data.AddedTime2 = 0;
    Add("Old", "Edge", kStrong + "5", kNow - 365);

    const THealthReport format2 = RateVault(Tree, Options);
    EXPECT_EQ(Of(format2, "Changed"), TTexts{"old: 400 days since it was changed"});
    EXPECT_EQ(Of(format2, "Added"), TTexts{});
    EXPECT_EQ(Of(format2, "Converted"),
              TTexts{"old: 366 days, counted from when the record was added"});
    EXPECT_EQ(format2.Count(TKind::Old), 2u);

    Options.Format101 = true;
    const THealthReport format101 = RateVault(Tree, Options);
    EXPECT_EQ(Of(format101, "Changed"),
              TTexts{"old: 500 days, counted from when the record was added"});
    EXPECT_EQ(Of(format101, "Added"),
              TTexts{"old: 1000 days, counted from when the record was added"});
    EXPECT_EQ(Of(format101, "Timeless"), TTexts{});
    EXPECT_EQ(format101.Count(TKind::Old), 3u);
}

}  // namespace
