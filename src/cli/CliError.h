#pragma once

#include <stdexcept>
#include <string>

// Exit status of cofferix-cli.
constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;   // a refused password, a missing or ambiguous record
constexpr int kExitUsage = 2;     // bad arguments or input text the vault cannot hold
constexpr int kExitFailure = 3;   // anything else: files, damaged vaults, output errors
constexpr int kExitFindings = 4;  // health: the report names at least one record

// A failure of the tool itself, with the exit status it ends the program with. The message
// never holds a password.
class ECliError : public std::runtime_error {
public:
    ECliError(const std::string& message, int exitCode)
        : std::runtime_error(message), FExitCode(exitCode) {}
    int ExitCode() const { return FExitCode; }

private:
    int FExitCode;
};

inline ECliError UsageError(const std::string& message) {
    return ECliError(message, kExitUsage);
}
