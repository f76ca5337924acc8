#include "interop/CsvReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/Cp1252.h"
#include "base/Wipe.h"
#include "interop/ImportedRecord.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Makes field empty with room for size bytes; a buffer too small is wiped before it goes.
void Prepare(std::string& field, std::size_t size) {
    if (size > field.capacity()) {
        WipeString(field);
    }
    field.clear();
    field.reserve(size);
}

// Where text's first byte outside ASCII is, or text.size(); eight bytes at a time, as most
// files are mostly ASCII and the strict UTF-8 check goes a character at a time.
std::size_t FirstNonAscii(std::string_view text) {
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + at, 8);
        if ((word & 0x8080808080808080ULL) != 0) {
            break;
        }
    }
    while (at < text.size() && static_cast<unsigned char>(text[at]) < 0x80) {
        ++at;
    }
    return at;
}

}  // namespace

TCsvRow::~TCsvRow() {
    for (std::string& field : Fields) {
        WipeString(field);
    }
}

bool TCsvRow::IsBlank() const {
    return std::all_of(Fields.begin(), Fields.end(), [](const auto& f) { return f.empty(); });
}

TCsvReader::TCsvReader(std::string_view text) : FText(text) {
    if (FText.starts_with(kByteOrderMark)) {
        FText.remove_prefix(kByteOrderMark.size());
    }
}

bool TCsvReader::AtLineEnd() const {
    const char c = FText[FPos];
    return c == '\n' || (c == '\r' && (FPos + 1 == FText.size() || FText[FPos + 1] == '\n'));
}

void TCsvReader::SkipLineEnd() {
    FPos += FText[FPos] == '\r' && FPos + 1 < FText.size() ? 2 : 1;
    ++FLine;
}

bool TCsvReader::Next(TCsvRow& row) {
    while (FPos < FText.size() && AtLineEnd()) {
        SkipLineEnd();
    }
    if (FPos == FText.size()) {
        return false;
    }
    const std::size_t rowStart = FPos;
    row.Line = FLine;
    std::size_t count = ReadField(row, 0);
    while (FPos < FText.size() && FText[FPos] == ',') {
        ++FPos;
        count = ReadField(row, count);
    }
    if (FPos < FText.size()) {
        SkipLineEnd();
    }
    for (std::size_t i = count; i < row.Fields.size(); ++i) {
        WipeString(row.Fields[i]);
    }
    row.Fields.resize(count);
    CheckUtf8(rowStart, row.Line);
    if (FFieldCount == 0) {
        FFieldCount = count;
    } else if (count != FFieldCount) {
        throw EImportError(row.Line, std::to_string(count) + " fields where the header has " +
                                         std::to_string(FFieldCount));
    }
    return true;
}

std::size_t TCsvReader::ReadField(TCsvRow& row, std::size_t count) {
    if (FFieldCount != 0 && count == FFieldCount) {
        // The fields vector never grows past the header's count, so no row's fields are
        // moved to a new buffer and left behind in the old one.
        throw EImportError(row.Line,
                           "more fields than the header's " + std::to_string(FFieldCount));
    }
    if (count == row.Fields.size()) {
        row.Fields.emplace_back();
    }
    std::string& field = row.Fields[count];
    if (FPos < FText.size() && FText[FPos] == '"') {
        ReadQuoted(field);
    } else {
        ReadUnquoted(field);
    }
    return count + 1;
}

void TCsvReader::ReadQuoted(std::string& field) {
    const std::size_t openLine = FLine;
    const std::size_t begin = FPos + 1;
    std::size_t at = begin;
    std::size_t size = 0;
    bool doubled = false;
    std::size_t end = 0;
    for (;;) {
        const std::size_t quote = FText.find('"', at);
        if (quote == std::string_view::npos) {
            throw EImportError(openLine, "a quoted field is not closed before the end of the file");
        }
        FLine += std::count(FText.begin() + at, FText.begin() + quote, '\n');
        size += quote - at;
        if (quote + 1 < FText.size() && FText[quote + 1] == '"') {
            ++size;
            doubled = true;
            at = quote + 2;
            continue;
        }
        end = quote;
        break;
    }
    Prepare(field, size);
    if (!doubled) {
        field.assign(FText.substr(begin, size));
    } else {
        // Between begin and end every quote is the first of a pair.
        for (std::size_t from = begin; from < end;) {
            const std::size_t quote = std::min(FText.find('"', from), end);
            field.append(FText.substr(from, quote - from));
            if (quote == end) {
                break;
            }
            field += '"';
            from = quote + 2;
        }
    }
    FPos = end + 1;
    if (FPos < FText.size() && FText[FPos] != ',' && !AtLineEnd()) {
        throw EImportError(FLine, "text follows the closing quote of a field");
    }
}

void TCsvReader::ReadUnquoted(std::string& field) {
    std::size_t at = FPos;
    for (; at < FText.size(); ++at) {
        const char c = FText[at];
        if (c == ',' || c == '\n' ||
            (c == '\r' && (at + 1 == FText.size() || FText[at + 1] == '\n'))) {
            break;
        }
        if (c == '"') {
            throw EImportError(FLine, "a quote inside a field that does not start with one");
        }
    }
    Prepare(field, at - FPos);
    field.assign(FText.substr(FPos, at - FPos));
    FPos = at;
}

void TCsvReader::CheckUtf8(std::size_t rowStart, std::size_t line) const {
    const std::string_view raw = FText.substr(rowStart, FPos - rowStart);
    if (IsValidUtf8(raw.substr(FirstNonAscii(raw)))) {
        return;
    }
    for (std::size_t at = 0; at < raw.size();) {
        char32_t codePoint = 0;
        const std::size_t length = DecodeUtf8(raw, at, codePoint);
        if (length == 0) {
            break;
        }
        line += codePoint == U'\n' ? 1 : 0;
        at += length;
    }
    throw EImportError(line, "the text is not valid UTF-8");
}
