// import, export --to and merge from the command line.
#include "cli/CliError.h"
#include "CliTestSupport.h"
#include "vault/VaultOperations.h"

namespace {

const std::string kKeePassXcCsv =
    "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
    "\"Last Modified\",\"Created\"\n"
    "\"Root/Internet\",\"Forum\",\"bob\",\"p\"\"w\",\"https://forum.example\",\"a\nb\","
    "\"otpauth://totp/x\",\"0\",\"2024-01-15T10:20:30Z\",\"2023-01-15T10:20:30Z\"\n";

}  // namespace

TEST_F(TCliTest, ImportIsOneChangeTakenTwiceAsNothingAndExportForKeePassReadsBack) {
    MakeVault();
    const std::string csv = Folder.File("keepassxc.csv");
    WriteFileBytes(csv, kKeePassXcCsv);
    TToolResult first = WithMaster({"import", Vault, csv});
    ASSERT_EQ(first.ExitCode, kExitOk) << first.Err;
    EXPECT_NE(first.Out.find("1 record added"), std::string::npos) << first.Out;
    const std::string afterFirst = ReadFileBytes(Vault);
    TToolResult second = WithMaster({"import", Vault, csv});
    EXPECT_NE(second.Out.find("1 record skipped as already present"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(Vault), afterFirst);

    // A malformed file is refused before the password is asked, naming its line.
    WriteFileBytes(csv, kKeePassXcCsv + "\"Root\",\"unterminated\n");
    TToolResult broken = RunInProcess({"import", Vault, csv, "--password-stdin"}, "");
    EXPECT_EQ(broken.ExitCode, kExitFailure);
    EXPECT_NE(broken.Err.find("Line 4: "), std::string::npos) << broken.Err;
    EXPECT_EQ(ReadFileBytes(Vault), afterFirst);

    const std::string xml = Folder.File("out.xml");
    Succeeds({"export", Vault, xml, "--to", "keepass-xml"});
    const std::string copy = Folder.File("copy.dat");
    VaultCreate(copy, kMaster, TVaultFormat::Format2);
    TToolResult back =
        RunInProcess({"import", copy, xml, "--password-stdin"}, std::string(kMaster) + "\n");
    ASSERT_EQ(back.ExitCode, kExitOk) << back.Err;
    TRecordTree original;
    TRecordTree roundTrip;
    LoadWithCore(Vault, kMaster, original);
    LoadWithCore(copy, kMaster, roundTrip);
    ASSERT_EQ(RecordsOf(roundTrip).size(), 1u);
    const TNodeData& was = RecordsOf(original)[0]->Data;
    const TNodeData& is = RecordsOf(roundTrip)[0]->Data;
    EXPECT_EQ(is.Title, was.Title);
    EXPECT_EQ(is.Password, "p\"w");
    EXPECT_EQ(is.Notes, was.Notes);
    EXPECT_EQ(roundTrip.Parent(RecordsOf(roundTrip)[0])->Data.Title, "Internet");
}

TEST_F(TCliTest, MergeAsksForTheOtherPasswordOnlyWhenItDiffersAndKeepsBothVersions) {
    MakeVault();
    Succeeds({"add", Vault, "Mail", "home", "--user", "me"});
    const std::string other = Folder.File("vault (conflicted copy 2026-12-08 101010).dat");
    WriteFileBytes(other, ReadFileBytes(Vault));
    Succeeds({"edit", other, "Mail", "home", "--user", "there"});
    Succeeds({"edit", Vault, "Mail", "home", "--user", "here"});

    TToolResult info = WithMaster({"info", Vault});
    EXPECT_NE(info.Out.find("Conflict copy:   " + other), std::string::npos) << info.Out;
    TToolResult merged = WithMaster({"merge", Vault, other});
    ASSERT_EQ(merged.ExitCode, kExitOk) << merged.Err;
    TRecordTree tree;
    LoadWithCore(Vault, kMaster, tree);
    std::vector<std::string> users;
    for (const TRecordTree::TNode* record : RecordsOf(tree)) {
        users.push_back(record->Data.Title + "=" + record->Data.UserName);
    }
    EXPECT_EQ(users, (std::vector<std::string>{"home=here", "home (merged copy)=there"}));

    // Another master password is asked for as a second line.
    const std::string foreign = Folder.File("foreign.dat");
    VaultCreate(foreign, "Other-Master", TVaultFormat::Format2);
    TToolResult wrong = WithMaster({"merge", Vault, foreign}, "not-it\n");
    EXPECT_NE(wrong.ExitCode, kExitOk);
    TToolResult right = WithMaster({"merge", Vault, foreign}, "Other-Master\n");
    EXPECT_EQ(right.ExitCode, kExitOk) << right.Err;
}
