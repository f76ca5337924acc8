#pragma once

#include <string>
#include <vector>

#include "vault/FileIdentity.h"
#include "vault/LockedFile.h"
#include "vault/RecordTree.h"
#include "vault/VaultFormat.h"

// What the vault operations of both formats share: the lock and leftover cleanup, the change
// check, the size limit, the folders of a new vault, and format 101's whole reads and writes
// that a conversion needs. Only the operations' own units include it.
namespace VaultOperationsInternal {

// Opens and locks the vault for one operation, and clears away what killed writers of it left.
TLockedFile OpenVaultFile(const std::string& path, TLockedFile::TAccess access);
// A write's guard, under its own lock: the file must be the one the tree came from.
void RefuseChangedFile(const TLockedFile& file, const TFileIdentity* expected);
// Files of 2 GiB or more are refused.
void RefuseOversized(const std::string& path, std::uint64_t size);
// True when the locked file starts with format 2's magic; anything else is format 101.
bool IsFormat2File(const TLockedFile& file);

// The folder of a new vault, made with its missing parents (listed in made); and their removal
// after a failed create.
void EnsureVaultFolder(const std::string& path, std::vector<std::string>& made);
void RemoveFolders(const std::vector<std::string>& made);

// Reads a whole format-101 vault (its length checked as a load checks it) into an empty tree;
// answers its header. Throws EVaultPasswordError for a wrong password.
VaultFormat::TVaultHeader ReadVault101(const TLockedFile& file, const std::string& path,
                                       const std::string& password, TRecordTree& tree);
// Writes the tree as a format-101 vault with header (its record count set here), keeping the
// locked file's mode. Throws EVaultTextError when password has a character outside
// Windows-1252 and the slot encoder's error when a field has.
TFileIdentity WriteVault101(const TLockedFile& file, const std::string& path,
                            VaultFormat::TVaultHeader header, const TRecordTree& tree,
                            const std::string& password);

}  // namespace VaultOperationsInternal
