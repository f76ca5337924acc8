#include "cli/PasswordInput.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "cli/CliError.h"

namespace {

enum class TLineEnd { Newline, EndOfInput };

// Appends the bytes of one line of fd to secret; answers whether a line end or the end of
// the input stopped it. Refuses lines that do not fit the secret's reserved storage.
TLineEnd ReadLine(int fd, TSecretText& secret) {
    std::string& line = secret.Value();
    for (;;) {
        char byte = 0;
        const ssize_t got = ::read(fd, &byte, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw ECliError("cannot read the password: " + std::string(strerror(errno)),
                            kExitFailure);
        }
        if (got == 0) {
            return TLineEnd::EndOfInput;
        }
        if (byte == '\n') {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return TLineEnd::Newline;
        }
        if (line.size() + 1 >= TSecretText::kCapacity) {
            secret.Wipe();
            throw UsageError("the password is too long");
        }
        line.push_back(byte);
    }
}

class TStreamPasswordInput : public TPasswordInput {
public:
    explicit TStreamPasswordInput(int fd) : FFd(fd) {}

    void Read(std::string_view, std::string_view what, TSecretText& secret) override {
        secret.Wipe();
        if (ReadLine(FFd, secret) == TLineEnd::EndOfInput && secret.Value().empty()) {
            throw UsageError("standard input ended before the " + std::string(what));
        }
    }

private:
    int FFd;
};

// The terminal's mode while echo is off, for the signal handler to put back.
int gEchoFd = -1;
termios gSavedMode{};
termios gQuietMode{};
volatile std::sig_atomic_t gEchoIsOff = 0;
constexpr int kRestoringSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RestoreEchoAndRaise(int signalNumber) {
    if (gEchoIsOff != 0) {
        ::tcsetattr(gEchoFd, TCSAFLUSH, &gSavedMode);
        gEchoIsOff = 0;
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// Ctrl-Z at the prompt: the shell the person returns to gets its echo back, and the prompt
// gets it off again when the program continues.
extern "C" void RestoreEchoAndStop(int) {
    const int savedErrno = errno;
    if (gEchoIsOff != 0) {
        ::tcsetattr(gEchoFd, TCSANOW, &gSavedMode);
    }
    struct sigaction handler {};
    ::sigaction(SIGTSTP, nullptr, &handler);
    std::signal(SIGTSTP, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    // Blocked while its handler runs: unblocked, the default action stops the process here,
    // and the call returns once it is continued.
    ::sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    std::raise(SIGTSTP);
    ::sigaction(SIGTSTP, &handler, nullptr);
    if (gEchoIsOff != 0) {
        ::tcsetattr(gEchoFd, TCSANOW, &gQuietMode);
    }
    errno = savedErrno;
}

// Turns the terminal's echo off for its lifetime; a signal that ends the program while echo
// is off turns it back on first.
class TEchoOff {
public:
    explicit TEchoOff(int fd) {
        if (::tcgetattr(fd, &gSavedMode) != 0) {
            throw ECliError("cannot read the terminal's settings: " + std::string(strerror(errno)),
                            kExitFailure);
        }
        gEchoFd = fd;
        struct sigaction action {};
        action.sa_handler = RestoreEchoAndRaise;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kRestoringSignals); ++i) {
            ::sigaction(kRestoringSignals[i], &action, &FOldActions[i]);
        }
        gQuietMode = gSavedMode;
        gQuietMode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK);
        gQuietMode.c_lflag |= ECHONL;
        struct sigaction stopAction {};
        stopAction.sa_handler = RestoreEchoAndStop;
        sigemptyset(&stopAction.sa_mask);
        // A read interrupted by the stop goes on reading after it.
        stopAction.sa_flags = SA_RESTART;
        ::sigaction(SIGTSTP, &stopAction, &FOldStopAction);
        gEchoIsOff = 1;
        if (::tcsetattr(fd, TCSAFLUSH, &gQuietMode) != 0) {
            const int error = errno;
            Restore();
            throw ECliError("cannot turn the terminal's echo off: " + std::string(strerror(error)),
                            kExitFailure);
        }
    }
    ~TEchoOff() { Restore(); }
    TEchoOff(const TEchoOff&) = delete;
    TEchoOff& operator=(const TEchoOff&) = delete;

private:
    void Restore() {
        if (gEchoIsOff != 0) {
            ::tcsetattr(gEchoFd, TCSAFLUSH, &gSavedMode);
            gEchoIsOff = 0;
        }
        for (std::size_t i = 0; i < std::size(kRestoringSignals); ++i) {
            ::sigaction(kRestoringSignals[i], &FOldActions[i], nullptr);
        }
        ::sigaction(SIGTSTP, &FOldStopAction, nullptr);
    }

    struct sigaction FOldActions[std::size(kRestoringSignals)]{};
    struct sigaction FOldStopAction {};
};

class TTerminalPasswordInput : public TPasswordInput {
public:
    explicit TTerminalPasswordInput(std::ostream& prompts) : FPrompts(prompts) {}

    void Read(std::string_view prompt, std::string_view what, TSecretText& secret) override {
        secret.Wipe();
        const int fd = OpenTerminal();
        TLineEnd end = TLineEnd::Newline;
        try {
            // Echo goes off before the prompt shows, so nothing typed after it is echoed.
            TEchoOff echoOff(fd);
            FPrompts << prompt << std::flush;
            end = ReadLine(fd, secret);
        } catch (...) {
            CloseTerminal(fd);
            throw;
        }
        CloseTerminal(fd);
        if (end == TLineEnd::EndOfInput) {
            // Ctrl-D: the person gave no password.
            FPrompts << "\n" << std::flush;
            secret.Wipe();
            throw UsageError("no " + std::string(what) + " given");
        }
    }

private:
    static int OpenTerminal() {
        const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) {
            return fd;
        }
        if (::isatty(STDIN_FILENO) != 0) {
            return STDIN_FILENO;
        }
        throw UsageError("no terminal to read the password from; use --password-stdin");
    }

    static void CloseTerminal(int fd) {
        if (fd != STDIN_FILENO) {
            ::close(fd);
        }
    }

    std::ostream& FPrompts;
};

}  // namespace

std::unique_ptr<TPasswordInput> MakeTerminalPasswordInput(std::ostream& prompts) {
    return std::make_unique<TTerminalPasswordInput>(prompts);
}

std::unique_ptr<TPasswordInput> MakeStreamPasswordInput(int fd) {
    return std::make_unique<TStreamPasswordInput>(fd);
}
