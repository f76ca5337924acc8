// The commands that move records between Cofferix and other managers, and merge two vaults:
// import, merge, and export's --to.

#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/ExportFormatOption.h"
#include "cli/OpenVault.h"
#include "cli/SecretText.h"
#include "interop/ForeignFormat.h"
#include "interop/ImportApply.h"
#include "interop/InteropSummary.h"
#include "vault/CofferixError.h"
#include "vault/FileUtil.h"
#include "vault/PathSafety.h"
#include "vault/VaultOperations.h"

namespace {

TForeignFormat FormatFromOption(const std::string& name, bool exporting) {
    const std::optional<TForeignFormat> format = ForeignFormatFromName(name);
    if (!format || (exporting && !CanExportForeignFormat(*format))) {
        throw UsageError(std::string(exporting ? "--to" : "--from") + " takes one of " +
                         ForeignFormatNames(exporting));
    }
    return *format;
}

// The records of the file to import, read and parsed before any password is asked for, so
// that a file that cannot be imported costs nothing.
TImportedRecords ReadRecordsToImport(const TCliSession& session, const std::string& file) {
    std::string content;
    try {
        content = ReadForeignFile(file);
    } catch (const ECofferixError& error) {
        throw ECliError(error.what(), kExitFailure);
    }
    const TWipeOnExit wipe{content};
    const std::string* from = session.Call().Value("--from");
    try {
        const TForeignFormat format =
            from ? FormatFromOption(*from, false) : DetectForeignFormat(content);
        return ImportForeignFile(content, format);
    } catch (const EImportError& error) {
        throw ECliError(
            "\"" + file + "\" cannot be imported. " + error.what() + " Nothing was imported.",
            kExitFailure);
    }
}

// The other vault of a merge, opened with the vault's own master password when that opens
// it, else with its own, asked for.
void LoadOtherVault(TCliSession& session, const std::string& path, const TVaultSession& vault,
                    TRecordTree& other) {
    EnsureVaultReadable(path);
    std::string password = vault.Password();
    const TWipeOnExit wipe{password};
    if (!VaultCheckPassword(path, password)) {
        session.SetTextKind(TextKindOfVault(path));
        TSecretText own;
        session.ReadPassword("Master password of " + path + ": ",
                             "master password of the other vault", own);
        password = own.Value();
    }
    VaultLoad(path, password, other);
}

}  // namespace

int RunImport(TCliSession& session) {
    const std::string& path = session.Arg(0);
    const TImportedRecords records = ReadRecordsToImport(session, session.Arg(1));
    TVaultSession vault;
    OpenVault(session, path, vault);
    TImportSummary summary;
    ChangeVault(vault, [&](TVaultChange& change) {
        summary = ImportRecords(change, records, vault.TextKind());
    });
    session.Out() << ImportSummaryText(summary, vault.Format());
    return kExitOk;
}

int RunMerge(TCliSession& session) {
    const std::string& path = session.Arg(0);
    const std::string& otherPath = session.Arg(1);
    if (FileExists(path) && FileExists(otherPath) && IsSameFile(path, otherPath)) {
        throw UsageError("a vault cannot be merged with itself");
    }
    TVaultSession vault;
    OpenVault(session, path, vault);
    TRecordTree other;
    LoadOtherVault(session, otherPath, vault, other);
    TMergeSummary summary;
    ChangeVault(vault, [&](TVaultChange& change) { summary = MergeVault(change, other); });
    session.Out() << MergeSummaryText(summary, vault.Format());
    return kExitOk;
}

std::optional<TForeignFormat> ExportFormatOption(const TCliSession& session) {
    const std::string* to = session.Call().Value("--to");
    if (to == nullptr) {
        return std::nullopt;
    }
    return FormatFromOption(*to, true);
}
