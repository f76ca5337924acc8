#include "cli/CliText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "cli/CliError.h"
#include "common/Cp1252.h"

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

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

void AppendHexByte(std::string& text, unsigned char byte) {
    static const char kHexDigits[] = "0123456789ABCDEF";
    text.push_back(kHexDigits[byte >> 4]);
    text.push_back(kHexDigits[byte & 0x0F]);
}

// The order in which the 16 bytes are printed: the three first parts are little-endian.
constexpr int kGuidPrintOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};

}  // namespace

std::string VaultTextForMatching(std::string_view utf8, std::string_view fieldName) {
    const std::string field(fieldName);
    std::string ansi;
    const TUtf8Result result = Utf8ToCp1252(utf8, ansi);
    if (result.Problem == TUtf8Problem::InvalidUtf8) {
        throw UsageError("the " + field + " is not valid UTF-8 text");
    }
    if (result.Problem == TUtf8Problem::NotInCodePage) {
        throw UsageError("the " + field + " holds the character " +
                         CodePointName(result.CodePoint) +
                         ", which the vault cannot hold (Windows-1252)");
    }
    if (ansi.find('\0') != std::string::npos) {
        throw UsageError("the " + field + " holds a zero character, which the vault cannot hold");
    }
    return ansi;
}

std::string VaultTextFromArgument(std::string_view utf8, const TFieldRule& rule) {
    const std::string field(rule.Name);
    std::string ansi = VaultTextForMatching(utf8, rule.Name);
    if (!rule.MultiLine && ansi.find_first_of("\r\n") != std::string::npos) {
        throw UsageError("the " + field + " cannot hold a line break");
    }
    if (rule.MultiLine) {
        ansi = WithCrLf(ansi);
    }
    if (ansi.size() > rule.MaxLength) {
        throw UsageError("the " + field + " is longer than " + std::to_string(rule.MaxLength) +
                         " characters");
    }
    return ansi;
}

void VaultTextFromPassword(const TSecretText& utf8, std::string_view what, TSecretText& ansi) {
    ansi.Wipe();
    const TUtf8Result result = Utf8ToCp1252(utf8.Value(), ansi.Value());
    const std::string name(what);
    if (result.Problem == TUtf8Problem::InvalidUtf8) {
        ansi.Wipe();
        throw UsageError("the " + name + " is not valid UTF-8 text");
    }
    if (result.Problem == TUtf8Problem::NotInCodePage) {
        ansi.Wipe();
        throw UsageError("the " + name +
                         " holds a character that the vault cannot hold (Windows-1252)");
    }
    if (ansi.Value().find('\0') != std::string::npos) {
        ansi.Wipe();
        throw UsageError("the " + name + " holds a zero character");
    }
}

std::string EscapeControls(std::string_view text, bool keepLineFeeds) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == 0xC2 && i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80) {
            shown += "\\u00";
            AppendHexByte(shown, static_cast<unsigned char>(text[++i]));
        } else if ((byte == '\n' && keepLineFeeds) || (byte >= 0x20 && byte != 0x7F)) {
            shown.push_back(static_cast<char>(byte));
        } else if (byte == '\t' || byte == '\r' || byte == '\n') {
            shown += byte == '\t' ? "\\t" : byte == '\r' ? "\\r" : "\\n";
        } else {
            shown += "\\x";
            AppendHexByte(shown, byte);
        }
    }
    return shown;
}

std::string TerminalText(std::string_view ansi, bool multiLine) {
    std::string utf8 = Cp1252ToUtf8(ansi);
    if (multiLine) {
        std::string lines;
        lines.reserve(utf8.size());
        for (std::size_t i = 0; i < utf8.size(); ++i) {
            if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
                continue;
            }
            lines.push_back(utf8[i]);
        }
        WipeString(utf8);
        utf8 = std::move(lines);
    }
    std::string shown = EscapeControls(utf8, multiLine);
    WipeString(utf8);
    return shown;
}

std::string FormatDateTime(TDateTime value) {
    // About 2700 years either side of 1899: anything beyond is no time the system wrote.
    if (value == 0 || !std::isfinite(value) || std::fabs(value) > 1e6) {
        return "-";
    }
    const double wholeDays = std::floor(value);
    auto days = static_cast<std::int64_t>(wholeDays);
    auto seconds = static_cast<std::int64_t>(std::llround((value - wholeDays) * 86400.0));
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    constexpr std::int64_t kDaysFrom1899To1970 = 25569;
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days - kDaysFrom1899To1970, year, month, day);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02lld:%02lld:%02lld",
                  static_cast<long long>(year), month, day, static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

std::string FormatGuid(const TGuid& guid) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text = "{";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text.push_back('-');
        }
        const std::uint8_t byte = guid.Bytes[static_cast<std::size_t>(kGuidPrintOrder[i])];
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    text.push_back('}');
    return text;
}

bool ParseGuid(std::string_view text, TGuid& guid) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
        text = text.substr(1, 36);
    }
    if (text.size() != 36) {
        return false;
    }
    std::size_t pos = 0;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            if (text[pos++] != '-') {
                return false;
            }
        }
        const int high = HexValue(text[pos]);
        const int low = HexValue(text[pos + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        guid.Bytes[static_cast<std::size_t>(kGuidPrintOrder[i])] =
            static_cast<std::uint8_t>(high * 16 + low);
        pos += 2;
    }
    return true;
}
