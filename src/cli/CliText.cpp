#include "cli/CliText.h"

#include "base/VaultText.h"
#include "base/Wipe.h"

namespace {

void AppendHexByte(std::string& text, unsigned char byte) {
    static const char kHexDigits[] = "0123456789ABCDEF";
    text.push_back(kHexDigits[byte >> 4]);
    text.push_back(kHexDigits[byte & 0x0F]);
}

}  // namespace

std::string EscapeControls(std::string_view text, bool keepLineFeeds) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == 0xC2 && i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80) {
            shown += "\\u00";
            AppendHexByte(shown, static_cast<unsigned char>(text[++i]));
        } else if ((byte == '\n' && keepLineFeeds) || (byte >= 0x20 && byte != 0x7F)) {
            shown.push_back(static_cast<char>(byte));
        } else if (byte == '\t' || byte == '\r' || byte == '\n') {
            shown += byte == '\t' ? "\\t" : byte == '\r' ? "\\r" : "\\n";
        } else {
            shown += "\\x";
            AppendHexByte(shown, byte);
        }
    }
    return shown;
}

std::string TerminalText(std::string_view ansi, bool multiLine) {
    std::string utf8 = Utf8FromVaultText(ansi, multiLine);
    std::string shown = EscapeControls(utf8, multiLine);
    WipeString(utf8);
    return shown;
}
