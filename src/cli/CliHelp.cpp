#include "cli/CliHelp.h"

#include "base/StringTable.h"

#ifndef COFFERIX_VERSION
#define COFFERIX_VERSION "unknown"
#endif

namespace {

constexpr std::size_t kOptionColumn = 26;
constexpr std::size_t kLineWidth = 80;

// Breaks text into lines that end before kLineWidth, the further ones indented to column.
std::string Wrapped(std::string_view text, std::size_t column) {
    std::string result;
    std::size_t lineLength = column;
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        if (lineLength > column && lineLength + 1 + word.size() > kLineWidth) {
            result += "\n" + std::string(column, ' ');
            lineLength = column;
        } else if (lineLength > column) {
            result += ' ';
            ++lineLength;
        }
        result += word;
        lineLength += word.size();
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    }
    return result;
}

std::string Padded(std::string text, std::size_t column) {
    text += text.size() + 2 <= column ? std::string(column - text.size(), ' ')
                                      : "\n" + std::string(column, ' ');
    return text;
}

std::string OptionLine(const TOptionSpec& option) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely on "literal" + std::string.
    std::string head = "  ";
    head.append(option.Name);
    if (option.TakesValue()) {
        head.append(" ").append(option.ValueName);
    }
    return Padded(head, kOptionColumn) + Wrapped(option.Help, kOptionColumn) + "\n";
}

}  // namespace

std::string OverviewHelp() {
    std::string text =
        "Usage: cofferix-cli COMMAND [ARGUMENTS] [OPTIONS]\n"
        "\n"
        "Works on the vault files of " +
        std::string(Str::sAppTitle) +
        " from the command line, with the same\n"
        "rules as the window.\n"
        "\n"
        "Commands:\n";
    for (const TCommandSpec& command : CommandTable()) {
        std::string head = "  ";
        head.append(command.Name);
        if (!command.Synopsis.empty()) {
            head.append(" ").append(command.Synopsis);
        }
        text.append(Padded(head, kOptionColumn)).append(command.Summary).append("\n");
    }
    text +=
        "  help [COMMAND]          show this help, or a command's options\n"
        "\n"
        "Passwords are never taken from the arguments. Each password a command needs is read\n"
        "from the terminal with echo off; with --password-stdin, each is read as one line\n"
        "from standard input, in the order the command asks for them: the master password\n"
        "first, then the new password twice (create, passwd) or the record's password\n"
        "(--ask-password).\n"
        "\n"
        "GROUP and TITLE name records with letters a to z matching A to Z. Text arguments and\n"
        "output are UTF-8. A format-2 vault holds any text; a format-101 vault holds\n"
        "Windows-1252 with fields of limited length, and text it cannot hold is refused.\n"
        "\n"
        "Exit status: 0 done, 1 refused password or missing record (or several matches),\n"
        "2 bad usage or text the vault cannot hold, 3 any other failure, 4 health found\n"
        "weak, reused, old or breached passwords.\n"
        "\n"
        "Run 'cofferix-cli help COMMAND' or 'cofferix-cli COMMAND --help' for a command.\n";
    return text;
}

std::string CommandHelp(const TCommandSpec& command) {
    std::string text = "Usage: cofferix-cli ";
    text.append(command.Name);
    if (!command.Synopsis.empty()) {
        text.append(" ").append(command.Synopsis);
    }
    text.append(" [OPTIONS]\n\n").append(command.Description).append("\n\nOptions:\n");
    for (const TOptionSpec& option : command.Options) {
        text += OptionLine(option);
    }
    text += OptionLine({"-h, --help", "", "show this help"});
    return text;
}

std::string VersionText() {
    return "cofferix-cli " COFFERIX_VERSION "\n";
}
