#include "app/CommandLineOptions.h"

#include <array>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "app/AutostartEntry.h"
#include "base/AppIdentity.h"
#include "base/AutorunSwitch.h"
#include "base/StringTable.h"

#ifndef COFFERIX_VERSION
#define COFFERIX_VERSION "unknown"
#endif

namespace {

constexpr std::string_view kAutostartOption = "--autostart";

// Qt's own options that take the next argument as their value (-platform offscreen): that
// value is no vault file.
constexpr std::array<std::string_view, 15> kQtValueOptions = {
    "platform",        "platformpluginpath",
    "platformtheme",   "plugin",
    "qwindowgeometry", "geometry",
    "qwindowtitle",    "title",
    "qwindowicon",     "icon",
    "display",         "name",
    "style",           "stylesheet",
    "session"};

bool IsQtValueOption(std::string_view argument) {
    argument.remove_prefix(argument.substr(0, 2) == "--" ? 2 : 1);
    for (const std::string_view option : kQtValueOptions) {
        if (argument == option) {
            return true;
        }
    }
    return false;
}

// A path as a terminal shows it: control characters (C0, DEL and, in UTF-8, C1) as codes.
std::string ShownPath(std::string_view path) {
    std::string shown;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        const bool c1 = byte == 0xC2 && i + 1 < path.size() &&
                        static_cast<unsigned char>(path[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(path[i + 1]) <= 0x9F;
        if (byte < 0x20 || byte == 0x7F || c1) {
            const unsigned code = c1 ? static_cast<unsigned char>(path[++i]) : byte;
            char text[8];
            std::snprintf(text, sizeof text, "\\x%02x", code);
            shown += text;
        } else {
            shown += path[i];
        }
    }
    return shown;
}

// The vault file named on the command line must be one: at most one path, and a file.
std::optional<int> CheckPathArguments(const std::vector<std::string>& arguments,
                                      std::ostream& err) {
    const std::vector<std::string> paths = PathArguments(arguments);
    if (paths.size() > 1) {
        err << "cofferix: give one vault file, not " << paths.size() << "\n";
        return 2;
    }
    if (paths.empty()) {
        return std::nullopt;
    }
    std::error_code error;
    const auto status = std::filesystem::status(paths.front(), error);
    if (std::filesystem::is_regular_file(status)) {
        return std::nullopt;
    }
    err << "cofferix: cannot open \"" << ShownPath(paths.front()) << "\": "
        << (std::filesystem::exists(status) ? "it is not a file" : "there is no such file") << "\n";
    return 2;
}

void PrintHelp(std::ostream& out) {
    out << "Usage: cofferix [--autorun] [PATH]\n"
           "       cofferix --autostart=on|off\n"
           "       cofferix --help | --version\n"
           "\n"
        << Str::sAppTitle
        << ": a password manager. One encrypted vault file holds your accounts.\n"
           "\n"
           "  PATH               open the vault file PATH: its master password is asked for;\n"
           "                     a copy that runs already offers to switch to it\n"
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
    return CheckPathArguments(arguments, err);
}

std::vector<std::string> PathArguments(const std::vector<std::string>& arguments) {
    std::vector<std::string> paths;
    bool options = true;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (options && argument == "--") {
            options = false;
        } else if (options && argument.size() > 1 && argument.front() == '-') {
            i += IsQtValueOption(argument) ? 1 : 0;
        } else if (!options || !HasAutorunSwitch(std::vector<std::string>{argument})) {
            paths.push_back(argument);
        }
    }
    return paths;
}

std::string VaultPathArgument(const std::vector<std::string>& arguments) {
    const std::vector<std::string> paths = PathArguments(arguments);
    if (paths.empty()) {
        return {};
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(paths.front(), error);
    return error ? paths.front() : absolute.lexically_normal().string();
}
