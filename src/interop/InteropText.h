#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Small text tools that the readers and writers of other managers' files share.

// Appends the UTF-8 form of a code point (at most U+10FFFF, no surrogate).
void AppendUtf8(std::string& out, char32_t codePoint);

// Appends more to text. When text must grow, its content moves to a larger buffer and the old
// one is wiped first: imported and exported files hold passwords.
void AppendWiping(std::string& text, std::string_view more);

// A text being written that holds secrets: it grows as AppendWiping does and is wiped at its
// end unless taken.
class TWipingText {
public:
    TWipingText() = default;
    TWipingText(const TWipingText&) = delete;
    TWipingText& operator=(const TWipingText&) = delete;
    ~TWipingText();

    TWipingText& operator<<(std::string_view more) {
        AppendWiping(FText, more);
        return *this;
    }
    // The text written; the caller wipes it.
    std::string Take();

private:
    std::string FText;
};

// Base64 (RFC 4648, with padding).
std::string Base64Encode(const std::uint8_t* data, std::size_t size);
// None when text is not padded base64 of whole bytes.
std::optional<std::vector<std::uint8_t>> Base64Decode(std::string_view text);
