// Naming records, text conversion and usage errors.

#include "CliTestSupport.h"
#include "vault/NodeDataText.h"
#include "vault/TreeCommands.h"

namespace {

class CliRecordTest : public TCliTest {
protected:
    void SetUp() override { MakeVault(); }
};

TEST_F(CliRecordTest, Utf8ArgumentsAreWindows1252InTheVaultAndComeBack) {
    Succeeds({"add", Vault, "Caf\u00E9", "\u20AC \u0160\u0178 \u0081", "--notes",
              "na\u00EFve\n\u201Cquoted\u201D"});
    TRecordTree tree;
    LoadWithCore(Vault, kMaster, tree);
    const auto records = RecordsOf(tree);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(GroupNameOf(tree, records[0]), "Caf\u00E9");
    EXPECT_EQ(records[0]->Data.Title, "\u20AC \u0160\u0178 \u0081");
    EXPECT_EQ(records[0]->Data.Notes, "na\u00EFve\r\n\u201Cquoted\u201D");

    // U+0081 is a control character: shown as an escape.
    EXPECT_EQ(WithMaster({"ls", Vault}).Out, "Caf\u00E9\n  \u20AC \u0160\u0178 \\u0081\n");
    // Case folding covers a to z only: "CAF\u00C9" is another name.
    const TToolResult shown =
        WithMaster({"show", Vault, "CAF\u00E9", "\u20AC \u0161\u0178 \u0081"});
    EXPECT_EQ(shown.ExitCode, 1);
    const TToolResult found =
        WithMaster({"show", Vault, "cAF\u00E9", "\u20AC \u0160\u0178 \u0081"});
    ASSERT_EQ(found.ExitCode, 0) << found.Err;
    EXPECT_NE(found.Out.find("Notes:    na\u00EFve\n          \u201Cquoted\u201D\n"),
              std::string::npos)
        << found.Out;
    // The export holds the vault's own bytes.
    const TToolResult exported = WithMaster({"export", Vault, "-"});
    EXPECT_NE(exported.Out.find("[\x80 \x8A\x9F \x81]\r\n"), std::string::npos);
    EXPECT_NE(exported.Out.find("Remark=na\xEFve\r\n\x93quoted\x94\r\n"), std::string::npos);
}

TEST_F(CliRecordTest, StoredControlCharactersNeverReachTheTerminalButTheExportKeepsThem) {
    // Retitles the terminal, clears it, and a C1 control (vault byte 0x8D).
    const std::string title = "Evil\x1B]0;pwned\x07\x1B[2J\u008D";
    Succeeds(
        {"add", Vault, "Gr\x1B[H", title, "--user", "a\tb", "--notes", "one\n\x1B[1Atwo\rthree"});
    const auto noControls = [](const std::string& text) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            if ((byte < 0x20 && byte != '\n') || byte == 0x7F ||
                (byte == 0xC2 && i + 1 < text.size() &&
                 (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80))
                return false;
        }
        return true;
    };
    const TToolResult listed = WithMaster({"ls", Vault});
    EXPECT_TRUE(noControls(listed.Out)) << listed.Out;
    EXPECT_EQ(listed.Out, "Gr\\x1B[H\n  Evil\\x1B]0;pwned\\x07\\x1B[2J\\u008D\n");
    const TToolResult shown = WithMaster({"show", Vault, "Gr\x1B[H", title});
    ASSERT_EQ(shown.ExitCode, 0) << shown.Err;
    EXPECT_TRUE(noControls(shown.Out)) << shown.Out;
    EXPECT_NE(shown.Out.find("User:     a\\tb\n"), std::string::npos) << shown.Out;
    EXPECT_NE(shown.Out.find("Notes:    one\n          \\x1B[1Atwo\\rthree\n"), std::string::npos)
        << shown.Out;
    const TToolResult missing = WithMaster({"show", Vault, "Gr\x1B[H", "\x1B]0;x\x07"});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_TRUE(noControls(missing.Err)) << missing.Err;
    // The export is the vault's bytes, exactly.
    const TToolResult exported = WithMaster({"export", Vault, "-"});
    EXPECT_NE(exported.Out.find("[Evil\x1B]0;pwned\x07\x1B[2J\x8D]\r\n"), std::string::npos);
    EXPECT_NE(exported.Out.find("one\r\n\x1B[1Atwo\rthree"), std::string::npos);
}

