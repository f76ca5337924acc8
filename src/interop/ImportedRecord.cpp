#include "interop/ImportedRecord.h"

#include <cstdio>
#include <ctime>

#include "base/StringTable.h"
#include "base/Wipe.h"

EImportError::EImportError(std::size_t line, std::string_view what)
    : ECofferixError("Line " + std::to_string(line) + ": " + std::string(what) +
                     (what.ends_with('.') ? "" : ".")) {}

namespace ImportText {

namespace {

// Calls put for every character of text, with each line break (CR LF, CR, LF) as one '\n'.
template <typename TPut>
void ForEachWithBreaks(std::string_view text, TPut put) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            put('\n');
        } else {
            put(text[i]);
        }
    }
}

bool ReadNumber(std::string_view text, std::size_t& at, std::size_t digits, int& value) {
    if (at + digits > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    at += digits;
    return true;
}

bool Expect(std::string_view text, std::size_t& at, char c) {
    if (at < text.size() && text[at] == c) {
        ++at;
        return true;
    }
    return false;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return std::int64_t{era} * 146097 + dayOfEra - 719468;
}

// The zone after the time: none or "Z" (UTC), or "+hh:mm" / "-hhmm"; seconds east of UTC.
bool ReadZone(std::string_view text, std::size_t& at, int& offset) {
    offset = 0;
    if (at == text.size() || Expect(text, at, 'Z')) {
        return at == text.size();
    }
    const char sign = text[at];
    if (sign != '+' && sign != '-') {
        return false;
    }
    ++at;
    int hours = 0;
    int minutes = 0;
    if (!ReadNumber(text, at, 2, hours)) {
        return false;
    }
    Expect(text, at, ':');
    if (!ReadNumber(text, at, 2, minutes) || at != text.size()) {
        return false;
    }
    offset = (hours * 60 + minutes) * 60 * (sign == '-' ? -1 : 1);
    return true;
}

}  // namespace

void AppendNoteLine(std::string& notes, std::string_view name, std::string_view value) {
    if (value.empty()) {
        return;
    }
    // Room for the worst case first: a growing string would leave its former buffer, which
    // may hold secrets, in freed memory unwiped.
    const std::size_t needed = notes.size() + 2 + name.size() + 2 + 2 * value.size();
    if (needed > notes.capacity()) {
        std::string larger;
        larger.reserve(needed);
        larger = notes;
        WipeString(notes);
        notes.swap(larger);
    }
    if (!notes.empty()) {
        notes += "\r\n";
    }
    notes += name;
    notes += ": ";
    ForEachWithBreaks(value, [&](char c) {
        if (c == '\n') {
            notes += "\r\n";
        } else {
            notes += c;
        }
    });
}

std::string MultiLine(std::string_view text) {
    std::string out;
    out.reserve(2 * text.size());  // never reallocated: no unwiped copy is left behind
    ForEachWithBreaks(text, [&](char c) {
        if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    });
    return out;
}

std::string SingleLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    ForEachWithBreaks(text, [&](char c) { out += c == '\n' ? ' ' : c; });
    return out;
}

std::string GroupName(const std::vector<std::string>& path, bool dropRoot) {
    std::string name;
    for (std::size_t i = dropRoot ? 1 : 0; i < path.size(); ++i) {
        const std::string part = SingleLine(path[i]);
        if (part.empty()) {
            continue;
        }
        if (!name.empty()) {
            name += '/';
        }
        name += part;
    }
    return name.empty() ? std::string(Str::sDefaultGroup) : name;
}

std::optional<std::int64_t> ParseIsoTime(std::string_view text) {
    std::size_t at = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, offset = 0;
    if (!ReadNumber(text, at, 4, year) || !Expect(text, at, '-') ||
        !ReadNumber(text, at, 2, month) || !Expect(text, at, '-') ||
        !ReadNumber(text, at, 2, day) || !(Expect(text, at, 'T') || Expect(text, at, ' ')) ||
        !ReadNumber(text, at, 2, hour) || !Expect(text, at, ':') ||
        !ReadNumber(text, at, 2, minute) || !Expect(text, at, ':') ||
        !ReadNumber(text, at, 2, second)) {
        return std::nullopt;
    }
    if (Expect(text, at, '.')) {
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            ++at;
        }
    }
    if (!ReadZone(text, at, offset) || month < 1 || month > 12 || day < 1 || day > 31 ||
        hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - offset;
}

std::string FormatIsoTime(std::int64_t unixSeconds) {
    const time_t when = static_cast<time_t>(unixSeconds);
    tm utc{};
    gmtime_r(&when, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

}  // namespace ImportText
