#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CommandTable.h"

// One parsed call of cofferix-cli.
struct TInvocation {
    enum class TKind { Run, Help, Version };

    TKind Kind = TKind::Run;
    // The command to run, or whose help to show; null for the overview help.
    const TCommandSpec* Command = nullptr;
    std::vector<std::string> Args;
    // Options given, by name ("--user"); flags hold an empty value.
    std::map<std::string, std::string, std::less<>> Options;

    bool Has(std::string_view option) const { return Options.find(option) != Options.end(); }
    // The option's value, or null when it was not given.
    const std::string* Value(std::string_view option) const;
};

// Parses the arguments after the program name. Options may stand anywhere after the command,
// as "--name value" or "--name=value"; "--" ends the options. Throws a usage ECliError, whose
// message never repeats an argument's value (someone may have typed a password there).
TInvocation ParseCommandLine(const std::vector<std::string>& args);
