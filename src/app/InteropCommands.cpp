#include "app/InteropCommands.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <cstdio>
#include <exception>
#include <string>

#include "app/WindowVault.h"
#include "base/StringTable.h"
#include "base/Wipe.h"
#include "common/Services.h"
#include "common/TextCodec.h"
#include "interop/ForeignFormat.h"
#include "interop/ImportApply.h"
#include "interop/InteropSummary.h"
#include "vault/CofferixError.h"
#include "vault/FileUtil.h"
#include "vault/LockedFile.h"
#include "vault/VaultOperations.h"

namespace {

// The records of the file at path; none, after a warning, when it cannot be imported.
bool ReadRecords(const QString& path, TImportedRecords& records) {
    std::string content;
    try {
        content = ReadForeignFile(NativePath(path));
        records = ImportForeignFile(content, DetectForeignFormat(content));
    } catch (const EImportError& error) {
        WipeString(content);
        ShowWarning(Tr(Str::sImportCannot).arg(path, ErrorText(error)));
        return false;
    } catch (const std::exception& error) {
        WipeString(content);
        ShowWarning(ErrorText(error));
        return false;
    }
    WipeString(content);
    return true;
}

// The format that the export's file names by its suffix; none for another suffix.
std::optional<TForeignFormat> ExportFormatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("xml")) {
        return TForeignFormat::KeePassXml;
    }
    if (suffix == QLatin1String("csv")) {
        return TForeignFormat::KeePassXcCsv;
    }
    if (suffix == QLatin1String("json")) {
        return TForeignFormat::BitwardenJson;
    }
    return std::nullopt;
}

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

void TInteropCommands::ImportFromManager() {
    const QString path =
        ServicesBackend().OpenFileName(FContext.DialogOwner(), Tr(Str::sImportOtherFilter), {});
    TImportedRecords records;
    if (path.isEmpty() || !ReadRecords(path, records)) {
        return;
    }
    TWindowVault& vault = FContext.Vault();
    vault.TakeInOutsideChange();  // the preview counts against the file as it is now
    const TVaultSession& session = vault.Session();
    TImportSummary preview;
    session.Preview([&](TVaultChange& change) {
        preview = ImportRecords(change, records, session.TextKind());
    });
    const QString question = Tr(Str::sImportQuestion)
                                 .arg(path)
                                 .arg(records.size())
                                 .arg(Utf8(ImportSummaryText(preview, session.Format())));
    if (!AskOkCancel(FContext.DialogOwner(), question)) {
        return;
    }
    TImportSummary summary;
    if (vault.Change([&](TVaultChange& change) {
            summary = ImportRecords(change, records, session.TextKind());
        })) {
        FContext.ShowNotice(Tr(Str::sImported)
                                .arg(summary.Added)
                                .arg(summary.AlreadyPresent)
                                .arg(summary.LeftOut.size()));
    }
}

void TInteropCommands::ExportForManager() {
    const QString path = ServicesBackend().SaveFileName(
        FContext.DialogOwner(), Tr(Str::sExportOtherFilter), QStringLiteral("xml"), {});
    if (path.isEmpty()) {
        return;
    }
    const std::optional<TForeignFormat> format = ExportFormatOf(path);
    if (!format) {
        ShowWarning(Tr(Str::sExportOtherSuffix));
        return;
    }
    if (!AskOkCancel(FContext.DialogOwner(), Tr(Str::sExportOtherWarning))) {
        return;
    }
    TWindowVault& vault = FContext.Vault();
    std::string text = ExportForeignFile(vault.Tree(), *format);
    try {
        WriteSecretFileBesideVault(NativePath(path), text, NativePath(vault.DatabaseFile()));
    } catch (const EOpenVaultDestinationError& error) {
        ShowWarning(ErrorText(error));
    } catch (const std::exception& error) {
        ShowError(ErrorText(error));
    }
    WipeString(text);
}

void TInteropCommands::MergeDatabase() {
    const QString filter = Tr(Str::sBackupFilter) + QStringLiteral(";;All Files (*)");
    const QString path = ServicesBackend().OpenFileName(FContext.DialogOwner(), filter, {});
    if (!path.isEmpty()) {
        MergeFile(path);
    }
}

