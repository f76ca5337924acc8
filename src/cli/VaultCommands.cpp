// The commands on the vault as a whole: create, check, passwd, export, backup.

#include <sys/stat.h>

#include "base/VaultRules.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/OpenVault.h"
#include "common/StringTable.h"
#include "vault/FileUtil.h"
#include "vault/PathSafety.h"
#include "vault/TreeCommands.h"
#include "vault/VaultOperations.h"

namespace {

// The new master password, asked twice (new, then confirm) as the window's dialogs do.
void ReadNewMasterPassword(TCliSession& session, TSecretText& password) {
    session.ReadPassword(std::string(Str::sNewPassword) + " ", "new password", password);
    if (password.Value().size() < kMinMasterPasswordLength) {
        throw ECliError(std::string(Str::sPasswordTooShort), kExitRefused);
    }
    TSecretText confirm;
    session.ReadPassword(std::string(Str::sConfirmPassword) + " ",
                         "confirmation of the new password", confirm);
    if (confirm.Value() != password.Value()) {
        throw ECliError("the confirmation differs from the new password", kExitRefused);
    }
}

bool IsShorterThanHeader(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           static_cast<std::size_t>(info.st_size) < kVaultHeaderSize;
}

std::string InvalidDatabaseText(const std::string& path) {
    return std::string(Str::sInvalidDatabase) + "\r\n" + path;
}

// Export and backup never write over the vault they read.
void RefuseVaultAsDestination(const std::string& vault, const std::string& destination) {
    if (IsSameFile(vault, destination)) {
        throw UsageError("the destination is the vault itself");
    }
}

// Wipes the export text, which holds every password in clear, however the command ends.
struct TWipeOnExit {
    std::string& Text;
    ~TWipeOnExit() { WipeString(Text); }
};

}  // namespace

int RunCreate(TCliSession& session) {
    const std::string& path = session.Arg(0);
    if (FileExists(path) && !session.Call().Has("--force")) {
        throw ECliError("\"" + path + "\" exists already; --force replaces it", kExitFailure);
    }
    TSecretText password;
    ReadNewMasterPassword(session, password);
    VaultCreate(path, password.Value());
    return kExitOk;
}

int RunCheck(TCliSession& session) {
    const std::string& path = session.Arg(0);
    EnsureVaultReadable(path);
    TSecretText password;
    session.ReadPassword(kMasterPrompt, kMasterWhat, password);
    if (VaultCheckPassword(path, password.Value())) {
        return kExitOk;
    }
    if (IsShorterThanHeader(path)) {
        throw ECliError(InvalidDatabaseText(path), kExitRefused);
    }
    throw ECliError(std::string(Str::sInvalidPassword), kExitRefused);
}

int RunPasswd(TCliSession& session) {
    const std::string& path = session.Arg(0);
    EnsureVaultReadable(path);
    TSecretText current;
    session.ReadPassword(kMasterPrompt, kMasterWhat, current);
    // As the window's dialog: the current password is proved before the new one is looked at.
    if (!VaultCheckPassword(path, current.Value())) {
        throw ECliError(std::string(Str::sInvalidPassword), kExitRefused);
    }
    TSecretText fresh;
    ReadNewMasterPassword(session, fresh);
    VaultChangePassword(path, current.Value(), fresh.Value());
    return kExitOk;
}

int RunExport(TCliSession& session) {
    const std::string& path = session.Arg(0);
    const std::string& destination = session.Arg(1);
    const bool toOutput = destination == "-";
    if (!toOutput) {
        RefuseVaultAsDestination(path, destination);
        SafeWriteTarget(destination);  // a refused destination, before the password is asked
    }
    TVaultSession vault;
    OpenVault(session, path, vault);
    std::string text = ExportListText(vault.Tree());
    const TWipeOnExit wipe{text};
    if (toOutput) {
        session.Out().write(text.data(), static_cast<std::streamsize>(text.size()));
    } else {
        RefuseVaultAsDestination(path, destination);
        WriteSecretFile(destination, text);
    }
    return kExitOk;
}

int RunBackup(TCliSession& session) {
    const std::string& path = session.Arg(0);
    const std::string& destination = session.Arg(1);
    if (destination == "-") {
        throw UsageError("backup writes a file; \"-\" is not one");
    }
    RefuseVaultAsDestination(path, destination);
    SafeWriteTarget(destination);
    // Loading proves the master password and that the whole file reads as a vault.
    TVaultSession vault;
    OpenVault(session, path, vault);
    RefuseVaultAsDestination(path, destination);
    CopySecretFile(path, destination);
    return kExitOk;
}
