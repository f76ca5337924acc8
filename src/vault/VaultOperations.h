#pragma once

#include <functional>
#include <string>

#include "vault/FileIdentity.h"
#include "vault/RecordTree.h"

// The five operations that move a vault between its file and a record tree. Paths are in
// the file system's encoding; passwords are 8-bit bytes. Every failure throws an
// ECofferixError whose message is the exact text the user sees. Each operation holds an
// exclusive lock on the vault file while it runs, waiting a bounded time for another holder;
// a lock kept past that fails with EVaultBusyError ("Cannot open file ..."). Every write goes
// to a temporary file in the same folder that is flushed and renamed over the vault, so a
// failed write leaves the former vault intact; what a killed write left behind is removed by
// the next operation on the vault. A saved or re-keyed vault keeps the permissions of the file
// that was locked, never wider. A wrong password throws EVaultPasswordError.

// True when the password opens the vault (magic and version 101). False for a file shorter
// than 512 bytes or a wrong password; throws when the file cannot be opened or read.
bool VaultCheckPassword(const std::string& path, const std::string& password);

// As VaultCheckPassword, but a file whose length is no whole number of cipher blocks, which
// VaultLoad refuses, is refused with the load's error (EAESError), whatever the password: a
// check answers as the load after it will. The window's dialogs keep the header-only check.
bool VaultCheckLoadable(const std::string& path, const std::string& password);

// Writes a new empty vault (512 bytes, owner-only), creating missing folders and replacing
// any file.
// Answers the new file's identity.
TFileIdentity VaultCreate(const std::string& path, const std::string& password);

// The identities of a vault file just before and just after one operation replaced it.
struct TVaultReplacement {
    TFileIdentity Before;
    TFileIdentity After;
};

// Re-keys the header and the counted slots from currentPassword to newPassword and sets the
// header's password time. The new file ends after the last counted slot: bytes beyond it
// (the remains of a longer former content) are dropped.
TVaultReplacement VaultChangePassword(const std::string& path, const std::string& currentPassword,
                                      const std::string& newPassword);

// Empties the tree first, then reads the vault into it. Answers the identity of the file
// read.
TFileIdentity VaultLoad(const std::string& path, const std::string& password, TRecordTree& tree);

// Writes the tree into the vault after proving the password against the file: the header and
// one slot per node, where the new file ends, however long the former one was. With expected,
// the file found under the save's lock must have that identity, else nothing is written and
// EVaultChangedError is thrown: a save never overwrites a change it has not seen. Answers the
// new file's identity.
TFileIdentity VaultSave(const std::string& path, const std::string& password,
                        const TRecordTree& tree, const TFileIdentity* expected = nullptr);

namespace VaultOperationsTesting {

// Runs hook in every save right after the check that the file is unchanged, under the save's
// lock; an empty function removes it. Lets a test put another writer into that moment.
void SetAfterSaveCheck(std::function<void()> hook);

}  // namespace VaultOperationsTesting
