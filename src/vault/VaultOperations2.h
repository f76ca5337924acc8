#pragma once

#include <string>

#include "vault/LockedFile.h"
#include "vault/RecordTree.h"
#include "vault/VaultCredentials.h"
#include "vault/VaultOperations.h"

// The vault operations on a format-2 file that the caller has opened and locked. Only the
// operations' own units include it; VaultOperations.h describes what each does.
namespace VaultOperations2 {

bool CheckPassword(const TLockedFile& file, const std::string& path, const std::string& password,
                   bool wholeFile, TVaultCredentials& credentials);
// Writes a new empty vault at path (the folder exists), owner-only.
TFileIdentity Create(const std::string& path, const std::string& password,
                     TVaultCredentials& credentials);
TVaultReplacement ChangePassword(const TLockedFile& file, const std::string& path,
                                 const std::string& currentPassword, const std::string& newPassword,
                                 TVaultCredentials& credentials);
void Load(const TLockedFile& file, const std::string& path, const std::string& password,
          TRecordTree& tree, TVaultCredentials& credentials);
TFileIdentity Save(const TLockedFile& file, const std::string& path, const std::string& password,
                   const TRecordTree& tree, TVaultCredentials& credentials);
TKdfParameters ReadKdf(const TLockedFile& file, const std::string& path);

// Reads the vault values and the tree of the file.
void Read(const TLockedFile& file, const std::string& path, const std::string& password,
          TRecordTree& tree, VaultFormat2::TVaultValues& values, TVaultCredentials& credentials);
// Writes the tree and values under a new salt, the calibrated parameters and a key derived
// from password, keeping the locked file's mode.
TFileIdentity WriteNewKey(const TLockedFile& file, const std::string& path,
                          const std::string& password, const TRecordTree& tree,
                          VaultFormat2::TVaultValues values, TVaultCredentials& credentials);

}  // namespace VaultOperations2