TEST_F(CliRecordTest, BytesOfNoCharacterAndC1CharactersAreEscapedInPathsAndText) {
    // 0x9B alone is the 8-bit CSI, C2 9B the same control as a character; "\u203A" (E2 80 BA)
    // holds a byte of that range too and is a plain character. C3 starts a character it lacks.
    const std::string path = Folder.File(
        "v\x9B"
        "2J\xC2\x9B"
        "H\u203A\xC3.dat");
    const TToolResult missing = WithMaster({"ls", path});
    EXPECT_EQ(missing.ExitCode, 3);
    EXPECT_EQ(missing.Err, "cofferix-cli: Cannot open file \"" +
                               Folder.File("v\\x9B2J\\u009BH\u203A\\xC3.dat") +
                               "\". No such file or directory\n");

    // Vault bytes 0x90 and 0x9D are C1 controls, 0x9B is "\u203A".
    Succeeds({"add", Vault, "G\u0090", "\u203A\u009D"});
    EXPECT_EQ(WithMaster({"ls", Vault}).Out, "G\\u0090\n  \u203A\\u009D\n");
    const TToolResult unknown = WithMaster({"show", Vault, "G\u0090", "\u009D"});
    EXPECT_EQ(unknown.ExitCode, 1);
    EXPECT_EQ(unknown.Err, "cofferix-cli: no record \"\\u009D\" in group \"G\\u0090\"\n");
}

TEST_F(CliRecordTest, CharactersTheVaultCannotHoldAreRefusedAndNothingChanges) {
    Succeeds({"add", Vault, "G", "T"});
    const std::string bytes = ReadFileBytes(Vault);
    const std::vector<std::vector<std::string>> refused = {
        {"add", Vault, "G", "Omega \u03A9"},
        {"add", Vault, "G\u4E2D", "T"},
        {"add", Vault, "G", "T", "--notes", "\U0001F600"},
        {"edit", Vault, "G", "T", "--user", "\u0100"},
        {"edit", Vault, "G", "T", "--url", "bad \xC3"},
    };
    for (const auto& args : refused) {
        const TToolResult result = WithMaster(args);
        EXPECT_EQ(result.ExitCode, 2) << result.Err;
        EXPECT_NE(result.Err.find("cofferix-cli: the "), std::string::npos) << result.Err;
        EXPECT_EQ(ReadFileBytes(Vault), bytes);
    }
    EXPECT_NE(WithMaster(refused[0]).Err.find("U+03A9"), std::string::npos);
}

TEST_F(CliRecordTest, SeveralMatchesAreAllShownButNeverChanged) {
    Succeeds({"add", Vault, "Web", "Mail", "--user", "first"});
    Succeeds({"add", Vault, "web", "MAIL", "--user", "second"});
    Succeeds({"add", Vault, "Web", "Other"});
    const std::string bytes = ReadFileBytes(Vault);

    const TToolResult shown = WithMaster({"show", Vault, "WEB", "mail"});
    ASSERT_EQ(shown.ExitCode, 0);
    EXPECT_NE(shown.Out.find("User:     first\n"), std::string::npos);
    EXPECT_NE(shown.Out.find("User:     second\n"), std::string::npos);
    EXPECT_LT(shown.Out.find("first"), shown.Out.find("second"));

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"edit", Vault, "Web", "Mail", "--user", "x"},
          std::vector<std::string>{"rm", Vault, "Web", "Mail"}}) {
        const TToolResult result = WithMaster(args);
        EXPECT_EQ(result.ExitCode, 1);
        EXPECT_NE(result.Err.find("2 records match"), std::string::npos) << result.Err;
        EXPECT_EQ(ReadFileBytes(Vault), bytes);
    }

    // --guid picks one of them.
    TRecordTree tree;
    LoadWithCore(Vault, kMaster, tree);
    const std::string second = FormatGuid(RecordsOf(tree)[1]->Data.Guid);
    Succeeds({"edit", Vault, "Web", "Mail", "--guid", second, "--user", "picked"});
    LoadWithCore(Vault, kMaster, tree);
    EXPECT_EQ(RecordsOf(tree)[0]->Data.UserName, "first");
    EXPECT_EQ(RecordsOf(tree)[1]->Data.UserName, "picked");
    Succeeds({"rm", Vault, "Web", "Mail", "--guid", second.substr(1, 36)});
    EXPECT_EQ(WithMaster({"ls", Vault}).Out, "Web\n  Mail\n  Other\n");
}

TEST_F(CliRecordTest, SeveralGroupsOfOneNameAreNotRemoved) {
    Succeeds({"add", Vault, "Web", "A"});
    Succeeds({"rm", Vault, "Web", "A"});
    Succeeds({"add", Vault, "Web", "B"});  // the empty "Web" is not found: a second one
    const std::string bytes = ReadFileBytes(Vault);
    const TToolResult result = WithMaster({"rm", Vault, "WEB"});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_NE(result.Err.find("2 groups"), std::string::npos) << result.Err;
    EXPECT_EQ(ReadFileBytes(Vault), bytes);
}

