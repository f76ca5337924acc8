#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// File helpers for secrets: vault writes, backups, exports, generated-password lists.

// Writes bytes to path through a temporary file in the same folder, flushed and renamed
// over path. The result is the user's and readable by its owner only, whatever was at path:
// a file left readable by others would hand them the next secret written to it. Refuses what
// PathSafety refuses. Throws EVaultError("Cannot create file "path". reason") on failure.
void WriteSecretFile(const std::string& path, const std::string& bytes);
void WriteSecretFile(const std::string& path, const std::uint8_t* data, std::size_t size);

// Copies the vault byte for byte (the backup). Throws on failure; refuses a destination that
// is the source file itself. The copy is owner-only and written as WriteSecretFile writes,
// a piece at a time, so that a large vault never sits in memory whole; the source is locked
// as the vault operations lock it.
void CopySecretFile(const std::string& sourcePath, const std::string& destinationPath);

// Backup, text export and the generator's Save never write over the open vault: throws
// EOpenVaultDestinationError (sDestinationIsOpenVault) when destination is the file openVault
// names, by any path. An empty openVault (no vault open) refuses nothing.
void RefuseOpenVaultDestination(const std::string& destination, const std::string& openVault);

// WriteSecretFile for a text export or a generated list, refusing the open vault first.
void WriteSecretFileBesideVault(const std::string& path, const std::string& bytes,
                                const std::string& openVault);

// The backup: CopySecretFile of the open vault, refusing the vault itself first.
void BackupVault(const std::string& vaultPath, const std::string& destinationPath);

// True when both paths name the same existing file (also through links or other spellings).
bool IsSameFile(const std::string& a, const std::string& b);

bool FileExists(const std::string& path);
