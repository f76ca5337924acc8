#pragma once

#include <string>
#include <string_view>

#include "vault/NodeData.h"

// The text forms of a record's times and GUID, as front ends print and read them.

// "YYYY-MM-DD HH:MM:SS", or "-" for a zero or unreadable time.
std::string FormatDateTime(TDateTime value);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in the Windows way of reading the 16 bytes.
std::string FormatGuid(const TGuid& guid);
// Reads that form, with or without braces, in either letter case.
bool ParseGuid(std::string_view text, TGuid& guid);
