// The commands on the vault as a whole: create, check, passwd, export, backup, info, convert.

#include <sys/stat.h>

#include "base/StringTable.h"
#include "base/VaultRules.h"
#include "cli/CliError.h"
#include "cli/CliText.h"
#include "cli/Commands.h"
#include "cli/ExportFormatOption.h"
#include "cli/OpenVault.h"
#include "cli/SecretText.h"
#include "interop/ForeignFormat.h"
#include "interop/ImportApply.h"
#include "vault/CofferixError.h"
#include "vault/FileUtil.h"
#include "vault/NodeDataText.h"
#include "vault/PathSafety.h"
#include "vault/TreeCommands.h"
#include "vault/VaultOperations.h"

namespace {

// The new master password, asked twice (new, then confirm) as the window's dialogs do.
void ReadNewMasterPassword(TCliSession& session, TSecretText& password) {
    session.ReadPassword(std::string(Str::sNewPassword) + " ", "new password", password);
    if (CheckNewMasterPassword(password.Value(), std::nullopt) != TNewPasswordProblem::None) {
        throw ECliError(std::string(Str::sPasswordTooShort), kExitRefused);
    }
    TSecretText confirm;
    session.ReadPassword(std::string(Str::sConfirmPassword) + " ",
                         "confirmation of the new password", confirm);
    if (CheckNewMasterPassword(password.Value(), confirm.Value()) != TNewPasswordProblem::None) {
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

// The password check with the load's length rule, so that a check never accepts a file that
// the load refuses; that refusal ends the command with exitCode.
bool OpensLikeALoad(const std::string& path, const std::string& password, int exitCode) {
    try {
        return VaultCheckLoadable(path, password);
    } catch (const EAESError& error) {
        throw ECliError(PartialBlocksText(path, error.what()), exitCode);
    }
}

// The format an option names: "1" or "101" for format 101, "2" for format 2.
TVaultFormat FormatOption(const TCliSession& session, std::string_view option,
                          TVaultFormat absent) {
    const std::string* value = session.Call().Value(option);
    if (value == nullptr) {
        return absent;
    }
    if (*value == "1" || *value == "101") {
        return TVaultFormat::Format101;
    }
    if (*value == "2") {
        return TVaultFormat::Format2;
    }
    throw UsageError(std::string(option) + " takes 2 or 1 (also written 101)");
}

std::string FormatName(TVaultFormat format) {
    return format == TVaultFormat::Format2 ? "2" : "1 (101)";
}

// Export and backup never write over the vault they read. The core refuses it with the
// window's text; the tool reports it as bad usage in its own words.
template <typename TWrite>
void WriteBesideVault(TWrite&& write) {
    try {
        write();
    } catch (const EOpenVaultDestinationError&) {
        throw UsageError("the destination is the vault itself");
    }
}

}  // namespace

int RunCreate(TCliSession& session) {
    const std::string& path = session.Arg(0);
    if (FileExists(path) && !session.Call().Has("--force")) {
        throw ECliError("\"" + path + "\" exists already; --force replaces it", kExitFailure);
    }
    const TVaultFormat format = FormatOption(session, "--format", TVaultFormat::Format2);
    if (format == TVaultFormat::Format2) {
        session.SetTextKind(TVaultTextKind::Unicode);
    }
    TSecretText password;
    ReadNewMasterPassword(session, password);
    VaultCreate(path, password.Value(), format);
    return kExitOk;
}

int RunCheck(TCliSession& session) {
    const std::string& path = session.Arg(0);
    EnsureVaultReadable(path);
    session.SetTextKind(TextKindOfVault(path));
    TSecretText password;
    session.ReadPassword(kMasterPrompt, kMasterWhat, password);
    // A file that does not open as a vault is a "no" (status 1), with the reason the load
    // gives.
    if (OpensLikeALoad(path, password.Value(), kExitRefused)) {
        return kExitOk;
    }
    if (session.TextKind() == TVaultTextKind::CodePage1252 && IsShorterThanHeader(path)) {
        throw ECliError(InvalidDatabaseText(path), kExitRefused);
    }
    throw ECliError(std::string(Str::sInvalidPassword), kExitRefused);
}

int RunPasswd(TCliSession& session) {
    const std::string& path = session.Arg(0);
    EnsureVaultReadable(path);
    session.SetTextKind(TextKindOfVault(path));
    TSecretText current;
    session.ReadPassword(kMasterPrompt, kMasterWhat, current);
    // As the window's dialog: the current password is proved before the new one is looked at.
    if (!OpensLikeALoad(path, current.Value(), kExitFailure)) {
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
    const std::optional<TForeignFormat> format = ExportFormatOption(session);
    if (!toOutput) {
        // A refused destination, before the password is asked.
        WriteBesideVault([&] { RefuseOpenVaultDestination(destination, path); });
        SafeWriteTarget(destination);
    }
    TVaultSession vault;
    OpenVault(session, path, vault);
    std::string text = format ? ExportForeignFile(vault.Tree(), *format)
                              : ExportListText(vault.Tree(), vault.TextKind());
    const TWipeOnExit wipe{text};
    if (toOutput) {
        session.Out().write(text.data(), static_cast<std::streamsize>(text.size()));
    } else {
        WriteBesideVault([&] { WriteSecretFileBesideVault(destination, text, path); });
    }
    return kExitOk;
}

int RunBackup(TCliSession& session) {
    const std::string& path = session.Arg(0);
    const std::string& destination = session.Arg(1);
    if (destination == "-") {
        throw UsageError("backup writes a file; \"-\" is not one");
    }
    WriteBesideVault([&] { RefuseOpenVaultDestination(destination, path); });
    SafeWriteTarget(destination);
    // Loading proves the master password and that the whole file reads as a vault.
    TVaultSession vault;
    OpenVault(session, path, vault);
    WriteBesideVault([&] { BackupVault(path, destination); });
    return kExitOk;
}

int RunInfo(TCliSession& session) {
    const std::string& path = session.Arg(0);
    EnsureVaultReadable(path);
    const TVaultInfo info = VaultReadInfo(path);
    std::ostream& out = session.Out();
    out << "Format:          " << FormatName(info.Format) << "\n";
    if (info.Format == TVaultFormat::Format2) {
        out << "Key derivation:  Argon2id, " << info.Kdf.MemoryKiB / 1024 << " MiB, "
            << info.Kdf.Iterations << " iterations, parallelism " << info.Kdf.Parallelism << "\n";
    } else {
        out << "Key derivation:  none (the master password is the key)\n";
    }
    for (const std::string& copy : FindConflictCopies(path)) {
        out << "Conflict copy:   " << EscapeControls(copy) << "\n";
    }
    out.flush();
    TVaultSession vault;
    OpenVault(session, path, vault);
    std::size_t groups = 0;
    std::size_t records = 0;
    vault.Tree().ForEach(
        [&](TRecordTree::TNode& node) { ++(node.Data.IsGroup ? groups : records); });
    out << "Groups:          " << groups << "\n";
    out << "Records:         " << records << "\n";
    if (const VaultFormat2::TVaultValues* values = vault.Values()) {
        out << "Created:         " << FormatDateTime(values->CreateTime) << "\n";
        out << "Password set:    " << FormatDateTime(values->PasswordTime) << "\n";
    }
    return kExitOk;
}

int RunConvert(TCliSession& session) {
    const std::string& path = session.Arg(0);
    if (!session.Call().Has("--to")) {
        throw UsageError("convert needs --to 2 or --to 1");
    }
    const TVaultFormat to = FormatOption(session, "--to", TVaultFormat::Format2);
    TVaultSession vault;
    OpenVault(session, path, vault);
    try {
        vault.Convert(to);
    } catch (const EVaultFormatError& error) {
        throw ECliError(error.what(), kExitRefused);
    } catch (const EVaultChangedError&) {
        throw ECliError(std::string(Str::sVaultChangedElsewhere) + " Run the command again.",
                        kExitFailure);
    }
    return kExitOk;
}
