#pragma once

#include <optional>
#include <string_view>

#include "interop/ForeignFormat.h"
#include "interop/ImportedRecord.h"

// The CSV exports of other managers and browsers, read into imported records. Each reader
// takes the whole file's text (UTF-8, an optional byte-order mark) and throws EImportError
// for a file that is malformed or has another header. Every field of a row lands in the
// record: in its own field, or as a "Name: value" line of the notes. Rows with no text at all
// are passed over. Times go to the record's time fields as the local clock; a time that does
// not parse stays as a note line with its text.

// The CSV format whose header row content starts with, or none.
std::optional<TForeignFormat> DetectCsvFormat(std::string_view content);

// KeePassXC 2.7: group path (its root left out), title, user name, password, URL, notes, TOTP
// (a note line), icon (not user data, left out), last modified and created (ISO, UTC).
TImportedRecords ImportKeePassXcCsv(std::string_view content);

// Bitwarden: folder (the group), favorite, type, name, notes, custom fields, re-prompt, URIs
// (the first is the URL), user name, password, TOTP.
TImportedRecords ImportBitwardenCsv(std::string_view content);

// Chrome, Chromium, Edge: name (the URL's host when empty), URL, user name, password and,
// in newer versions, a note.
TImportedRecords ImportChromeCsv(std::string_view content);

// Firefox: URL (its host is the title), user name, password, HTTP realm, form action
// origin, GUID, and the created, last used and password changed times (ms since 1970, UTC).
TImportedRecords ImportFirefoxCsv(std::string_view content);
