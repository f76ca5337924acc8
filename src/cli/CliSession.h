#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "base/VaultText.h"
#include "cli/CommandLine.h"
#include "cli/PasswordInput.h"
#include "cli/SecretText.h"

// Where a run of cofferix-cli writes and reads.
struct TCliStreams {
    std::ostream& Out;
    std::ostream& Err;
    int InputFd = 0;  // standard input, for --password-stdin
};

// One command being run: its parsed arguments, its output and its password input.
class TCliSession {
public:
    TCliSession(const TInvocation& call, TCliStreams& streams);

    const TInvocation& Call() const { return FCall; }
    const std::string& Arg(std::size_t index) const { return FCall.Args.at(index); }
    std::size_t ArgCount() const { return FCall.Args.size(); }
    std::ostream& Out() { return FStreams.Out; }

    // Reads the next password and converts it to the vault's bytes. Prompts name it for the
    // person at the terminal; what names it in messages.
    void ReadPassword(std::string_view prompt, std::string_view what, TSecretText& ansi);

    // The text the command's vault holds (its format's), which passwords read are checked
    // against; Windows-1252 until a command knows the format.
    TVaultTextKind TextKind() const { return FTextKind; }
    void SetTextKind(TVaultTextKind kind) { FTextKind = kind; }

private:
    const TInvocation& FCall;
    TCliStreams& FStreams;
    std::unique_ptr<TPasswordInput> FInput;
    TVaultTextKind FTextKind = TVaultTextKind::CodePage1252;
};

inline constexpr std::string_view kMasterPrompt = "Master password: ";
inline constexpr std::string_view kMasterWhat = "master password";
