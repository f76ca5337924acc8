#include "base/VaultText.h"

#include <algorithm>
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

std::string TextProblem(const TUtf8Result& result, const std::string& field, TVaultTextKind kind) {
    if (result.Problem == TUtf8Problem::InvalidUtf8) {
        return "the " + field + " is not valid UTF-8 text";
    }
    if (result.Problem == TUtf8Problem::NotInCodePage && kind == TVaultTextKind::CodePage1252) {
        return "the " + field + " holds the character " + CodePointName(result.CodePoint) +
               ", which the vault cannot hold (Windows-1252)";
    }
    return {};
}

// Why text cannot be a field's text in a vault of that kind; empty when it can.
std::string CheckedText(std::string_view text, const std::string& field, TVaultTextKind kind) {
    std::string ansi;
    const TUtf8Result result = Utf8ToCp1252(text, ansi);
    WipeString(ansi);
    std::string problem = TextProblem(result, field, kind);
    if (problem.empty() && result.Problem == TUtf8Problem::NotInCodePage && !IsValidUtf8(text)) {
        problem = "the " + field + " is not valid UTF-8 text";
    }
    if (problem.empty() && text.find('\0') != std::string_view::npos) {
        problem = "the " + field + " holds a zero character, which the vault cannot hold";
    }
    return problem;
}

std::size_t CharacterCount(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    }));
}

}  // namespace

std::string VaultTextForMatching(std::string_view utf8, std::string_view fieldName,
                                 TVaultTextKind kind) {
    if (const std::string problem = CheckedText(utf8, std::string(fieldName), kind);
        !problem.empty()) {
        throw EVaultTextError(problem);
    }
    return std::string(utf8);
}

std::string VaultTextFromUtf8(std::string_view utf8, const TFieldRule& rule, TVaultTextKind kind) {
    const std::string field(rule.Name);
    std::string text = VaultTextForMatching(utf8, rule.Name, kind);
    if (!rule.MultiLine && text.find_first_of("\r\n") != std::string::npos) {
        throw EVaultTextError("the " + field + " cannot hold a line break");
    }
    if (rule.MultiLine) {
        text = WithCrLf(text);
    }
    if (kind == TVaultTextKind::CodePage1252 && CharacterCount(text) > rule.MaxLength) {
        throw EVaultTextError("the " + field + " is longer than " + std::to_string(rule.MaxLength) +
                              " characters");
    }
    return text;
}

void VaultPasswordFromUtf8(std::string_view utf8, std::string_view what, std::string& password,
                           TVaultTextKind kind) {
    WipeString(password);
    const std::string problem = CheckedText(utf8, std::string(what), kind);
    if (!problem.empty()) {
        throw EVaultTextError(problem);
    }
    password.assign(utf8);
}

std::string Utf8FromVaultText(std::string_view text, bool multiLine) {
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(multiLine && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            lines.push_back(text[i]);
        }
    }
    return lines;
}

void Cp1252FromVaultText(std::string_view text, std::string_view what, std::string& ansi) {
    WipeString(ansi);
    ansi.reserve(text.size());
    const TUtf8Result result = Utf8ToCp1252(text, ansi);
    if (!result.Ok()) {
        WipeString(ansi);
        throw EVaultTextError(TextProblem(result, std::string(what), TVaultTextKind::CodePage1252));
    }
}

std::string RefusedCharacterMessage(std::string_view character) {
    std::string what = "that character";
    char32_t codePoint = 0;
    if (!character.empty() && DecodeUtf8(character, 0, codePoint) > 0) {
        what = "the character \u201C" + std::string(character) + "\u201D (" +
               CodePointName(codePoint) + ")";
    }
    return "This database (format 101) cannot hold " + what +
           "; convert it to format 2 (File, Database Format...) to use any character.";
}
