#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/VaultRules.h"
#include "cli/SecretText.h"
#include "vault/NodeData.h"

// Text between the terminal (UTF-8) and the vault (Windows-1252), with the rules of the
// record editor: single-line fields hold at most 128 characters, the notes 1024, and line
// breaks in the notes are CR LF in the vault.

struct TFieldRule {
    std::string_view Name;  // as messages name the field
    std::size_t MaxLength;  // in characters of the code page, that is bytes
    bool MultiLine;
};

inline constexpr TFieldRule kTitleField{"title", kFieldMaxLength, false};
inline constexpr TFieldRule kGroupField{"group name", kFieldMaxLength, false};
inline constexpr TFieldRule kUserField{"user name", kFieldMaxLength, false};
inline constexpr TFieldRule kUrlField{"URL", kFieldMaxLength, false};
inline constexpr TFieldRule kNotesField{"notes", kNotesMaxLength, true};
// A record's password (--ask-password) holds as many characters as the editor's field.
inline constexpr std::size_t kRecordPasswordMaxLength = kFieldMaxLength;

// The vault bytes of an argument. Throws a usage ECliError naming the field when the text is
// not UTF-8, holds a character the vault cannot hold (or a zero character), is too long, or
// holds a line break in a single-line field. Line breaks of multi-line fields become CR LF.
std::string VaultTextFromArgument(std::string_view utf8, const TFieldRule& rule);

// The vault bytes of a GROUP or TITLE argument that names existing records: only converted,
// since a name the vault cannot hold names nothing. Throws like VaultTextFromArgument.
std::string VaultTextForMatching(std::string_view utf8, std::string_view fieldName);

// The vault bytes of a typed password, into ansi. The messages of its refusals never show
// a character of it.
void VaultTextFromPassword(const TSecretText& utf8, std::string_view what, TSecretText& ansi);

// The UTF-8 text of vault bytes as the tool prints it; multi-line fields get their CR LF line
// breaks as "\n". Every other control character is shown as an escape (see EscapeControls).
std::string TerminalText(std::string_view ansi, bool multiLine = false);

// text with its control characters (C0, DEL and the C1 range, which is UTF-8 C2 80 to C2 9F)
// shown as "\t", "\r", "\n" or "\xHH" (C1 as "\u00HH"): stored text and paths must not
// steer the terminal (retitle, clear, move the cursor). Line feeds stay when keepLineFeeds.
std::string EscapeControls(std::string_view text, bool keepLineFeeds = false);

// "YYYY-MM-DD HH:MM:SS", or "-" for a zero or unreadable time.
std::string FormatDateTime(TDateTime value);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in the Windows way of reading the 16 bytes.
std::string FormatGuid(const TGuid& guid);
// Reads that form, with or without braces, in either letter case.
bool ParseGuid(std::string_view text, TGuid& guid);
