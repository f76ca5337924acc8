#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/CofferixError.h"
#include "vault/NodeData.h"

// One record as another manager's file gives it, already in the record model's text: UTF-8,
// single-line fields without line breaks, notes with CR LF line breaks. What has no field of
// its own here (TOTP, custom fields, further URLs, card and identity fields, the source's
// times) is in the notes as "Name: value" lines, so that nothing is dropped.
struct TImportedRecord {
    std::string Group;  // one level: a path of groups joined by "/", without the root
    TNodeData Fields;   // Title, UserName, Password, Url, Notes; the times the source gives
                        // (AddedTime, ModifiedTime, PasswordChangedTime), 0 when it gives none
    // The source's line (CSV) or position where the record starts, for messages.
    std::size_t SourceLine = 0;
};

using TImportedRecords = std::vector<TImportedRecord>;

// A file that is not what its format says, or that cannot be imported (an encrypted export).
// The message names the line where one is known, and never a field's content.
class EImportError : public ECofferixError {
public:
    using ECofferixError::ECofferixError;
    EImportError(std::size_t line, std::string_view what);
};

namespace ImportText {

// Appends "name: value" as a line of notes (CR LF between lines); an empty value adds nothing.
// A value holding line breaks keeps them, as CR LF.
void AppendNoteLine(std::string& notes, std::string_view name, std::string_view value);

// Text for a multi-line field: every CR LF, lone CR or lone LF becomes CR LF.
std::string MultiLine(std::string_view text);

// Text for a single-line field: each line break (CR LF, CR or LF) becomes a space. Tabs stay:
// a password may hold one.
std::string SingleLine(std::string_view text);

// A group path as one group name: the parts joined by "/", empty parts left out; the first
// part is left out too when dropRoot (KeePass's root group). Empty: "Default Group".
std::string GroupName(const std::vector<std::string>& path, bool dropRoot);

// Seconds since 1970-01-01 UTC from an ISO 8601 time ("2024-01-15T10:20:30Z",
// "2024-01-15T10:20:30.123Z", "2024-01-15T10:20:30+02:00", "2024-01-15 10:20:30" as UTC);
// none for anything else.
std::optional<std::int64_t> ParseIsoTime(std::string_view text);

// (Well-formed UTF-8 is checked with IsValidUtf8 of base/Cp1252.h.)

// ISO 8601 in UTC ("2024-01-15T10:20:30Z") of seconds since 1970-01-01.
std::string FormatIsoTime(std::int64_t unixSeconds);

}  // namespace ImportText
