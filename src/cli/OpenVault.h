#pragma once

#include <functional>
#include <string>

#include "cli/CliSession.h"
#include "vault/VaultSession.h"

// Fails with the system's "Cannot open file" text when path cannot be opened for reading,
// so that a wrong path is reported before any password is asked for.
void EnsureVaultReadable(const std::string& path);

// The text the vault at path holds, told by its format without a password. A file that
// cannot be read is taken for format 101 here: the command's own open reports it.
TVaultTextKind TextKindOfVault(const std::string& path);

// The core's refusal of a file whose length is no whole number of cipher blocks, in words
// that name the file and what is wrong with it. The check and every command that loads say
// the same.
std::string PartialBlocksText(const std::string& path, const std::string& coreText);

// Loads the vault at path into vault for one command, with the master password asked for.
void OpenVault(TCliSession& session, const std::string& path, TVaultSession& vault);

// Makes the command's change and saves it. A vault that another program changed under the
// save is left as it is, and the command fails saying so.
void ChangeVault(TVaultSession& vault, const std::function<void(TVaultChange&)>& change);
