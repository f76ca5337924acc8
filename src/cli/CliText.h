#pragma once

#include <string>
#include <string_view>

// What the tool prints: vault text (Windows-1252) as UTF-8 for the terminal, with control
// characters made harmless. Converting typed text into the vault is the core's (VaultText.h).

// The UTF-8 text of vault bytes as the tool prints it; multi-line fields get their CR LF line
// breaks as "\n". Every other control character is shown as an escape (see EscapeControls).
std::string TerminalText(std::string_view ansi, bool multiLine = false);

// text with its control characters (C0, DEL and the C1 range, which is UTF-8 C2 80 to C2 9F)
// shown as "\t", "\r", "\n" or "\xHH" (C1 as "\u00HH"), and every byte that is no part of
// well-formed UTF-8 as "\xHH": stored text and paths must not steer the terminal (retitle,
// clear, move the cursor), and a terminal may read a stray byte 0x80 to 0x9F as a C1 control.
// Line feeds stay when keepLineFeeds.
std::string EscapeControls(std::string_view text, bool keepLineFeeds = false);
