#include "interop/InteropText.h"

#include <algorithm>

#include "base/Wipe.h"

namespace {

constexpr std::string_view kBase64Digits =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
    const std::size_t at = kBase64Digits.find(c);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

}  // namespace

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

void AppendWiping(std::string& text, std::string_view more) {
    if (text.size() + more.size() > text.capacity()) {
        std::string larger;
        larger.reserve(std::max(text.capacity() * 2, text.size() + more.size()));
        larger.append(text);
        WipeString(text);
        text.swap(larger);
    }
    text.append(more);
}

TWipingText::~TWipingText() {
    WipeString(FText);
}

std::string TWipingText::Take() {
    std::string taken;
    taken.swap(FText);
    return taken;
}

std::string Base64Encode(const std::uint8_t* data, std::size_t size) {
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    for (std::size_t i = 0; i < size; i += 3) {
        const std::size_t left = size - i;
        const std::uint32_t group = (std::uint32_t{data[i]} << 16) |
                                    (left > 1 ? std::uint32_t{data[i + 1]} << 8 : 0) |
                                    (left > 2 ? std::uint32_t{data[i + 2]} : 0);
        out += kBase64Digits[(group >> 18) & 0x3F];
        out += kBase64Digits[(group >> 12) & 0x3F];
        out += left > 1 ? kBase64Digits[(group >> 6) & 0x3F] : '=';
        out += left > 2 ? kBase64Digits[group & 0x3F] : '=';
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> Base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const std::size_t padding = !last                        ? 0
                                    : text.substr(i + 2) == "==" ? 2
                                    : text[i + 3] == '='         ? 1
                                                                 : 0;
        std::uint32_t group = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            const int value = j < 4 - padding ? Base64Value(text[i + j]) : 0;
            if (value < 0) {
                return std::nullopt;
            }
            group = (group << 6) | static_cast<std::uint32_t>(value);
        }
        bytes.push_back(static_cast<std::uint8_t>(group >> 16));
        if (padding < 2) {
            bytes.push_back(static_cast<std::uint8_t>(group >> 8));
        }
        if (padding < 1) {
            bytes.push_back(static_cast<std::uint8_t>(group));
        }
    }
    return bytes;
}
