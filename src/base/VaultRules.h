#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The rules that the window and the command-line tool both apply to a vault's content. Text
// is the vault's 8-bit bytes (Windows-1252), so lengths count characters as bytes.

// A master password needs at least this many characters; the password edits take at most
// kMaxMasterPasswordLength.
inline constexpr std::size_t kMinMasterPasswordLength = 6;
inline constexpr std::size_t kMaxMasterPasswordLength = 128;

// Why a new master password is refused.
enum class TNewPasswordProblem { None, TooShort, ConfirmationDiffers };

// Whether password may become a vault's master password: at least kMinMasterPasswordLength
// characters (bytes of the code page) and equal to its confirmation. The length is judged
// first; without a confirmation, only the length (the tool asks for the confirmation after).
TNewPasswordProblem CheckNewMasterPassword(std::string_view password,
                                           std::optional<std::string_view> confirmation);

// What the record editor lets a user type: every single-line field (group, title, user name,
// password, URL) and the notes, whose CR LF line breaks count as two characters.
inline constexpr std::size_t kFieldMaxLength = 128;
inline constexpr std::size_t kNotesMaxLength = 1024;

// The plaintext header that starts every vault; a file shorter than this is no vault.
inline constexpr std::uint32_t kVaultHeaderSize = 512;

// "a" to "z" taken as "A" to "Z"; every other byte as it is.
inline unsigned char FoldAZ(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - ('a' - 'A')) : byte;
}

// Byte-by-byte comparison of the folded bytes: the difference of the first differing folded
// bytes, else the difference of the lengths.
int CaseFoldedCompare(std::string_view a, std::string_view b);
// A hash under which texts equal by CaseFoldedCompare fall together.
std::size_t CaseFoldedHash(std::string_view text);

// True when needle occurs in haystack by the folded comparison; an empty needle never does.
bool ContainsCaseFolded(std::string_view haystack, std::string_view needle);

// A group name that is empty once blanks and control characters are trimmed from its ends;
// the record editor and the tool refuse those.
bool IsBlankGroupName(std::string_view name);
