#include "CliTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "cli/CofferixCli.h"
#include "vault/VaultKey.h"
#include "vault/VaultOperations.h"

extern char** environ;

namespace {

// Format-2 vaults made in this process derive with the least parameters a file may have,
// so that a test may derive many times; the program itself calibrates.
const bool kFastKeyDerivation = [] {
    VaultKdfTesting::SetCalibratedParameters(
        TKdfParameters{VaultKdf::kArgon2id13, VaultKdf::kMinMemoryKiB, VaultKdf::kMinIterations,
                       VaultKdf::kParallelism});
    return true;
}();

// Every test runs with HOME in a folder of its own, so nothing reaches the real home folder.
class THomeEnvironment : public testing::Environment {
public:
    void SetUp() override {
        FHome = std::make_unique<TTempFolder>();
        setenv("HOME", FHome->Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", FHome->File("config").c_str(), 1);
        setenv("XDG_DATA_HOME", FHome->File("data").c_str(), 1);
        // A child that ends before it has read its input must not end the test program.
        std::signal(SIGPIPE, SIG_IGN);
    }
    void TearDown() override { FHome.reset(); }

private:
    std::unique_ptr<TTempFolder> FHome;
};

[[maybe_unused]] testing::Environment* const gHome =
    testing::AddGlobalTestEnvironment(new THomeEnvironment);

struct TPipe {
    int Read = -1;
    int Write = -1;
    TPipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe failed");
        }
        Read = fds[0];
        Write = fds[1];
    }
    ~TPipe() {
        CloseRead();
        CloseWrite();
    }
    void CloseRead() {
        if (Read >= 0) {
            ::close(Read);
            Read = -1;
        }
    }
    void CloseWrite() {
        if (Write >= 0) {
            ::close(Write);
            Write = -1;
        }
    }
};

// Feeds input to the child and collects its two output streams until both end.
void Exchange(TPipe& in, TPipe& out, TPipe& err, const std::string& input, TToolResult& result) {
    std::size_t written = 0;
    if (input.empty()) {
        in.CloseWrite();
    }
    ::fcntl(in.Write, F_SETFL, O_NONBLOCK);
    while (out.Read >= 0 || err.Read >= 0) {
        pollfd fds[3] = {{out.Read, POLLIN, 0}, {err.Read, POLLIN, 0}, {in.Write, POLLOUT, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::runtime_error("poll failed");
        }
        if (fds[2].revents != 0) {
            const ssize_t n = ::write(in.Write, input.data() + written, input.size() - written);
            written += n > 0 ? static_cast<std::size_t>(n) : 0;
            if (n < 0 || written == input.size()) {
                in.CloseWrite();  // also when the child stopped reading
            }
        }
        TPipe* streams[2] = {&out, &err};
        std::string* targets[2] = {&result.Out, &result.Err};
        for (int i = 0; i < 2; ++i) {
            if (fds[i].revents != 0) {
                char buffer[4096];
                const ssize_t n = ::read(streams[i]->Read, buffer, sizeof buffer);
                if (n > 0) {
                    targets[i]->append(buffer, static_cast<std::size_t>(n));
                } else {
                    streams[i]->CloseRead();
                }
            }
        }
    }
}

}  // namespace

TTempFolder::TTempFolder() {
    char pattern[] = "/tmp/cofferix-cli-test-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    FPath = pattern;
}

TTempFolder::~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
}

TToolResult RunInProcess(const std::vector<std::string>& args, const std::string& input) {
    TPipe in;
    if (::write(in.Write, input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
        throw std::runtime_error("the test input does not fit a pipe");
    }
    in.CloseWrite();
    std::ostringstream out;
    std::ostringstream err;
    TCliStreams streams{out, err, in.Read};
    TToolResult result;
    result.ExitCode = RunCli(args, streams);
    result.Out = out.str();
    result.Err = err.str();
    return result;
}

TToolResult RunProgram(const std::vector<std::string>& args, const std::string& input) {
    TPipe in, out, err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.Read, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out.Write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.Write, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A new session has no controlling terminal: /dev/tty cannot be opened.
    // The child gets SIGPIPE's default action back, which this program ignores.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> argvText = {COFFERIX_CLI_PATH};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvText) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, COFFERIX_CLI_PATH, &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " COFFERIX_CLI_PATH);
    }
    in.CloseRead();
    out.CloseWrite();
    err.CloseWrite();

    TToolResult result;
    Exchange(in, out, err, input, result);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool PathExists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

void LoadWithCore(const std::string& path, const std::string& password, TRecordTree& tree) {
    VaultLoad(path, password, tree);
}

std::vector<const TRecordTree::TNode*> RecordsOf(const TRecordTree& tree) {
    std::vector<const TRecordTree::TNode*> records;
    tree.ForEach([&](TRecordTree::TNode& node) {
        if (!node.Data.IsGroup) {
            records.push_back(&node);
        }
    });
    return records;
}

void TCliTest::MakeVault() {
    VaultCreate(Vault, kMaster);
}

TToolResult TCliTest::WithMaster(std::vector<std::string> args, const std::string& moreInput) {
    args.push_back("--password-stdin");
    return RunInProcess(args, std::string(kMaster) + "\n" + moreInput);
}

void TCliTest::Succeeds(std::vector<std::string> args, const std::string& moreInput) {
    const TToolResult result = WithMaster(args, moreInput);
    ASSERT_EQ(result.ExitCode, 0) << args.front() << ": " << result.Err;
}
