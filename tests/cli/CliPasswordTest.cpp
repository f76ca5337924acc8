// Where passwords come from, in which order, and that they never show in arguments, help or
// messages.

#include <sys/stat.h>

#include "CliTestSupport.h"
#include "cli/CliHelp.h"
#include "cli/CommandTable.h"
#include "vault/VaultOperations.h"

namespace {

class CliPasswordTest : public TCliTest {};

TEST_F(CliPasswordTest, CreateTakesTheNewPasswordThenItsConfirmation) {
    const TToolResult made = RunInProcess({"create", Vault, "--format", "1", "--password-stdin"},
                                          "alpha-first\nalpha-first\n");
    ASSERT_EQ(made.ExitCode, 0) << made.Err;
    EXPECT_EQ(ReadFileBytes(Vault).size(), 512u);  // format 101, as asked
    EXPECT_TRUE(VaultCheckPassword(Vault, "alpha-first"));
    struct stat info {};
    ASSERT_EQ(::stat(Vault.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // CR LF line ends lose their "\r".
    const std::string second = Folder.File("second.dat");
    ASSERT_EQ(
        RunInProcess({"create", second, "--password-stdin"}, "crlf-pass\r\ncrlf-pass\r\n").ExitCode,
        0);
    EXPECT_TRUE(VaultCheckPassword(second, "crlf-pass"));
}

TEST_F(CliPasswordTest, CreateRefusesAShortOrUnconfirmedPasswordAndWritesNothing) {
    const TToolResult differs =
        RunInProcess({"create", Vault, "--password-stdin"}, "alpha-first\nbeta-second\n");
    EXPECT_EQ(differs.ExitCode, 1);
    EXPECT_FALSE(PathExists(Vault));

    const TToolResult tooShort = RunInProcess({"create", Vault, "--password-stdin"}, "five5\n");
    EXPECT_EQ(tooShort.ExitCode, 1);
    EXPECT_EQ(tooShort.Err, "cofferix-cli: Need at least 6 letters for the password!\n");
    EXPECT_FALSE(PathExists(Vault));

    const TToolResult noInput = RunInProcess({"create", Vault, "--password-stdin"}, "");
    EXPECT_EQ(noInput.ExitCode, 2);
    EXPECT_FALSE(PathExists(Vault));
}

TEST_F(CliPasswordTest, CreateReplacesAnExistingFileOnlyWithForce) {
    WriteFileBytes(Vault, "precious");
    const TToolResult refused =
        RunInProcess({"create", Vault, "--password-stdin"}, "alpha-first\nalpha-first\n");
    EXPECT_EQ(refused.ExitCode, 3);
    EXPECT_EQ(ReadFileBytes(Vault), "precious");
    ASSERT_EQ(
        RunInProcess({"create", Vault, "--force", "--password-stdin"}, "alpha-first\nalpha-first\n")
            .ExitCode,
        0);
    EXPECT_TRUE(VaultCheckPassword(Vault, "alpha-first"));
}

TEST_F(CliPasswordTest, PasswdTakesCurrentThenNewThenConfirmation) {
    MakeVault();
    const std::size_t length = ReadFileBytes(Vault).size();
    const TToolResult changed = RunInProcess({"passwd", Vault, "--password-stdin"},
                                             std::string(kMaster) + "\nnew-pass-2\nnew-pass-2\n");
    ASSERT_EQ(changed.ExitCode, 0) << changed.Err;
    EXPECT_TRUE(VaultCheckPassword(Vault, "new-pass-2"));
    EXPECT_FALSE(VaultCheckPassword(Vault, kMaster));
    EXPECT_EQ(ReadFileBytes(Vault).size(), length);
}

TEST_F(CliPasswordTest, PasswdRefusalsLeaveTheFileUnchanged) {
    MakeVault();
    const std::string bytes = ReadFileBytes(Vault);
    const std::string cases[] = {
        "new-pass-2\n" + std::string(kMaster) + "\n" + kMaster + "\n",  // wrong current
        std::string(kMaster) + "\nnew-pass-2\nnew-pass-3\n",            // confirmation differs
        std::string(kMaster) + "\nshort\nshort\n",                      // too short
    };
    for (const std::string& input : cases) {
        const TToolResult result = RunInProcess({"passwd", Vault, "--password-stdin"}, input);
        EXPECT_EQ(result.ExitCode, 1) << result.Err;
        EXPECT_EQ(ReadFileBytes(Vault), bytes);
    }
    EXPECT_EQ(RunInProcess({"passwd", Vault, "--password-stdin"}, cases[0]).Err,
              "cofferix-cli: Invalid Password!\n");
}

TEST_F(CliPasswordTest, AskPasswordTakesTheMasterPasswordFirst) {
    MakeVault();
    Succeeds({"add", Vault, "G", "T", "--ask-password"}, "record-pw\n");
    TRecordTree tree;
    LoadWithCore(Vault, kMaster, tree);
    ASSERT_EQ(RecordsOf(tree).size(), 1u);
    EXPECT_EQ(RecordsOf(tree)[0]->Data.Password, "record-pw");

    Succeeds({"edit", Vault, "G", "T", "--ask-password"}, "second-pw\n");
    LoadWithCore(Vault, kMaster, tree);
    EXPECT_EQ(RecordsOf(tree)[0]->Data.Password, "second-pw");
}

TEST_F(CliPasswordTest, WrongMasterPasswordChangesNothing) {
    MakeVault();
    Succeeds({"add", Vault, "G", "T"});
    const std::string bytes = ReadFileBytes(Vault);
    const std::string wrong = "wrong-master\n";
    const std::vector<std::vector<std::string>> commands = {
        {"check", Vault},
        {"ls", Vault},
        {"show", Vault, "G", "T"},
        {"add", Vault, "G", "New"},
        {"edit", Vault, "G", "T", "--title", "X"},
        {"rm", Vault, "G", "T"},
        {"rm", Vault, "G"},
        {"export", Vault, Folder.File("out.txt")},
        {"backup", Vault, Folder.File("copy.dat")},
        {"passwd", Vault},
    };
    for (std::vector<std::string> args : commands) {
        args.push_back("--password-stdin");
        const TToolResult result = RunInProcess(args, wrong + "new-pass-2\nnew-pass-2\n");
        EXPECT_EQ(result.ExitCode, 1) << args.front();
        EXPECT_EQ(result.Err, "cofferix-cli: Invalid Password!\n") << args.front();
        EXPECT_EQ(result.Out, "") << args.front();
        EXPECT_EQ(ReadFileBytes(Vault), bytes) << args.front();
    }
    EXPECT_FALSE(PathExists(Folder.File("out.txt")));
    EXPECT_FALSE(PathExists(Folder.File("copy.dat")));
    EXPECT_EQ(
        RunInProcess({"check", Vault, "--password-stdin"}, std::string(kMaster) + "\n").ExitCode,
        0);
}

TEST_F(CliPasswordTest, NoOptionTakesAPasswordAsItsValue) {
    for (const TCommandSpec& command : CommandTable()) {
        for (const TOptionSpec& option : command.Options) {
            if (option.TakesValue()) {
                EXPECT_EQ(option.Name.find("pass"), std::string_view::npos) << option.Name;
                EXPECT_EQ(option.ValueName.find("PASS"), std::string_view::npos);
            }
        }
        const std::string help = CommandHelp(command);
        EXPECT_EQ(help.find("--password "), std::string::npos) << help;
        EXPECT_EQ(help.find("--password="), std::string::npos) << help;
    }
    // The one option that looks like a password option is refused, value unseen.
    MakeVault();
    const TToolResult result = RunInProcess({"check", Vault, "--password=Arg-Secret-1"});
    EXPECT_EQ(result.ExitCode, 2);
    EXPECT_EQ(result.Err.find("Arg-Secret-1"), std::string::npos) << result.Err;
    const TToolResult glued = RunInProcess({"check", Vault, "-pArg-Secret-1"});
    EXPECT_EQ(glued.ExitCode, 2);
    EXPECT_EQ(glued.Err.find("Arg-Secret-1"), std::string::npos) << glued.Err;
}

// Every refusal, triggered with known passwords; none of them may show in the messages.
TEST_F(CliPasswordTest, MessagesNeverShowAPassword) {
    MakeVault();
    Succeeds({"add", Vault, "G", "T"});
    Succeeds({"add", Vault, "G", "Twice"});
    Succeeds({"add", Vault, "G", "Twice"});
    const std::string master = std::string(kMaster) + "\n";
    const std::string other = "0ther-Secret\n";
    struct TCase {
        std::vector<std::string> Args;
        std::string Input;
    };
    const std::vector<TCase> cases = {
        {{"ls", Vault}, other},
        {{"passwd", Vault}, other},
        {{"passwd", Vault}, master + "Sh0rt\n"},
        {{"passwd", Vault}, master + "0ther-Secret\nDiffer-Secret\n"},
        {{"create", Folder.File("new.dat")}, "0ther-Secret\nDiffer-Secret\n"},
        {{"create", Folder.File("new.dat")}, "Sh0rt\n"},
        {{"show", Vault, "G", "Missing"}, master},
        {{"edit", Vault, "G", "Twice"}, master},
        {{"add", Vault, "G", "T", "--ask-password"}, master + "0ther\xCE\xA9Secret\n"},
        {{"add", Vault, "G", "T", "--ask-password"}, master + "0ther\xC3Secret\n"},
        {{"add", Vault, "G", "T", "--ask-password"}, master + std::string(129, 'x') + "\n"},
        {{"check", Folder.File("missing.dat")}, master},
        {{"export", Vault, Vault}, master},
        {{"add", Vault, "G", "T", "--ask-password"}, master},
    };
    for (TCase test : cases) {
        test.Args.push_back("--password-stdin");
        const TToolResult result = RunInProcess(test.Args, test.Input);
        EXPECT_NE(result.ExitCode, 0) << test.Args.front() << " " << test.Input;
        EXPECT_FALSE(result.Err.empty());
        for (const char* secret : {kMaster, "0ther", "Sh0rt", "Differ-Secret", "xxxxxxxx"}) {
            EXPECT_EQ(result.Err.find(secret), std::string::npos)
                << test.Args.front() << ": " << result.Err;
            EXPECT_EQ(result.Out.find(secret), std::string::npos) << result.Out;
        }
    }
}

}  // namespace
