#include "base/VaultText.h"

#include <cstdio>

#include "base/Cp1252.h"
#include "base/Wipe.h"

namespace {

std::string CodePointName(char32_t codePoint) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(codePoint));
    return text;
}

// "\n" not already after a "\r" becomes "\r\n".
std::string WithCrLf(const std::string& text) {
    std::string result;
    result.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            result.push_back('\r');
        }
        result.push_back(text[i]);
    }
    return result;
}

}  // namespace

std::string VaultTextForMatching(std::string_view utf8, std::string_view fieldName) {
    const std::string field(fieldName);
    std::string ansi;
    const TUtf8Result result = Utf8ToCp1252(utf8, ansi);
    if (result.Problem == TUtf8Problem::InvalidUtf8) {
        throw EVaultTextError("the " + field + " is not valid UTF-8 text");
    }
    if (result.Problem == TUtf8Problem::NotInCodePage) {
        throw EVaultTextError("the " + field + " holds the character " +
                              CodePointName(result.CodePoint) +
                              ", which the vault cannot hold (Windows-1252)");
    }
    if (ansi.find('\0') != std::string::npos) {
        throw EVaultTextError("the " + field +
                              " holds a zero character, which the vault cannot hold");
    }
    return ansi;
}

std::string VaultTextFromUtf8(std::string_view utf8, const TFieldRule& rule) {
    const std::string field(rule.Name);
    std::string ansi = VaultTextForMatching(utf8, rule.Name);
    if (!rule.MultiLine && ansi.find_first_of("\r\n") != std::string::npos) {
        throw EVaultTextError("the " + field + " cannot hold a line break");
    }
    if (rule.MultiLine) {
        ansi = WithCrLf(ansi);
    }
    if (ansi.size() > rule.MaxLength) {
        throw EVaultTextError("the " + field + " is longer than " + std::to_string(rule.MaxLength) +
                              " characters");
    }
    return ansi;
}

void VaultPasswordFromUtf8(std::string_view utf8, std::string_view what, std::string& ansi) {
    WipeString(ansi);
    const TUtf8Result result = Utf8ToCp1252(utf8, ansi);
    const std::string name(what);
    std::string problem;
    if (result.Problem == TUtf8Problem::InvalidUtf8) {
        problem = "the " + name + " is not valid UTF-8 text";
    } else if (result.Problem == TUtf8Problem::NotInCodePage) {
        problem = "the " + name + " holds a character that the vault cannot hold (Windows-1252)";
    } else if (ansi.find('\0') != std::string::npos) {
        problem = "the " + name + " holds a zero character";
    }
    if (!problem.empty()) {
        WipeString(ansi);
        throw EVaultTextError(problem);
    }
}

std::string Utf8FromVaultText(std::string_view ansi, bool multiLine) {
    std::string utf8 = Cp1252ToUtf8(ansi);
    if (!multiLine) {
        return utf8;
    }
    std::string lines;
    lines.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
            continue;
        }
        lines.push_back(utf8[i]);
    }
    WipeString(utf8);
    return lines;
}