TEST_F(CliRecordTest, MissingRecordsAreRefused) {
    Succeeds({"add", Vault, "Web", "Mail"});
    const std::string bytes = ReadFileBytes(Vault);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"show", Vault, "Web", "Nope"},
          std::vector<std::string>{"show", Vault, "Nope", "Mail"},
          std::vector<std::string>{"edit", Vault, "Web", "Nope", "--user", "x"},
          std::vector<std::string>{"rm", Vault, "Web", "Nope"},
          std::vector<std::string>{"rm", Vault, "Nope"},
          std::vector<std::string>{"show", Vault, "Web", "Mail", "--guid",
                                   "{00000000-0000-0000-0000-000000000000}"}}) {
        const TToolResult result = WithMaster(args);
        EXPECT_EQ(result.ExitCode, 1) << args[0] << " " << result.Err;
        EXPECT_EQ(ReadFileBytes(Vault), bytes);
    }
    EXPECT_EQ(WithMaster({"show", Vault, "Web", "Nope"}).Err,
              "cofferix-cli: no record \"Nope\" in group \"Web\"\n");
}

TEST_F(CliRecordTest, BadUsageEndsWithStatusTwoAndChangesNothing) {
    Succeeds({"add", Vault, "Web", "Mail"});
    const std::string bytes = ReadFileBytes(Vault);
    const std::vector<std::vector<std::string>> usages = {
        {},
        {"frobnicate"},
        {"help", "frobnicate"},
        {"ls"},
        {"ls", Vault, "extra"},
        {"show", Vault, "Web"},
        {"add", Vault, "Web", "X", "--colour", "red"},
        {"add", Vault, "Web", "X", "--user"},
        {"add", Vault, "Web", "X", "--user", "a", "--user", "b"},
        {"add", Vault, "Web", "X", "--generate=yes"},
        {"add", Vault, "Web", "X", "--generate", "--ask-password"},
        {"add", Vault, " \t", "X"},
        {"edit", Vault, "Web", "Mail", "--group", "  "},
        {"add", Vault, "Web", std::string(129, 't')},
        {"add", Vault, "Web", "X", "--notes", std::string(1025, 'n')},
        {"add", Vault, "Web", "X", "--notes", std::string(513, '\n')},  // 1026 bytes as CR LF
        {"add", Vault, "Web", "two\nlines"},
        {"edit", Vault, "Web", "Mail", "--guid", "not-a-guid"},
        {"rm", Vault, "Web", "--guid", "{00000000-0000-0000-0000-000000000000}"},
        {"backup", Vault, "-"},
        {"generate", "--length", "5"},
        {"generate", "--length", "129"},
        {"generate", "--count", "0"},
        {"generate", "--count", "65001"},
        {"generate", "--length", "12x"},
        {"generate", "--password-stdin"},
        {"generate", "surplus"},
    };
    for (const auto& args : usages) {
        const TToolResult result = WithMaster(args);
        EXPECT_EQ(result.ExitCode, 2) << (args.empty() ? "" : args[0]) << ": " << result.Err;
        EXPECT_EQ(result.Err.rfind("cofferix-cli: ", 0), 0u) << result.Err;
        EXPECT_EQ(ReadFileBytes(Vault), bytes);
    }
    // The longest texts the record editor takes are taken.
    Succeeds({"add", Vault, "Web", std::string(128, 't'), "--notes", std::string(1024, 'n')});
}

TEST_F(CliRecordTest, HelpIsThereForTheToolAndEveryCommand) {
    const TToolResult overview = RunInProcess({"--help"});
    EXPECT_EQ(overview.ExitCode, 0);
    EXPECT_EQ(RunInProcess({"help"}).Out, overview.Out);
    for (const char* command : {"create", "check", "ls", "show", "add", "edit", "rm", "export",
                                "backup", "passwd", "generate"}) {
        EXPECT_NE(overview.Out.find(std::string("  ") + command + " "), std::string::npos)
            << command;
        const TToolResult help = RunInProcess({"help", command});
        EXPECT_EQ(help.ExitCode, 0);
        EXPECT_EQ(help.Out.rfind(std::string("Usage: cofferix-cli ") + command, 0), 0u);
        // Help wins over missing arguments.
        EXPECT_EQ(RunInProcess({command, "--help"}).Out, help.Out);
        EXPECT_EQ(RunInProcess({command, "-h"}).Out, help.Out);
    }
}

}  // namespace
