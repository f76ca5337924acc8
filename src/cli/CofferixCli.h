#pragma once

#include <string>
#include <vector>

#include "cli/CliSession.h"

// Runs cofferix-cli with the arguments after the program name and answers the exit status.
// Every failure is reported on streams.Err as "cofferix-cli: " and a message; nothing is
// written to the vault or a destination file when a command fails.
int RunCli(const std::vector<std::string>& args, TCliStreams& streams);
