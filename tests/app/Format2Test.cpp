// The window on format 2: a new vault is format 2 (or 101, as the Options ask) and takes any
// text from the record editor and gives it to the export; Database Format converts either
// way, and the edits follow what the vault holds.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppTestKit.h"
#include "app/TrayLock.h"
#include "app/UnitCofferix.h"
#include "common/Settings.h"
#include "common/TextCodec.h"
#include "common/tray/CoolTrayIcon.h"
#include "dialogs/UnitCheckPass.h"
#include "dialogs/UnitDatabaseFormat.h"
#include "dialogs/UnitNewPass.h"
#include "dialogs/UnitNewRecord.h"
#include "support/RecordingServices.h"
#include "vault/VaultKey.h"
#include "vault/VaultOperations.h"

namespace {

using TBoxKind = IServicesBackend::TBoxKind;

// Polish, Cyrillic, Chinese and an emoji (outside the 16-bit plane).
const QString kTitle = QStringLiteral("\u0141ukasz \u738B");
const QString kUser = QStringLiteral("\u042F\u0440\u043E\u0441\u043B\u0430\u0432");
const QString kPassword = QStringLiteral("has\u0142o-\u738B-\U0001F511");
// Typed with a line break, which the vault keeps as CR LF.
const QString kNotes = QStringLiteral("za\u017C\u00F3\u0142\u0107\n\u4E2D\u6587 \U0001F600");

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

// Types into the edit as a paste would: through its validator, unlike setText.
QString Typed(QLineEdit* edit, const QString& text) {
    edit->clear();
    edit->insert(text);
    return edit->text();
}

TDialogScript::TAnswer CreateAt(const QString& path, const QString& password) {
    return Answer<TfrmNewPassword>([path, password](TfrmNewPassword& dialog) {
        dialog.edtFile->setText(path);
        QCOMPARE(Typed(dialog.EditPass, password), password);
        QCOMPARE(Typed(dialog.EditConfirm, password), password);
        dialog.btnOKClick();
    });
}

// The record editor with a typed title (shown: what the editor kept of it) and user name.
TDialogScript::TAnswer TypeRecord(const QString& title, QString& shown) {
    return Answer<TfrmNewRecord>([title, &shown](TfrmNewRecord& dialog) {
        dialog.cmbGroup->setCurrentText(QStringLiteral("Friends"));
        shown = Typed(dialog.edtTitle, title);
        Typed(dialog.edtID, kUser);
        dialog.txtInfo->insertPlainText(kNotes);
        dialog.btnOKClick();
    });
}

// Database Format: what it said of the format (and its key stretching), then its Convert
// button.
TDialogScript::TAnswer ConvertFormat(QString& shownFormat) {
    return Answer<TfrmDatabaseFormat>([&shownFormat](TfrmDatabaseFormat& dialog) {
        shownFormat = dialog.lblFormat->text() + u'\n' + dialog.lblDetail->text();
        dialog.btnConvert->click();
    });
}

bool IsFormat2File(const QString& path) {
    return FileBytes(path).startsWith(
        QByteArray("\x89"
                   "CFX\r\n\x1A\n"));
}

}  // namespace

