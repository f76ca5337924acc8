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
