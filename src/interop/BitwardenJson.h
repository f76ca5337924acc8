#pragma once

#include <string>
#include <string_view>

#include "interop/ImportedRecord.h"
#include "vault/RecordTree.h"

// Bitwarden's unencrypted JSON export (".json", not ".json (Encrypted)"), of a personal vault
// or of an organisation's.

// Every item: logins, secure notes, cards, identities and SSH keys. The item's folder is its
// group (a folder "a/b" is the group "a/b"); an organisation's item without one takes its
// first collection; neither: "Default Group". Further URIs, the TOTP secret, custom fields,
// every card and identity field and the favourite mark are note lines. Password history is
// left out. Items in the trash come as the others. Throws EImportError for a file that is no
// Bitwarden export, is malformed, or is encrypted.
TImportedRecords ImportBitwardenJson(std::string_view content);

// An unencrypted Bitwarden export of the whole tree: a folder per group, each record a login
// item. Top-level records are in no folder. It holds the passwords in plain text: the caller
// wipes it.
std::string ExportBitwardenJson(const TRecordTree& tree);
