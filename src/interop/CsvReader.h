#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One row of a CSV file. Its fields hold passwords: they are wiped when the row goes.
struct TCsvRow {
    std::size_t Line = 0;  // the line the row starts at, from 1
    std::vector<std::string> Fields;

    TCsvRow() = default;
    TCsvRow(const TCsvRow&) = delete;
    TCsvRow& operator=(const TCsvRow&) = delete;
    ~TCsvRow();

    // True when every field is empty.
    bool IsBlank() const;
};

// Reads RFC 4180 CSV from text in UTF-8: an optional byte-order mark, records ending in CR LF
// or LF (the last may have none), fields optionally quoted, a quoted field holding commas,
// line breaks and doubled quotes. The first row is the header; every later row must have as
// many fields. Lines with no characters at all are passed over. A file that breaks these rules
// or is not well-formed UTF-8 throws EImportError naming the line, never the content.
//
// The reader keeps no copy of the text: it must outlive the reader.
class TCsvReader {
public:
    explicit TCsvReader(std::string_view text);

    // Reads the next row into row, reusing its storage; false at the end of the text.
    bool Next(TCsvRow& row);

private:
    void ReadQuoted(std::string& field);
    void ReadUnquoted(std::string& field);
    // Reads the field at FPos into the next of row's fields; answers the count so far.
    std::size_t ReadField(TCsvRow& row, std::size_t count);
    // At FPos (inside the text): CR LF, LF, or a CR that ends the text.
    bool AtLineEnd() const;
    void SkipLineEnd();
    void CheckUtf8(std::size_t rowStart, std::size_t line) const;

    std::string_view FText;
    std::size_t FPos = 0;
    std::size_t FLine = 1;
    std::size_t FFieldCount = 0;  // the header's; 0 until it is read
};
