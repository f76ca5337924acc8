#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "interop/ImportedRecord.h"
#include "vault/RecordTree.h"

// The files of other password managers that Cofferix reads and writes.
enum class TForeignFormat {
    KeePassXcCsv,   // KeePassXC's CSV export
    KeePassXml,     // KeePass 2 XML, unprotected values
    BitwardenJson,  // Bitwarden's unencrypted JSON export
    BitwardenCsv,   // Bitwarden's CSV export
    ChromeCsv,      // Chrome's (and Chromium's, Edge's) password CSV
    FirefoxCsv,     // Firefox's password CSV
};

// The format's name on the command line ("keepassxc-csv", "keepass-xml", "bitwarden-json",
// "bitwarden-csv", "chrome-csv", "firefox-csv"), and back; none for an unknown name.
std::string_view ForeignFormatName(TForeignFormat format);
std::optional<TForeignFormat> ForeignFormatFromName(std::string_view name);
// The names, as a list for messages: "keepassxc-csv, keepass-xml, ...".
std::string ForeignFormatNames(bool exportOnly);

// True for the formats Cofferix also writes: keepassxc-csv, keepass-xml and bitwarden-json.
bool CanExportForeignFormat(TForeignFormat format);

// The format of a file's content, told by its start: XML, JSON, or the CSV header of one of
// the CSV formats. Throws EImportError when it is none of them.
TForeignFormat DetectForeignFormat(std::string_view content);

// The records of a file in format. Throws EImportError for a malformed or encrypted file.
TImportedRecords ImportForeignFile(std::string_view content, TForeignFormat format);

// The tree's records as a file in format (CanExportForeignFormat). The text holds every
// password in clear: the caller wipes it.
std::string ExportForeignFile(const TRecordTree& tree, TForeignFormat format);

// The content of a file to import, read whole. Throws ECofferixError naming the path when it
// cannot be read, is no regular file, or is larger than an export of a password manager gets
// (256 MiB). The text holds passwords: the caller wipes it.
std::string ReadForeignFile(const std::string& path);
