#pragma once

#include <string>
#include <string_view>

#include "interop/ImportedRecord.h"
#include "vault/RecordTree.h"

// KeePass 2 XML: the plain-value XML export of KeePass 2 and KeePassXC
// ("keepassxc-cli export -f xml"), which "keepassxc-cli import" reads back.

// The entries of every group, the root group left out of the group names. Past versions of an
// entry (its history) are no records; the recycle bin's entries come as the group they are in.
// Custom strings, tags, attachments' names, the last access and the expiry time are note lines.
// Throws EImportError for a file that is no KeePass XML, is malformed, or holds protected
// (encrypted) values.
TImportedRecords ImportKeePassXml(std::string_view content);

// A KeePass 2 XML file of the whole tree: a root group "Root" holding one group per group of
// the tree (its name as it is) and the top-level records. It holds the passwords in plain
// text: the caller wipes it.
std::string ExportKeePassXml(const TRecordTree& tree);
