// Format 2 through the tool: what it creates, the text it takes, converting, telling a wrong
// password from a damaged file, and an independent reader of what it wrote.

#include <cstdlib>

#include "CliTestSupport.h"
#include "base/StringTable.h"
#include "vault/VaultOperations.h"

namespace {

const std::string kPolish = "Łukasz Żółć";
const std::string kCyrillic = "Ярослав";
const std::string kChinese = "王小明";
const std::string kEmoji = "🔑 keys 🗝";

class CliFormat2Test : public TCliTest {
protected:
    void Create(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"create", Vault, "--password-stdin"};
        args.insert(args.end(), extra.begin(), extra.end());
        const TToolResult made = RunInProcess(args, std::string(kMaster) + "\n" + kMaster + "\n");
        ASSERT_EQ(made.ExitCode, 0) << made.Err;
    }
    bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }
};

// Text cut or refused in a format-2 vault, or a conversion to 101 that dropped it silently,
// loses what the user typed.
TEST_F(CliFormat2Test, AnyTextAndLongNotesGoThroughAddExportAndAConversionRefusedWithTheList) {
    Create();
    EXPECT_EQ(VaultReadInfo(Vault).Format, TVaultFormat::Format2);
    const std::string notes = std::string(4990, 'n') + kEmoji;
    Succeeds({"add", Vault, kCyrillic, kPolish, "--user", kChinese, "--notes", notes});
    Succeeds({"add", Vault, kCyrillic, kEmoji, "--ask-password"}, kChinese + "\n");
    Succeeds({"add", Vault, kCyrillic, "plain"});

    TRecordTree tree;
    LoadWithCore(Vault, kMaster, tree);
    const auto records = RecordsOf(tree);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]->Data.UserName, kChinese);
    EXPECT_EQ(records[0]->Data.Notes, notes);
    EXPECT_EQ(records[1]->Data.Password, kChinese);

    const TToolResult exported = WithMaster({"export", Vault, "-"});
    ASSERT_EQ(exported.ExitCode, 0) << exported.Err;
    EXPECT_TRUE(Has(exported.Out, "[" + kPolish + "]\r\nID=" + kChinese));
    EXPECT_TRUE(Has(exported.Out, "Remark=" + notes + "\r\n"));

    const TToolResult info = WithMaster({"info", Vault});
    ASSERT_EQ(info.ExitCode, 0) << info.Err;
    EXPECT_TRUE(Has(info.Out, "Format:          2\n"));
    EXPECT_TRUE(Has(info.Out, "Argon2id, 8 MiB, 3 iterations, parallelism 1"));
    EXPECT_TRUE(Has(info.Out, "Groups:          1\nRecords:         3\n"));

    const std::string before = ReadFileBytes(Vault);
    const TToolResult refused = WithMaster({"convert", Vault, "--to", "1"});
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_TRUE(Has(refused.Err, kCyrillic + " / " + kPolish));
    EXPECT_TRUE(Has(refused.Err, kCyrillic + " / " + kEmoji));
    EXPECT_FALSE(Has(refused.Err, "plain"));
    EXPECT_EQ(ReadFileBytes(Vault), before);
}

// A format-101 vault converted by the tool and back is the same vault; one converted to 2
// takes any text afterwards, and --format 1 makes 101.
TEST_F(CliFormat2Test, ConvertBothWaysKeepsTheRecordsAndTheFormatDecidesTheText) {
    Create({"--format", "1"});
    EXPECT_EQ(VaultReadInfo(Vault).Format, TVaultFormat::Format101);
    EXPECT_EQ(WithMaster({"add", Vault, "Web", kPolish}).ExitCode, 2);  // Ł is no Windows-1252
    Succeeds({"add", Vault, "Web", "Café €", "--user", "ünïcödé"});
    const TToolResult info = WithMaster({"info", Vault});
    EXPECT_TRUE(Has(info.Out, "Format:          1 (101)\n")) << info.Out;

    Succeeds({"convert", Vault, "--to", "2"});
    EXPECT_EQ(VaultReadInfo(Vault).Format, TVaultFormat::Format2);
    EXPECT_EQ(WithMaster({"convert", Vault, "--to", "2"}).ExitCode, 1);
    Succeeds({"convert", Vault, "--to", "101"});
    EXPECT_EQ(VaultReadInfo(Vault).Format, TVaultFormat::Format101);
    TRecordTree tree;
    LoadWithCore(Vault, kMaster, tree);
    ASSERT_EQ(RecordsOf(tree).size(), 1u);
    EXPECT_EQ(RecordsOf(tree)[0]->Data.UserName, "ünïcödé");
    EXPECT_EQ(RunInProcess({"convert", Vault, "--to", "3", "--password-stdin"}).ExitCode, 2);
}

// A damaged file reported as a wrong password sends the user after a password that is right;
// neither may write anything.
TEST_F(CliFormat2Test, WrongPasswordAndDamagedFileGiveTheirOwnMessagesAndWriteNothing) {
    Create();
    Succeeds({"add", Vault, "Web", "Mail"});
    const std::string good = ReadFileBytes(Vault);
    const TToolResult wrong =
        RunInProcess({"add", Vault, "Web", "More", "--password-stdin"}, "not the master\n");
    EXPECT_EQ(wrong.ExitCode, 1);
    EXPECT_TRUE(Has(wrong.Err, std::string(Str::sInvalidPassword)));
    EXPECT_EQ(ReadFileBytes(Vault), good);

    std::string damaged = good;
    damaged[damaged.size() - 20] ^= 0x40;
    WriteFileBytes(Vault, damaged);
    for (const char* command : {"add", "ls", "check", "convert"}) {
        std::vector<std::string> args = {command, Vault};
        if (std::string(command) == "add") {
            args.insert(args.end(), {"Web", "More"});
        }
        if (std::string(command) == "convert") {
            args.insert(args.end(), {"--to", "1"});
        }
        const TToolResult result = WithMaster(args);
        EXPECT_EQ(result.ExitCode, 3) << command;
        EXPECT_TRUE(Has(result.Err, "is damaged")) << command << ": " << result.Err;
        EXPECT_FALSE(Has(result.Err, std::string(Str::sInvalidPassword))) << command;
        EXPECT_EQ(ReadFileBytes(Vault), damaged) << command;
    }
}

// The format's page is enough to read what the tool writes: a reader written from it alone
// (tests/vault/read_vault2.py, Python with PyNaCl) finds the record.
TEST_F(CliFormat2Test, AnIndependentReaderReadsWhatTheToolWrote) {
    Create();
    Succeeds({"add", Vault, "Web", kCyrillic, "--user", kEmoji, "--ask-password"}, "s3cret\n");
    const std::string passwordFile = Folder.File("password.txt");
    WriteFileBytes(passwordFile, std::string(kMaster) + "\n");
    const std::string json = Folder.File("vault.json");
    const std::string command = "/usr/bin/python3 " COFFERIX_SOURCE_DIR
                                "/tests/vault/read_vault2.py '" +
                                Vault + "' < '" + passwordFile + "' > '" + json + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string read = ReadFileBytes(json);
    EXPECT_TRUE(Has(read, "\"title\": \"" + kCyrillic + "\"")) << read;
    EXPECT_TRUE(Has(read, "\"user_name\": \"" + kEmoji + "\""));
    EXPECT_TRUE(Has(read, "\"password\": \"s3cret\""));
    EXPECT_TRUE(Has(read, "\"kind\": \"group\""));
}

}  // namespace