bool TInteropCommands::LoadOtherVault(const std::string& path, TRecordTree& other) {
    std::string password = FContext.Vault().Password();
    bool loaded = false;
    try {
        const TThreadLockWaitScope wait{TWindowVault::kEventLoopWait};
        QString typed;
        if (!VaultCheckPassword(path, password)) {
            const QString prompt = Tr(Str::sMergePasswordPrompt).arg(Utf8(path));
            if (!ServicesBackend().InputPassword(FContext.DialogOwner(),
                                                 Tr(Str::sMergePasswordCaption), prompt, typed)) {
                WipeString(password);
                return false;
            }
            WipeString(password);
            password = typed.toStdString();
            typed.fill(QChar());  // the only copy: wiped in place
        }
        VaultLoad(path, password, other);
        loaded = true;
    } catch (const std::exception& error) {
        ShowWarning(ErrorText(error));
    }
    WipeString(password);
    return loaded;
}

bool TInteropCommands::MergeFile(const QString& path) {
    TWindowVault& vault = FContext.Vault();
    const std::string otherPath = NativePath(path);
    if (FileExists(otherPath) && IsSameFile(otherPath, NativePath(vault.DatabaseFile()))) {
        ShowWarning(Tr(Str::sMergeSameFile));
        return false;
    }
    TRecordTree other;
    if (!LoadOtherVault(otherPath, other)) {
        return false;
    }
    vault.TakeInOutsideChange();
    TMergeSummary preview;
    vault.Session().Preview([&](TVaultChange& change) { preview = MergeVault(change, other); });
    const QString question =
        Tr(Str::sMergeQuestion)
            .arg(path, Utf8(MergeSummaryText(preview, vault.Session().Format())));
    if (!AskOkCancel(FContext.DialogOwner(), question)) {
        return false;
    }
    TMergeSummary summary;
    if (!vault.Change([&](TVaultChange& change) { summary = MergeVault(change, other); })) {
        return false;
    }
    FContext.ShowNotice(
        Tr(Str::sMerged).arg(summary.Added).arg(summary.Updated).arg(summary.KeptAsCopies));
    return true;
}

QWidget* TInteropCommands::CreateConflictNotice(QWidget* parent) {
    FConflictNotice = new QWidget(parent);
    FConflictNotice->setObjectName(QStringLiteral("plConflictCopy"));
    auto* row = new QHBoxLayout(FConflictNotice);
    row->setContentsMargins(0, 0, 0, 0);
    FConflictLabel = new QLabel(FConflictNotice);
    FConflictLabel->setObjectName(QStringLiteral("lblConflictCopy"));
    FConflictLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* merge = new QPushButton(Tr(Str::sConflictMergeButton), FConflictNotice);
    merge->setObjectName(QStringLiteral("btnMergeConflictCopy"));
    connect(merge, &QPushButton::clicked, this, &TInteropCommands::MergeConflictCopy);
    row->addWidget(FConflictLabel, 1);
    row->addWidget(merge);
    FConflictNotice->hide();
    return FConflictNotice;
}

void TInteropCommands::CheckConflictCopies() {
    const QString vaultPath = FContext.Vault().DatabaseFile();
    const std::vector<std::string> copies = vaultPath.isEmpty()
                                                ? std::vector<std::string>()
                                                : FindConflictCopies(NativePath(vaultPath));
    FConflictCopy = copies.empty() ? QString() : Utf8(copies.front());
    if (!FConflictNotice) {
        return;
    }
    FConflictNotice->setVisible(!copies.empty());
    if (copies.empty()) {
        return;
    }
    const QString name = QFileInfo(FConflictCopy).fileName();
    FConflictLabel->setText(copies.size() == 1
                                ? Tr(Str::sConflictFound).arg(name)
                                : Tr(Str::sConflictsFound).arg(name).arg(copies.size()));
    FConflictLabel->setToolTip(FConflictCopy);
}

void TInteropCommands::MergeConflictCopy() {
    const QString copy = FConflictCopy;
    if (copy.isEmpty() || !MergeFile(copy)) {
        return;
    }
    const QString question = Tr(Str::sConflictDeleteQuestion).arg(QFileInfo(copy).fileName());
    if (AskOkCancel(FContext.DialogOwner(), question)) {
        std::remove(NativePath(copy).c_str());
    }
    CheckConflictCopies();
}
