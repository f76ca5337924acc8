#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/CofferixError.h"
#include "base/VaultRules.h"

// Text as users type it (UTF-8) and as the record model holds it (UTF-8, line breaks in the
// notes as CR LF), with the rules of the open vault's format: format 101 holds Windows-1252
// only, single-line fields of at most 128 characters and notes of 1024; format 2 holds any
// character with no limit.

enum class TVaultTextKind {
    CodePage1252,  // format 101
    Unicode,       // format 2
};

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

// The model's text of a field. Throws EVaultTextError when the text is not UTF-8, holds a zero
// character or a line break in a single-line field, or (format 101) a character the code page
// cannot hold or more characters than the field. Line breaks of multi-line fields become CR LF.
std::string VaultTextFromUtf8(std::string_view utf8, const TFieldRule& rule,
                              TVaultTextKind kind = TVaultTextKind::CodePage1252);

// The model's text of a name that finds existing records: only checked, since a name the
// vault cannot hold names nothing. Throws like VaultTextFromUtf8.
std::string VaultTextForMatching(std::string_view utf8, std::string_view fieldName,
                                 TVaultTextKind kind = TVaultTextKind::CodePage1252);

// A typed password into password, checked as a field's text; wiped when it is refused.
void VaultPasswordFromUtf8(std::string_view utf8, std::string_view what, std::string& password,
                           TVaultTextKind kind = TVaultTextKind::CodePage1252);

// The model's text for a terminal: multi-line fields get their CR LF line breaks as "\n".
std::string Utf8FromVaultText(std::string_view text, bool multiLine = false);

// The Windows-1252 bytes of model text, for format 101's file, into ansi. Throws
// EVaultTextError naming what when a character has no byte there; ansi is wiped then.
void Cp1252FromVaultText(std::string_view text, std::string_view what, std::string& ansi);

// What an edit says where it refuses a character that a format-101 vault cannot hold:
// character is its UTF-8 form, named with its code point. Empty for an edit that hides what
// is typed (a password's character is not spelled out).
std::string RefusedCharacterMessage(std::string_view character);
