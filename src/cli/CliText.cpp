#include "cli/CliText.h"

#include "base/Cp1252.h"
#include "base/VaultText.h"
#include "base/Wipe.h"

namespace {

void AppendEscape(std::string& text, std::string_view prefix, unsigned char byte) {
    static const char kHexDigits[] = "0123456789ABCDEF";
    text += prefix;
    text.push_back(kHexDigits[byte >> 4]);
    text.push_back(kHexDigits[byte & 0x0F]);
}

}  // namespace

std::string EscapeControls(std::string_view text, bool keepLineFeeds) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t character = 0;
        const std::size_t length = DecodeUtf8(text, i, character);
        if (length == 0) {
            // A byte of no character: a terminal may take 0x9B alone for the 8-bit CSI.
            AppendEscape(shown, "\\x", static_cast<unsigned char>(text[i]));
            ++i;
            continue;
        }
        if (character >= 0x80 && character <= 0x9F) {
            AppendEscape(shown, "\\u00", static_cast<unsigned char>(character));
        } else if ((character == '\n' && keepLineFeeds) ||
                   (character >= 0x20 && character != 0x7F)) {
            shown.append(text.substr(i, length));
        } else if (character == '\t' || character == '\r' || character == '\n') {
            shown += character == '\t' ? "\\t" : character == '\r' ? "\\r" : "\\n";
        } else {
            AppendEscape(shown, "\\x", static_cast<unsigned char>(character));
        }
        i += length;
    }
    return shown;
}

std::string TerminalText(std::string_view ansi, bool multiLine) {
    std::string utf8 = Utf8FromVaultText(ansi, multiLine);
    std::string shown = EscapeControls(utf8, multiLine);
    WipeString(utf8);
    return shown;
}
