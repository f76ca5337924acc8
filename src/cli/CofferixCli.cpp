#include "cli/CofferixCli.h"

#include <new>

#include "base/StringTable.h"
#include "base/VaultText.h"
#include "cli/CliError.h"
#include "cli/CliHelp.h"
#include "cli/CliText.h"
#include "cli/Commands.h"
#include "vault/CofferixError.h"

namespace {

// The core's messages may hold CR LF ("Invalid database!" CR LF path); one line reads better.
std::string OneLine(std::string message) {
    std::string line;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') {
            continue;
        }
        line.push_back(message[i] == '\n' || message[i] == '\r' ? ' ' : message[i]);
    }
    return line;
}

int Report(TCliStreams& streams, const std::string& message, int exitCode) {
    // Messages name paths and records, which may hold anything.
    streams.Err << "cofferix-cli: " << EscapeControls(OneLine(message)) << "\n" << std::flush;
    return exitCode;
}

int RunInvocation(const TInvocation& call, TCliStreams& streams) {
    switch (call.Kind) {
        case TInvocation::TKind::Help:
            streams.Out << (call.Command ? CommandHelp(*call.Command) : OverviewHelp());
            break;
        case TInvocation::TKind::Version:
            streams.Out << VersionText();
            break;
        case TInvocation::TKind::Run: {
            TCliSession session(call, streams);
            const int exitCode = call.Command->Run(session);
            streams.Out.flush();
            if (!streams.Out) {
                throw ECliError("cannot write the output", kExitFailure);
            }
            return exitCode;
        }
    }
    streams.Out.flush();
    return kExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, TCliStreams& streams) {
    try {
        const TInvocation call = ParseCommandLine(args);
        return RunInvocation(call, streams);
    } catch (const ECliError& error) {
        return Report(streams, error.what(), error.ExitCode());
    } catch (const EVaultTextError& error) {
        return Report(streams, error.what(), kExitUsage);
    } catch (const EVaultPasswordError& error) {
        return Report(streams, error.what(), kExitRefused);
    } catch (const ECofferixError& error) {
        return Report(streams, error.what(), kExitFailure);
    } catch (const std::bad_alloc&) {
        return Report(streams, "out of memory", kExitFailure);
    } catch (const std::exception& error) {
        return Report(streams, error.what(), kExitFailure);
    }
}
