#include "app/CommandLineOptions.h"

#include <exception>
#include <string_view>

#include "app/AutostartEntry.h"
#include "base/AppIdentity.h"
#include "base/StringTable.h"

#ifndef COFFERIX_VERSION
#define COFFERIX_VERSION "unknown"
#endif

namespace {

constexpr std::string_view kAutostartOption = "--autostart";

void PrintHelp(std::ostream& out) {
    out << "Usage: cofferix [--autorun]\n"
           "       cofferix --autostart=on|off\n"
           "       cofferix --help | --version\n"
           "\n"
        << Str::sAppTitle
        << ": a password manager. One encrypted vault file holds your accounts.\n"
           "\n"
           "  --autorun          start hidden: only the icon in the notification area shows\n"
           "                     (also -autorun or /autorun)\n"
           "  --autostart=on     start hidden at every login: writes\n"
           "                     $XDG_CONFIG_HOME/autostart/"
        << Str::sAppId
        << ".desktop\n"
           "  --autostart=off    no longer start at login: removes that entry\n"
           "  --help             show this help and end\n"
           "  --version          show the version and end\n"
           "\n"
           "Unless you choose another, the vault is ~/.local/share/"
        << Str::sAppDataFolder << "/" << Str::sDefaultVaultFile
        << "\n"
           "See cofferix(1) and cofferix-cli(1).\n";
}

int RunAutostart(std::string_view value, std::ostream& out, std::ostream& err) {
    if (value != "on" && value != "off") {
        err << "cofferix: --autostart takes \"on\" or \"off\"\n";
        return 2;
    }
    try {
        const auto entry = AutostartEntry::EntryPath();
        using AutostartEntry::TChange;
        switch (value == "on" ? AutostartEntry::Enable(entry, AutostartEntry::ProgramPath())
                              : AutostartEntry::Disable(entry)) {
            case TChange::Written:
                out << "Starts hidden at login: wrote " << entry.string() << "\n";
                break;
            case TChange::Unchanged:
                out << "Already starts hidden at login: " << entry.string() << "\n";
                break;
            case TChange::Removed:
                out << "No longer starts at login: removed " << entry.string() << "\n";
                break;
            case TChange::Absent:
                out << "Was not set to start at login: " << entry.string() << "\n";
                break;
        }
        return 0;
    } catch (const std::exception& error) {
        err << "cofferix: " << error.what() << "\n";
        return 1;
    }
}

}  // namespace

std::optional<int> RunCommandLineOptions(const std::vector<std::string>& arguments,
                                         std::ostream& out, std::ostream& err) {
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            PrintHelp(out);
            return 0;
        }
        if (argument == "--version") {
            out << "cofferix (" << Str::sAppTitle << ") " << COFFERIX_VERSION << "\n";
            return 0;
        }
        const std::string_view text(argument);
        if (text.substr(0, kAutostartOption.size()) == kAutostartOption) {
            const std::string_view rest = text.substr(kAutostartOption.size());
            if (rest.empty() || rest.front() != '=') {
                err << "cofferix: --autostart takes \"on\" or \"off\" (--autostart=on)\n";
                return 2;
            }
            return RunAutostart(rest.substr(1), out, err);
        }
    }
    return std::nullopt;
}
