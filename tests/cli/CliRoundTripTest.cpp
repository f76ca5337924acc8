// Round trips through the tool and the core: what the commands write is what the core reads
// and what the window's "Export List" writes.

#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <utility>

#include "CliTestSupport.h"
#include "cli/CliError.h"
#include "cli/OpenVault.h"
#include "vault/Clock.h"
#include "vault/LockedFile.h"
#include "vault/TreeCommands.h"
#include "vault/VaultOperations.h"

namespace {

const std::string kSeparator = "--------------------------------------\r\n";

std::string ExportEntry(const std::string& title, const std::string& id = "",
                        const std::string& password = "", const std::string& url = "",
                        const std::string& notes = "") {
    return kSeparator + "[" + title + "]\r\nID=" + id + "\r\nPassword=" + password +
           "\r\nUrl=" + url + "\r\nRemark=" + notes + "\r\n" + kSeparator;
}

class CliRoundTripTest : public TCliTest {};

TEST_F(CliRoundTripTest, CommandsFollowTheWindowsRulesAndExportByteForByte) {
    ASSERT_EQ(RunInProcess({"create", Vault, "--password-stdin"},
                           std::string(kMaster) + "\n" + kMaster + "\n")
                  .ExitCode,
              0);
    Succeeds({"add", Vault, "Web", "Mail", "--user", "alice", "--url", "https://mail.example",
              "--notes", "line one\nline two", "--ask-password"},
             "mail-pw\n");
    Succeeds({"add", Vault, "Bank", "Savings", "--user=bob"});
    // A group name in another letter case finds the group that holds records.
    Succeeds({"add", Vault, "wEB", "Forum", "--user", "carol"});
    Succeeds({"edit", Vault, "WEB", "mail", "--title", "Mailbox", "--user", "alice2"});
    // The last record goes; its group stays, empty.
    Succeeds({"rm", Vault, "bank", "SAVINGS"});
    // An empty group is not found by name: the record makes a second "Bank" at the end.
    Succeeds({"add", Vault, "Bank", "Loan"});

    const std::string expected = ExportEntry("Web") +
                                 ExportEntry("Mailbox", "alice2", "mail-pw", "https://mail.example",
                                             "line one\r\nline two") +
                                 ExportEntry("Forum", "carol") + ExportEntry("Bank") +
                                 ExportEntry("Bank") + ExportEntry("Loan");

    const std::string exportFile = Folder.File("list.txt");
    Succeeds({"export", Vault, exportFile});
    EXPECT_EQ(ReadFileBytes(exportFile), expected);
    struct stat info {};
    ASSERT_EQ(::stat(exportFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const TToolResult toOutput = WithMaster({"export", Vault, "-"});
    EXPECT_EQ(toOutput.ExitCode, 0);
    EXPECT_EQ(toOutput.Out, expected);

    const TToolResult listing = WithMaster({"ls", Vault});
    EXPECT_EQ(listing.Out, "Web\n  Mailbox\n  Forum\nBank\nBank\n  Loan\n");
}

TEST_F(CliRoundTripTest, EmptyVaultExportsAnEmptyText) {
    MakeVault();
    const std::string exportFile = Folder.File("empty.txt");
    Succeeds({"export", Vault, exportFile});
    EXPECT_TRUE(PathExists(exportFile));
    EXPECT_EQ(ReadFileBytes(exportFile), "");
}

TEST_F(CliRoundTripTest, AddedRecordsGetAFreshGuidAndTheCurrentTime) {
    MakeVault();
    const TDateTime before = NowAsDateTime();
    Succeeds({"add", Vault, "G", "One"});
    Succeeds({"add", Vault, "G", "Two", "--generate"});
    TRecordTree tree;
    LoadWithCore(Vault, kMaster, tree);
    const auto records = RecordsOf(tree);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NE(records[0]->Data.Guid, records[1]->Data.Guid);
    EXPECT_NE(records[0]->Data.Guid, TGuid{});
    for (const auto* record : records) {
        EXPECT_GE(record->Data.AddedTime, before - 1e-6);
        EXPECT_GE(record->Data.AddedTime2, record->Data.AddedTime);
        EXPECT_EQ(record->Data.SpareValue, TSpareValue{});
    }
    EXPECT_EQ(records[0]->Data.Password, "");
    // The record editor's password: 16 characters of the four sets.
    const std::string& generated = records[1]->Data.Password;
    EXPECT_EQ(generated.size(), 16u);
    EXPECT_EQ(generated.find_first_of("{}[]<>() -_"), std::string::npos);
}

TEST_F(CliRoundTripTest, RecordAddedUnderASetClockGetsThatTime) {
    MakeVault();
    constexpr TDateTime kSetTime = 45351.0 + (13 * 3600 + 45 * 60 + 30) / 86400.0;
    {
        const TFixedClock clock(kSetTime);
        Succeeds({"add", Vault, "G", "One"});
    }
    EXPECT_NE(NowAsDateTime(), kSetTime);  // the wall clock runs again
    TRecordTree tree;
    LoadWithCore(Vault, kMaster, tree);
    const auto records = RecordsOf(tree);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]->Data.AddedTime, kSetTime);
    EXPECT_EQ(records[0]->Data.AddedTime2, kSetTime);
    const TToolResult shown = WithMaster({"show", Vault, "G", "One"});
    EXPECT_NE(shown.Out.find("Added:    2024-02-29 13:45:30\n"), std::string::npos) << shown.Out;
}

TEST_F(CliRoundTripTest, MovedRecordKeepsGuidTimesAndSpareValue) {
    MakeVault();
    {
        TRecordTree tree;
        LoadWithCore(Vault, kMaster, tree);
        TNodeData fields;
        fields.Title = "Mail";
        fields.Password = "pw-1";
        PNode record = AddRecordNode(tree, "Web", fields);
        record->Data.AddedTime = 40000.25;
        record->Data.AddedTime2 = 40000.5;
        record->Data.SpareValue = {1, 2, 3, 4, 5, 6, 7, 8};
        AddRecordNode(tree, "Other", TNodeData{});
        VaultSave(Vault, kMaster, tree);
    }
    TRecordTree before;
    LoadWithCore(Vault, kMaster, before);
    const TNodeData original = RecordsOf(before)[0]->Data;

    Succeeds({"edit", Vault, "web", "mail", "--group", "OTHER", "--notes", "moved"});

    TRecordTree after;
    LoadWithCore(Vault, kMaster, after);
    const auto records = RecordsOf(after);
    ASSERT_EQ(records.size(), 2u);
    const TNodeData& moved = records[1]->Data;  // now the last child of "Other"
    EXPECT_EQ(GroupNameOf(after, records[1]), "Other");
    EXPECT_EQ(moved.Title, "Mail");
    EXPECT_EQ(moved.Notes, "moved");
    EXPECT_EQ(moved.Password, "pw-1");
    EXPECT_EQ(moved.Guid, original.Guid);
    EXPECT_EQ(moved.AddedTime, 40000.25);
    EXPECT_EQ(moved.AddedTime2, 40000.5);
    EXPECT_EQ(moved.SpareValue, original.SpareValue);
    // The group it left stays, empty.
    EXPECT_EQ(WithMaster({"ls", Vault}).Out, "Web\nOther\n  \n  Mail\n");
}

TEST_F(CliRoundTripTest, MoveToANewGroupNameMakesTheGroupAtTheEnd) {
    MakeVault();
    Succeeds({"add", Vault, "A", "One"});
    Succeeds({"add", Vault, "B", "Two"});
    Succeeds({"edit", Vault, "A", "One", "--group", "C"});
    EXPECT_EQ(WithMaster({"ls", Vault}).Out, "A\nB\n  Two\nC\n  One\n");
}

TEST_F(CliRoundTripTest, RemovingAGroupTakesItsRecords) {
    MakeVault();
    Succeeds({"add", Vault, "A", "One"});
    Succeeds({"add", Vault, "A", "Two"});
    Succeeds({"add", Vault, "B", "Three"});
    Succeeds({"rm", Vault, "a"});
    EXPECT_EQ(WithMaster({"ls", Vault}).Out, "B\n  Three\n");
    EXPECT_EQ(WithMaster({"rm", Vault, "A"}).ExitCode, 1);
}

TEST_F(CliRoundTripTest, BackupIsAByteCopyThatOpensWithTheMasterPassword) {
    MakeVault();
    Succeeds({"add", Vault, "G", "T", "--user", "u"});
    const std::string backup = Folder.File("backup.dat");
    Succeeds({"backup", Vault, backup});
    EXPECT_EQ(ReadFileBytes(backup), ReadFileBytes(Vault));
    struct stat info {};
    ASSERT_EQ(::stat(backup.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(VaultCheckPassword(backup, kMaster));
}

TEST_F(CliRoundTripTest, ExportAndBackupRefuseTheVaultItselfAndChangeNothing) {
    MakeVault();
    Succeeds({"add", Vault, "G", "T"});
    const std::string bytes = ReadFileBytes(Vault);
    const std::string otherSpelling = Folder.Path() + "/./vault.dat";
    for (const char* command : {"export", "backup"}) {
        const TToolResult result = WithMaster({command, Vault, otherSpelling});
        EXPECT_EQ(result.ExitCode, 2) << command;
        EXPECT_NE(result.Err.find("the vault itself"), std::string::npos) << result.Err;
        EXPECT_EQ(ReadFileBytes(Vault), bytes);
    }
}

TEST_F(CliRoundTripTest, ShowPrintsTheFieldsAndThePasswordOnlyWhenAsked) {
    MakeVault();
    Succeeds({"add", Vault, "Web", "Mail", "--user", "alice", "--url", "u://x", "--notes", "a\nb",
              "--ask-password"},
             "Rec0rd-Secret\n");
    const TToolResult hidden = WithMaster({"show", Vault, "web", "MAIL"});
    ASSERT_EQ(hidden.ExitCode, 0) << hidden.Err;
    EXPECT_EQ(hidden.Out.find("Rec0rd-Secret"), std::string::npos);
    EXPECT_NE(hidden.Out.find("Group:    Web\nTitle:    Mail\nUser:     alice\n"),
              std::string::npos)
        << hidden.Out;
    EXPECT_NE(hidden.Out.find("URL:      u://x\nNotes:    a\n          b\n"), std::string::npos)
        << hidden.Out;

    const TToolResult shown = WithMaster({"show", Vault, "web", "MAIL", "--show-password"});
    EXPECT_NE(shown.Out.find("Password: Rec0rd-Secret\n"), std::string::npos) << shown.Out;
}

// What another writer saved before the change is taken in; what it saves under the change's
// own save is never written over.
TEST_F(CliRoundTripTest, ChangeTakesInAnEarlierSaveAndIsRefusedOverALaterOne) {
    MakeVault();
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const std::string line = std::string(kMaster) + "\n";
    ASSERT_EQ(::write(fds[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
    ::close(fds[1]);
    std::ostringstream out, err;
    TCliStreams streams{out, err, fds[0]};
    const TInvocation call = ParseCommandLine({"add", Vault, "G", "T", "--password-stdin"});
    TCliSession session(call, streams);
    TVaultSession vault;
    OpenVault(session, Vault, vault);
    ::close(fds[0]);

    // Another writer saves the vault between this command's load and its save.
    TRecordTree other;
    LoadWithCore(Vault, kMaster, other);
    AddRecordNode(other, "Theirs", TNodeData{});
    VaultSave(Vault, kMaster, other);

    ChangeVault(vault, [](TVaultChange& change) { change.AddRecord("Mine", TNodeData{}); });
    TRecordTree both;
    LoadWithCore(Vault, kMaster, both);
    ASSERT_EQ(both.ChildCount(nullptr), 2);
    EXPECT_EQ(both.Child(nullptr, 0)->Data.Title, "Theirs");
    EXPECT_EQ(both.Child(nullptr, 1)->Data.Title, "Mine");

    // Another writer saves between this save's open and its lock.
    bool saved = false;
    LockedFileTesting::SetAfterOpen([&] {
        if (!std::exchange(saved, true)) {
            AddRecordNode(other, "Later", TNodeData{});
            VaultSave(Vault, kMaster, other);
        }
    });
    const std::string later = ReadFileBytes(Vault);
    EXPECT_THROW(
        ChangeVault(vault, [](TVaultChange& change) { change.AddRecord("Refused", TNodeData{}); }),
        ECliError);
    LockedFileTesting::SetAfterOpen({});
    EXPECT_TRUE(saved);
    EXPECT_NE(ReadFileBytes(Vault), later);
    TRecordTree after;
    LoadWithCore(Vault, kMaster, after);
    EXPECT_EQ(after.ChildCount(nullptr), 2);  // Theirs and Later: nothing of the refused change
    EXPECT_EQ(after.Child(nullptr, 1)->Data.Title, "Later");
}

TEST_F(CliRoundTripTest, GenerateKeepsTheWindowsDefaultsAndRanges) {
    const TToolResult defaults = RunInProcess({"generate"});
    ASSERT_EQ(defaults.ExitCode, 0);
    ASSERT_EQ(defaults.Out.size(), 21u);  // 20 characters and the line end
    EXPECT_EQ(defaults.Out.find_first_of("{}[]<>() -_"), std::string::npos);

    const TToolResult spaces =
        RunInProcess({"generate", "--space", "--length", "128", "--count", "3"});
    EXPECT_EQ(spaces.Out, std::string(128, ' ') + "\n" + std::string(128, ' ') + "\n" +
                              std::string(128, ' ') + "\n");
    const TToolResult digits = RunInProcess({"generate", "--digits", "--length=6"});
    ASSERT_EQ(digits.Out.size(), 7u);
    EXPECT_EQ(digits.Out.find_first_not_of("0123456789\n"), std::string::npos);
    EXPECT_EQ(RunInProcess({"generate", "--count", "65000", "--minus"}).Out.size(), 65000u * 21u);
}

}  // namespace
