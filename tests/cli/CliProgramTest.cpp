// The built program: exit status, standard streams and the terminal.

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "CliTestSupport.h"

namespace {

class CliProgramTest : public TCliTest {};

TEST_F(CliProgramTest, ExitStatusTellsTheKindOfFailure) {
    MakeVault();
    const std::string master = std::string(kMaster) + "\n";
    EXPECT_EQ(RunProgram({"check", Vault, "--password-stdin"}, master).ExitCode, 0);
    EXPECT_EQ(RunProgram({"check", Vault, "--password-stdin"}, "wrong-pass\n").ExitCode, 1);
    EXPECT_EQ(RunProgram({"check", Vault, "surplus", "--password-stdin"}, master).ExitCode, 2);

    const TToolResult missing =
        RunProgram({"ls", Folder.File("missing.dat"), "--password-stdin"}, master);
    EXPECT_EQ(missing.ExitCode, 3);
    EXPECT_EQ(missing.Err.rfind(
                  "cofferix-cli: Cannot open file \"" + Folder.File("missing.dat") + "\". ", 0),
              0u)
        << missing.Err;

    // Too short for a vault header: the system's text, its CR LF shown as one line.
    WriteFileBytes(Folder.File("short.dat"), std::string(100, 'x'));
    const TToolResult damaged =
        RunProgram({"ls", Folder.File("short.dat"), "--password-stdin"}, master);
    EXPECT_EQ(damaged.ExitCode, 3);
    EXPECT_EQ(damaged.Err, "cofferix-cli: Invalid database! " + Folder.File("short.dat") + "\n");
    // check answers "does not open" for it, naming the reason.
    const TToolResult checked =
        RunProgram({"check", Folder.File("short.dat"), "--password-stdin"}, master);
    EXPECT_EQ(checked.ExitCode, 1);
    EXPECT_EQ(checked.Err, damaged.Err);

    // A length of no whole number of cipher blocks: check refuses it as ls does, whatever the
    // password, before a password of it is ever taken as right.
    const std::string partial = Folder.File("partial.dat");
    WriteFileBytes(partial, ReadFileBytes(Vault) + "12345");
    const TToolResult listed = RunProgram({"ls", partial, "--password-stdin"}, master);
    EXPECT_EQ(listed.ExitCode, 3);
    EXPECT_EQ(listed.Err, "cofferix-cli: Invalid buffer size for decryption: the length of \"" +
                              partial +
                              "\" is not a multiple of 16 bytes, so it is no whole vault\n");
    for (const std::string& input : {master, std::string("wrong-pass\n")}) {
        const TToolResult refused = RunProgram({"check", partial, "--password-stdin"}, input);
        EXPECT_EQ(refused.ExitCode, 1);
        EXPECT_EQ(refused.Err, listed.Err);
    }
}

TEST_F(CliProgramTest, WithoutATerminalPasswordsNeedPasswordStdin) {
    MakeVault();
    const TToolResult result = RunProgram({"check", Vault}, std::string(kMaster) + "\n");
    EXPECT_EQ(result.ExitCode, 2);
    EXPECT_NE(result.Err.find("--password-stdin"), std::string::npos) << result.Err;
}

TEST_F(CliProgramTest, ExportToStandardOutputIsTheVaultsBytes) {
    MakeVault();
    Succeeds({"add", Vault, "Caf\u00E9", "T", "--user", "\u20AC"});
    const std::string file = Folder.File("list.txt");
    Succeeds({"export", Vault, file});
    const TToolResult result =
        RunProgram({"export", Vault, "-", "--password-stdin"}, std::string(kMaster) + "\n");
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(result.Out, ReadFileBytes(file));
    EXPECT_NE(result.Out.find("[Caf\xE9]\r\n"), std::string::npos);
    EXPECT_EQ(result.Err, "");
}

// A child on a pseudo-terminal of its own, as a person at a terminal runs the tool.
class TTerminalRun {
public:
    explicit TTerminalRun(const std::vector<std::string>& args) {
        std::vector<std::string> argvText = {COFFERIX_CLI_PATH};
        argvText.insert(argvText.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : argvText) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        FPid = ::forkpty(&FMaster, nullptr, nullptr, nullptr);
        if (FPid == 0) {
            ::signal(SIGPIPE, SIG_DFL);
            ::execv(COFFERIX_CLI_PATH, argv.data());
            ::_exit(127);
        }
    }
    ~TTerminalRun() {
        if (FPid > 0) {
            ::kill(FPid, SIGKILL);
            Wait();
        }
        ::close(FMaster);
    }