class TFormat2Test : public QObject {
    Q_OBJECT
public:
    explicit TFormat2Test(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void initTestCase() {
        VaultKdfTesting::SetCalibratedParameters(
            TKdfParameters{VaultKdf::kArgon2id13, VaultKdf::kMinMemoryKiB, VaultKdf::kMinIterations,
                           VaultKdf::kParallelism});
    }

    void init() {
        FServices = std::make_unique<TRecordingServices>();
        ClearSettings();
        FFolder = std::make_unique<QTemporaryDir>(FEnvironment.FilePath("case-XXXXXX"));
        FVault = FFolder->filePath("vault.dat");
        FScript = std::make_unique<TDialogScript>();
    }

    void cleanup() {
        FWindow.reset();
        FScript.reset();
        FServices.reset();
    }

    void FirstStartCreatesFormat2ThatHoldsAnyText() {
        FWindow = std::make_unique<TfrmCofferix>();
        FScript->Attach(*FWindow);
        FScript->Then(CreateAt(FVault, kPassword));
        QVERIFY(FWindow->FormCreate());
        QVERIFY(IsFormat2File(FVault));
        QVERIFY(FWindow->Vault().Session().Format() == TVaultFormat::Format2);

        QString shown;
        FScript->Then(TypeRecord(kTitle, shown));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        QCOMPARE(shown, kTitle);
        QVERIFY(FServices->Boxes.isEmpty());

        const std::unique_ptr<TRecordTree> stored = ReadVault(FVault, Utf8(kPassword));
        const PNode record = FindByTitle(*stored, Utf8(kTitle));
        QVERIFY(record);
        QCOMPARE(record->Data.UserName, Utf8(kUser));
        QCOMPARE(record->Data.Notes, Utf8(QString(kNotes).replace(u'\n', QStringLiteral("\r\n"))));

        // A lock drops the records and the key; the unlock derives the key once, for the check,
        // and the reload after it reuses it.
        Part<QPushButton>(*FWindow, "btnLockApp")->click();
        QVERIFY(FWindow->Vault().Session().IsDropped());
        const std::uint64_t before = VaultKdfTesting::DerivationCount();
        FScript->Then(Answer<TfrmCheckPassword>([](TfrmCheckPassword& dialog) {
            dialog.EditPass->setText(kPassword);
            dialog.btnOKClick();
        }));
        FWindow->TrayLock().CoolTrayIcon().HandleMouse(TTrayMouse::LButtonDblClk);
        QTRY_VERIFY(!FWindow->Vault().Session().IsDropped());
        QCOMPARE(VaultKdfTesting::DerivationCount() - before, std::uint64_t{1});
        QVERIFY(FindByTitle(FWindow->RecordTree(), Utf8(kTitle)));

        // The text export of a format-2 vault is UTF-8.
        const QString list = FFolder->filePath("list.txt");
        FServices->SaveFileAnswers = {list};
        Part<QAction>(*FWindow, "mnuExportList")->trigger();
        QVERIFY(FileBytes(list).contains(
            QByteArray("\r\n[" + kTitle.toUtf8() + "]\r\nID=" + kUser.toUtf8() + "\r\n")));
    }

    void OptionMakesNewVaultsFormat101() {
        Settings::SetNewVaultsReadableByVersion1(true);
        FWindow = std::make_unique<TfrmCofferix>();
        FScript->Attach(*FWindow);
        // A password that Windows-1252 cannot hold does not go into the edits at all.
        FScript->Then(Answer<TfrmNewPassword>([this](TfrmNewPassword& dialog) {
            dialog.edtFile->setText(FVault);
            QCOMPARE(Typed(dialog.EditPass, kPassword), QString());
            dialog.EditPass->setText(QStringLiteral("caf\u00E9-pass"));
            dialog.EditConfirm->setText(QStringLiteral("caf\u00E9-pass"));
            dialog.btnOKClick();
        }));
        QVERIFY(FWindow->FormCreate());
        QVERIFY(!IsFormat2File(FVault));
        QVERIFY(FWindow->Vault().Session().Format() == TVaultFormat::Format101);
        QCOMPARE(Outline(*ReadVault(FVault, Utf8(QStringLiteral("caf\u00E9-pass")))),
                 QStringList());
    }

    void DatabaseFormatConvertsBothWaysAndRefusesWhat101CannotHold() {
        WriteVault(FVault, "master-1", {{"Mail", "home", "me", "pw", "mail.org", "a\r\nb"}});
        FWindow = StartWindowOn(FVault, "master-1", *FScript);
        QVERIFY(FWindow);
        const QStringList before = Outline(*ReadVault(FVault, "master-1"));

        // Format 101: the editor refuses a Chinese character.
        QString shown;
        FScript->Then(Answer<TfrmNewRecord>([&shown](TfrmNewRecord& dialog) {
            shown = Typed(dialog.edtTitle, QStringLiteral("\u738B"));
            dialog.reject();
        }));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        QCOMPARE(shown, QString());

        QString format;
        FScript->Then(ConvertFormat(format));
        Part<QAction>(*FWindow, "mnuDatabaseFormat")->trigger();
        QVERIFY(format.startsWith(QStringLiteral("Format 101")));
        QVERIFY(IsFormat2File(FVault));
        QCOMPARE(Outline(*ReadVault(FVault, "master-1")), before);
        QCOMPARE(FServices->BoxTexts(TBoxKind::Information),
                 QStringList{"The database was converted to format 2."});

        // Format 2 now: the editor takes the character in.
        FScript->Then(TypeRecord(QStringLiteral("\u738B"), shown));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        QCOMPARE(shown, QStringLiteral("\u738B"));
        QVERIFY(FindByTitle(*ReadVault(FVault, "master-1"), "\xE7\x8E\x8B"));

        // Back to 101 is refused, naming the record; the file stays as it was.
        const QByteArray converted = FileBytes(FVault);
        FScript->Then(ConvertFormat(format));
        Part<QAction>(*FWindow, "mnuDatabaseFormat")->trigger();
        QVERIFY(format.startsWith(QStringLiteral("Format 2")));
        QVERIFY2(format.contains(QStringLiteral("8 MiB of memory, 3 iterations, parallelism 1")),
                 qPrintable(format));
        const QStringList warnings = FServices->BoxTexts(TBoxKind::Warning);
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains(QStringLiteral("Friends / \u738B")), qPrintable(warnings[0]));
        QCOMPARE(FileBytes(FVault), converted);
        QVERIFY(FWindow->Vault().Session().Format() == TVaultFormat::Format2);
        QCOMPARE(FServices->BoxTexts(TBoxKind::Information).size(), 1);
        QVERIFY(FScript->Done());
    }

private:
    TTestEnvironment& FEnvironment;
    std::unique_ptr<TRecordingServices> FServices;
    std::unique_ptr<QTemporaryDir> FFolder;
    QString FVault;
    std::unique_ptr<TDialogScript> FScript;
    std::unique_ptr<TfrmCofferix> FWindow;
};

COFFERIX_APP_TEST_MAIN(TFormat2Test)
#include "Format2Test.moc"
