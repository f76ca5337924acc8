#pragma once

#include <string>

#include "vault/RecordTree.h"

// The five operations that move a vault between its file and a record tree. Paths are in
// the file system's encoding; passwords are 8-bit bytes. Every failure throws an
// ECofferixError whose message is the exact text the user sees. Each operation holds an
// exclusive lock on the vault file while it runs; a file locked by another holder fails with
// the "Cannot open file" error (EVaultOpenError). Every write goes to a temporary file in the
// same folder that is flushed and renamed over the vault, so a failed write leaves the
// former vault intact.

// True when the password opens the vault (magic and version 101). False for a file shorter
// than 512 bytes or a wrong password; throws when the file cannot be opened or read.
bool VaultCheckPassword(const std::string& path, const std::string& password);

// Writes a new empty vault (512 bytes), creating missing folders and replacing any file.
void VaultCreate(const std::string& path, const std::string& password);

// Re-keys the whole file, remains included, from currentPassword to newPassword and sets
// the header's password time.
void VaultChangePassword(const std::string& path, const std::string& currentPassword,
                         const std::string& newPassword);

// Empties the tree first, then reads the vault into it.
void VaultLoad(const std::string& path, const std::string& password, TRecordTree& tree);

// Writes the tree into the vault after proving the password against the file.
void VaultSave(const std::string& path, const std::string& password, const TRecordTree& tree);
