#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Exact conversion between UTF-8 (the terminal's text) and Windows-1252 (the vault's text).
// Every one of the 256 bytes has a character: the five bytes Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters U+0081, U+008D, U+008F,
// U+0090 and U+009D, so a field converted out and back keeps its bytes.

enum class TUtf8Problem {
    None,
    InvalidUtf8,    // malformed, overlong, a surrogate or beyond U+10FFFF
    NotInCodePage,  // a character Windows-1252 cannot hold
};

struct TUtf8Result {
    TUtf8Problem Problem = TUtf8Problem::None;
    char32_t CodePoint = 0;  // the character that is not in the code page
    bool Ok() const { return Problem == TUtf8Problem::None; }
};

// Appends the Windows-1252 bytes of utf8 to ansi. On a problem, ansi holds the bytes of the
// characters before it.
TUtf8Result Utf8ToCp1252(std::string_view utf8, std::string& ansi);

// Appends the UTF-8 form of the Windows-1252 bytes to utf8. Always succeeds.
void Cp1252ToUtf8(std::string_view ansi, std::string& utf8);
std::string Cp1252ToUtf8(std::string_view ansi);

// Decodes one character at text[pos] (pos < text.size()), strictly: answers its length in
// bytes, or 0 when the bytes there are no well-formed UTF-8 (see TUtf8Problem::InvalidUtf8).
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, char32_t& codePoint);

// True when text is well-formed UTF-8 (no overlong form, surrogate or value beyond U+10FFFF).
bool IsValidUtf8(std::string_view text);

// The byte of a character, or -1 when Windows-1252 has none for it.
int Cp1252ByteOf(char32_t codePoint);
// The character of a byte.
char32_t Cp1252CharOf(unsigned char byte);