    bool Started() const { return FPid > 0; }

    // Collects what the terminal shows until text appears or the child ends.
    bool WaitFor(const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (Screen.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline || !ReadSome(1000)) {
                return Screen.find(text) != std::string::npos;
            }
        }
        return true;
    }
    void Type(const std::string& text) {
        ASSERT_EQ(::write(FMaster, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    bool EchoIsOn() {
        termios mode{};
        ::tcgetattr(FMaster, &mode);
        return (mode.c_lflag & ECHO) != 0;
    }
    void Signal(int number) { ::kill(FPid, number); }
    // Reads the rest of the screen and answers the exit status (128 + signal); a child that
    // does not end within 30 seconds is killed and answers -1.
    int Finish() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            ReadSome(100);
            int status = 0;
            if (::waitpid(FPid, &status, WNOHANG) == FPid) {
                FPid = -1;
                while (ReadSome(100)) {
                }
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
        }
        return -1;
    }

    std::string Screen;

private:
    bool ReadSome(int timeoutMs) {
        pollfd fd{FMaster, POLLIN, 0};
        if (::poll(&fd, 1, timeoutMs) <= 0) {
            return false;
        }
        char buffer[1024];
        const ssize_t n = ::read(FMaster, buffer, sizeof buffer);
        if (n <= 0) {
            return false;  // EIO once the child has closed the terminal
        }
        Screen.append(buffer, static_cast<std::size_t>(n));
        return true;
    }
    int Wait() {
        int status = 0;
        ::waitpid(FPid, &status, 0);
        FPid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    int FMaster = -1;
    pid_t FPid = -1;
};

TEST_F(CliProgramTest, TerminalPasswordsAreReadWithEchoOff) {
    MakeVault();
    TTerminalRun run({"check", Vault});
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.WaitFor("Master password: ")) << run.Screen;
    EXPECT_FALSE(run.EchoIsOn());
    run.Type(std::string(kMaster) + "\n");
    EXPECT_EQ(run.Finish(), 0) << run.Screen;
    EXPECT_EQ(run.Screen.find(kMaster), std::string::npos) << run.Screen;
}

TEST_F(CliProgramTest, TerminalEchoComesBackWhenInterrupted) {
    MakeVault();
    TTerminalRun run({"passwd", Vault});
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.WaitFor("Master password: ")) << run.Screen;
    ASSERT_FALSE(run.EchoIsOn());
    run.Signal(SIGINT);
    EXPECT_EQ(run.Finish(), 128 + SIGINT);
    EXPECT_TRUE(run.EchoIsOn());
}

TEST_F(CliProgramTest, TerminalCreateAsksNewAndConfirm) {
    TTerminalRun run({"create", Vault});
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.WaitFor("New Password: ")) << run.Screen;
    run.Type("Term-Pass-1\n");
    ASSERT_TRUE(run.WaitFor("Confirm Password: ")) << run.Screen;
    run.Type("Term-Pass-1\n");
    EXPECT_EQ(run.Finish(), 0) << run.Screen;
    EXPECT_EQ(run.Screen.find("Term-Pass-1"), std::string::npos) << run.Screen;
    EXPECT_EQ(RunInProcess({"check", Vault, "--password-stdin"}, "Term-Pass-1\n").ExitCode, 0);
}

}  // namespace
