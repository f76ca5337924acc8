#include "cli/CommandLine.h"

#include "cli/CliError.h"

namespace {

bool IsHelpOption(std::string_view arg) {
    return arg == "--help" || arg == "-h";
}

// "--name=value" names "--name"; only the name may be shown in a message.
std::string_view OptionName(std::string_view arg) {
    return arg.substr(0, arg.find('='));
}

// Repeats an unknown option's name only when it looks like a mistyped option, never when it
// could be a password typed in the wrong place.
std::string UnknownOptionText(std::string_view name) {
    bool looksLikeOption = name.size() > 2 && name.size() <= 24 && name.substr(0, 2) == "--";
    for (std::size_t i = 2; looksLikeOption && i < name.size(); ++i) {
        looksLikeOption = (name[i] >= 'a' && name[i] <= 'z') || name[i] == '-';
    }
    return looksLikeOption ? "unknown option " + std::string(name) : "unknown option";
}

TInvocation HelpFor(const TCommandSpec* command) {
    TInvocation invocation;
    invocation.Kind = TInvocation::TKind::Help;
    invocation.Command = command;
    return invocation;
}

TInvocation ParseHelpCommand(const std::vector<std::string>& args) {
    if (args.size() > 2) {
        throw UsageError("help takes at most one command name");
    }
    if (args.size() == 1) {
        return HelpFor(nullptr);
    }
    const TCommandSpec* command = FindCommand(args[1]);
    if (command == nullptr) {
        throw UsageError("help: unknown command; see 'cofferix-cli --help'");
    }
    return HelpFor(command);
}

void AddOption(TInvocation& invocation, const TOptionSpec& option, std::string value) {
    const auto [it, inserted] = invocation.Options.emplace(std::string(option.Name), "");
    if (!inserted) {
        throw UsageError("option " + std::string(option.Name) + " is given twice");
    }
    it->second = std::move(value);
}

void CheckArgumentCount(const TInvocation& invocation) {
    const TCommandSpec& command = *invocation.Command;
    const std::size_t count = invocation.Args.size();
    if (count < command.MinArgs || count > command.MaxArgs) {
        const std::string synopsis =
            command.Synopsis.empty() ? "no arguments" : std::string(command.Synopsis);
        throw UsageError(std::string(count < command.MinArgs ? "too few" : "too many") +
                         " arguments; " + std::string(command.Name) + " takes " + synopsis);
    }
}

}  // namespace

const std::string* TInvocation::Value(std::string_view option) const {
    const auto it = Options.find(option);
    return it == Options.end() ? nullptr : &it->second;
}

TInvocation ParseCommandLine(const std::vector<std::string>& args) {
    if (args.empty()) {
        throw UsageError("no command given; see 'cofferix-cli --help'");
    }
    const std::string& first = args[0];
    if (IsHelpOption(first)) {
        return HelpFor(nullptr);
    }
    if (first == "--version") {
        TInvocation invocation;
        invocation.Kind = TInvocation::TKind::Version;
        return invocation;
    }
    if (first == "help") {
        return ParseHelpCommand(args);
    }
    const TCommandSpec* command = FindCommand(first);
    if (command == nullptr) {
        throw UsageError("unknown command; see 'cofferix-cli --help'");
    }

    TInvocation invocation;
    invocation.Command = command;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            invocation.Args.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (IsHelpOption(arg)) {
            return HelpFor(command);
        }
        const std::string_view name = OptionName(arg);
        const TOptionSpec* option = command->FindOption(name);
        if (option == nullptr) {
            throw UsageError(std::string(command->Name) + ": " + UnknownOptionText(name) +
                             "; see 'cofferix-cli help " + std::string(command->Name) + "'");
        }
        const bool inlineValue = name.size() < arg.size();
        if (!option->TakesValue()) {
            if (inlineValue) {
                throw UsageError("option " + std::string(name) + " takes no value");
            }
            AddOption(invocation, *option, "");
        } else if (inlineValue) {
            AddOption(invocation, *option, arg.substr(name.size() + 1));
        } else if (i + 1 < args.size()) {
            AddOption(invocation, *option, args[++i]);
        } else {
            throw UsageError("option " + std::string(name) + " needs a value");
        }
    }
    // A help option after "--" is an argument; one before it was handled above.
    CheckArgumentCount(invocation);
    return invocation;
}
