// The window on format 2: a new vault is format 2 (or 101, as the Options ask) and takes any
// text from the record editor.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppTestKit.h"
#include "app/UnitCofferix.h"
#include "common/Settings.h"
#include "common/TextCodec.h"
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
