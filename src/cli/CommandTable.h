#pragma once

#include <string_view>
#include <vector>

class TCliSession;

// The commands of cofferix-cli with their arguments, options and the function that runs each.
// The parser accepts exactly what this table lists, the help prints it and the run calls the
// function it names, so none of them can drift apart.

// Answers the exit status of the command's success; throws on failure.
using TCommandFunction = int (*)(TCliSession&);

struct TOptionSpec {
    std::string_view Name;       // "--user"
    std::string_view ValueName;  // "U"; empty for a flag
    std::string_view Help;
    bool TakesValue() const { return !ValueName.empty(); }
};

struct TCommandSpec {
    std::string_view Name;
    TCommandFunction Run;
    std::string_view Synopsis;  // the arguments, as the usage line shows them
    std::string_view Summary;   // one line for the overview
    std::string_view Description;
    std::size_t MinArgs = 0;
    std::size_t MaxArgs = 0;
    std::vector<TOptionSpec> Options;

    const TOptionSpec* FindOption(std::string_view name) const;
};

const std::vector<TCommandSpec>& CommandTable();
const TCommandSpec* FindCommand(std::string_view name);
