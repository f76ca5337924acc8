#pragma once

#include <functional>
#include <string>

#include "vault/FileIdentity.h"
#include "vault/RecordTree.h"
#include "vault/VaultCredentials.h"

// The five operations that move a vault between its file and a record tree. Paths are in
// the file system's encoding; passwords are 8-bit bytes. Every failure throws an
// ECofferixError whose message is the exact text the user sees. Each operation holds an
// exclusive lock on the vault file while it runs, waiting a bounded time for another holder;
// a lock kept past that fails with EVaultBusyError ("Cannot open file ..."). Every write goes
// to a temporary file in the same folder that is flushed and renamed over the vault, so a
// failed write leaves the former vault intact; what a killed write left behind is removed by
// the next operation on the vault. A saved or re-keyed vault keeps the permissions of the file
// that was locked, never wider. A wrong password throws EVaultPasswordError.
//
// Each operation tells the file's format by its first bytes: format 2's magic, or else
// format 101 as it always was. A format-2 file that is not what the format says throws
// EVaultDamagedError, never EVaultPasswordError. With credentials, a format-2 operation
// reuses the key they hold when it fits the file (no derivation) and leaves in them the key
// it used; without, it derives the key from the password.

// True when the password opens the vault (magic and version 101). False for a file shorter
// than 512 bytes or a wrong password; throws when the file cannot be opened or read. A
// format-2 file's password is checked against its key check, always with a derivation; the
// key stays in credentials, so that the load after it derives nothing.
bool VaultCheckPassword(const std::string& path, const std::string& password,
                        TVaultCredentials* credentials = nullptr);

// As VaultCheckPassword, but a file whose length is no whole number of cipher blocks, which
// VaultLoad refuses, is refused with the load's error (EAESError), whatever the password: a
// check answers as the load after it will. The window's dialogs keep the header-only check.
// A format-2 file is opened whole, so that a damaged one throws EVaultDamagedError.
bool VaultCheckLoadable(const std::string& path, const std::string& password,
                        TVaultCredentials* credentials = nullptr);

// Writes a new empty vault (format 101: 512 bytes; format 2: a fresh salt and the calibrated
// key derivation), owner-only, creating missing folders and replacing any file.
// Answers the new file's identity.
TFileIdentity VaultCreate(const std::string& path, const std::string& password,
                          TVaultFormat format = TVaultFormat::Format101,
                          TVaultCredentials* credentials = nullptr);

// What a vault file tells without its password.
struct TVaultInfo {
    TVaultFormat Format = TVaultFormat::Format101;
    TKdfParameters Kdf;  // format 2 only
};
// Throws EVaultDamagedError for a format-2 file whose header this program cannot read.
TVaultInfo VaultReadInfo(const std::string& path);

// The identities of a vault file just before and just after one operation replaced it.
struct TVaultReplacement {
    TFileIdentity Before;
    TFileIdentity After;
};

// Re-keys the header and the counted slots from currentPassword to newPassword and sets the
// header's password time. The new file ends after the last counted slot: bytes beyond it
// (the remains of a longer former content) are dropped. Format 2 gets a new salt, the
// calibrated parameters and a new key.
TVaultReplacement VaultChangePassword(const std::string& path, const std::string& currentPassword,
                                      const std::string& newPassword,
                                      TVaultCredentials* credentials = nullptr);

// Empties the tree first, then reads the vault into it. Answers the identity of the file
// read.
TFileIdentity VaultLoad(const std::string& path, const std::string& password, TRecordTree& tree,
                        TVaultCredentials* credentials = nullptr);

// Writes the tree into the vault after proving the password against the file: the header and
// one slot per node, where the new file ends, however long the former one was. With expected,
// the file found under the save's lock must have that identity, else nothing is written and
// EVaultChangedError is thrown: a save never overwrites a change it has not seen. Answers the
// new file's identity.
// Format 2 seals the whole tree under a fresh nonce and keeps the file's vault values.
TFileIdentity VaultSave(const std::string& path, const std::string& password,
                        const TRecordTree& tree, const TFileIdentity* expected = nullptr,
                        TVaultCredentials* credentials = nullptr);

// Rewrites the vault in the other format, in place and crash-safe, under the lock and the
// change check of a save (expected as there). 101 to 2 keeps the header's times and reserved
// bytes in the vault values; 2 to 101 writes them back, so that a vault converted there and
// back keeps every byte but its groups' Guids. 2 to 101 throws EVaultFormatError, writing
// nothing, when a record holds what format 101 cannot (its message lists group and title of
// each) or the master password has a character outside Windows-1252. A vault already in
// format to throws EVaultFormatError too.
TVaultReplacement VaultConvert(const std::string& path, const std::string& password,
                               TVaultFormat to, const TFileIdentity* expected = nullptr,
                               TVaultCredentials* credentials = nullptr);

namespace VaultOperationsTesting {

// Runs hook in every save right after the check that the file is unchanged, under the save's
// lock; an empty function removes it. Lets a test put another writer into that moment.
void SetAfterSaveCheck(std::function<void()> hook);

}  // namespace VaultOperationsTesting
