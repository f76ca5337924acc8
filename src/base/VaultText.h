#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/CofferixError.h"
#include "base/VaultRules.h"

// Text between UTF-8 (what users type outside the window) and the vault's Windows-1252 bytes,
// with the record editor's field rules: single-line fields hold at most 128 characters, the
// notes 1024, and line breaks in the notes are CR LF in the vault.

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
// A record's password holds as many characters as the editor's field.
inline constexpr std::size_t kRecordPasswordMaxLength = kFieldMaxLength;

// Text the vault cannot hold; the message names the field and why, never a password's
// characters.
class EVaultTextError : public ECofferixError {
public:
    using ECofferixError::ECofferixError;
};

// The vault bytes of a field's text. Throws EVaultTextError when the text is not UTF-8, holds a
// character the vault cannot hold (or a zero character), is too long, or holds a line break in
// a single-line field. Line breaks of multi-line fields become CR LF.
std::string VaultTextFromUtf8(std::string_view utf8, const TFieldRule& rule);

// The vault bytes of a name that finds existing records: only converted, since a name the
// vault cannot hold names nothing. Throws like VaultTextFromUtf8.
std::string VaultTextForMatching(std::string_view utf8, std::string_view fieldName);

// The vault bytes of a typed password, into ansi, which is wiped when the text is refused.
void VaultPasswordFromUtf8(std::string_view utf8, std::string_view what, std::string& ansi);

// The UTF-8 text of vault bytes; multi-line fields get their CR LF line breaks as "\n".
std::string Utf8FromVaultText(std::string_view ansi, bool multiLine = false);
