#include "cli/CliSession.h"

#include "base/VaultText.h"

TCliSession::TCliSession(const TInvocation& call, TCliStreams& streams)
    : FCall(call), FStreams(streams) {}

void TCliSession::ReadPassword(std::string_view prompt, std::string_view what, TSecretText& ansi) {
    if (!FInput) {
        FInput = FCall.Has("--password-stdin") ? MakeStreamPasswordInput(FStreams.InputFd)
                                               : MakeTerminalPasswordInput(FStreams.Err);
    }
    TSecretText typed;
    FInput->Read(prompt, what, typed);
    ansi.Wipe();
    try {
        VaultPasswordFromUtf8(typed.Value(), what, ansi.Value(), FTextKind);
    } catch (...) {
        ansi.Wipe();
        throw;
    }
}
