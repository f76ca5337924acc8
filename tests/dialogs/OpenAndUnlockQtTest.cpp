#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "CoreVaultHost.h"
#include "DialogTestKit.h"
#include "FakeVaultHost.h"
#include "base/StringTable.h"
#include "common/TextCodec.h"
#include "dialogs/UnitCheckPass.h"
#include "dialogs/UnitImportDb.h"
#include "vault/VaultOperations.h"

using TBoxKind = IServicesBackend::TBoxKind;

class TOpenAndUnlockTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TDialogTestScope> FScope;
    TFakeVaultHost* FHost = nullptr;

    QString ExistingVault() {
        return WriteTestFile(*FScope, QStringLiteral("vault.dat"), QByteArray(512, 'x'));
    }

private slots:
    void init() {
        FScope = std::make_unique<TDialogTestScope>();
        FHost = new TFakeVaultHost;
    }
    void cleanup() {
        delete FHost;
        FScope.reset();
    }

    void OpenDialogIsLaidOutAsAgreed() {
        TfrmImportDb dialog(*FHost);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Open Database"));
        QCOMPARE(dialog.size(), QSize(622, 226));
        QCOMPARE(dialog.lblChooseDb->text(), QStringLiteral("Database file:"));
        QCOMPARE(dialog.lblPass->text(), QStringLiteral("Master password"));
        QCOMPARE(dialog.btnBrowse->text(), QStringLiteral("Browse..."));
        QCOMPARE(dialog.chkDisplayPass->text(), QStringLiteral("Display Password"));
        QCOMPARE(dialog.edtPass->maxLength(), 128);
        QCOMPARE(dialog.edtPass->echoMode(), QLineEdit::Password);
        QVERIFY(!dialog.chkDisplayPass->isChecked());
        QCOMPARE(dialog.Image1->size(), QSize(48, 48));
        QVERIFY(!dialog.Image1->pixmap().isNull());

        QVERIFY(ShowActive(&dialog));
        QVERIFY(dialog.edtPass->hasFocus());
        const QList<QWidget*> expected = {dialog.btnOK,     dialog.btnCancel,      dialog.edtFile,
                                          dialog.btnBrowse, dialog.chkDisplayPass, dialog.edtPass};
        QCOMPARE(TabSequence(&dialog, 6), expected);
    }

    void OpenDialogHasNoDefaultButtonAndNoEscape() {
        TfrmImportDb dialog(*FHost);
        QVERIFY(ShowActive(&dialog));
        QVERIFY(!dialog.btnOK->isDefault());
        QTest::keyClick(dialog.edtPass, Qt::Key_Return);
        QTest::keyClick(dialog.edtPass, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QVERIFY(FHost->Calls.empty());
        // A focused button is pressed with Enter.
        dialog.btnCancel->setFocus();
        QTest::keyClick(dialog.btnCancel, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
    }

    void OpenRefusesAMissingPathBeforeThePassword() {
        TfrmImportDb dialog(*FHost);
        QVERIFY(ShowActive(&dialog));
        dialog.edtPass->setText(QStringLiteral("secret1"));
        dialog.btnOK->click();
        QVERIFY(IsSelectedAndFocused(dialog.edtFile));

        dialog.edtFile->setText(FScope->FilePath(QStringLiteral("nothing.dat")));
        dialog.edtPass->setFocus();
        dialog.btnOK->click();
        QVERIFY(IsSelectedAndFocused(dialog.edtFile));
        QVERIFY(!dialog.edtFile->selectedText().isEmpty());

        dialog.edtFile->setText(FScope->Environment->Root());  // a folder is no file
        dialog.btnOK->click();
        QVERIFY(IsSelectedAndFocused(dialog.edtFile));
        QVERIFY(FHost->Calls.empty());
        QVERIFY(FScope->Services->Boxes.isEmpty());
        QVERIFY(dialog.isVisible());
    }

    void OpenRefusesShortPasswordsWithoutTryingThem() {
        TfrmImportDb dialog(*FHost);
        QVERIFY(ShowActive(&dialog));
        dialog.edtFile->setText(ExistingVault());
        for (const QString& typed : {QString(), QStringLiteral("12345")}) {
            dialog.edtPass->setText(typed);
            dialog.edtFile->setFocus();
            dialog.btnOK->click();
            QVERIFY(IsSelectedAndFocused(dialog.edtPass));
        }
        QCOMPARE(FHost->CountOf(QStringLiteral("check")), 0);
        QVERIFY(FScope->Services->Boxes.isEmpty());
        QVERIFY(dialog.result() != QDialog::Accepted);
    }

    void OpenTriesThePasswordAndClosesOnlyWhenItOpens() {
        TfrmImportDb dialog(*FHost);
        QVERIFY(ShowActive(&dialog));
        const QString vault = ExistingVault();
        dialog.edtFile->setText(vault);
        dialog.edtPass->setText(QStringLiteral("wrong-1"));
        dialog.btnOK->click();
        QVERIFY(IsSelectedAndFocused(dialog.edtPass));
        QVERIFY(dialog.isVisible());
        QVERIFY(FScope->Services->Boxes.isEmpty());

        dialog.edtPass->setText(QStringLiteral("secret1"));
        dialog.btnOK->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(FHost->CountOf(QStringLiteral("check")), 2);
        QCOMPARE(FHost->Calls.back().Path, vault);
        QCOMPARE(FHost->Calls.back().Password, std::string("secret1"));
    }

    void OpenShowsAFileErrorAndStaysOpen() {
        TfrmImportDb dialog(*FHost);
        QVERIFY(ShowActive(&dialog));
        FHost->CheckThrows = true;
        dialog.edtFile->setText(ExistingVault());
        dialog.edtPass->setText(QStringLiteral("secret1"));
        dialog.btnOK->click();
        const QStringList errors = FScope->Services->BoxTexts(TBoxKind::Critical);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().startsWith(QStringLiteral("Cannot open file")));
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.result() != QDialog::Accepted);
    }

    void OpenBrowsePutsTheFullPathIntoTheField() {
        TfrmImportDb dialog(*FHost);
        FScope->Services->OpenFileAnswers = {QStringLiteral("relative/file.dat")};
        dialog.btnBrowse->click();
        QCOMPARE(FScope->Services->OpenFilters, QStringList{QStringLiteral("Dat File (*.dat)")});
        QCOMPARE(dialog.edtFile->text(), QDir::current().absoluteFilePath("relative/file.dat"));
        // Cancelling the file dialog keeps the path.
        dialog.btnBrowse->click();
        QCOMPARE(dialog.edtFile->text(), QDir::current().absoluteFilePath("relative/file.dat"));
    }

    void OpenPasswordEditTakesOnlyCodePageTextAndTheFileAnyName() {
        TfrmImportDb dialog(*FHost);
        QVERIFY(ShowActive(&dialog));
        dialog.edtFile->setFocus();
        TypeText(dialog.edtFile, QStringLiteral("/home/\u0418\u0432\u0430\u043D/vault.dat"));
        QCOMPARE(dialog.edtFile->text(),
                 QStringLiteral("/home/\u0418\u0432\u0430\u043D/vault.dat"));
        dialog.edtPass->setFocus();
        TypeText(dialog.edtPass, QStringLiteral("ab\u4E2Dc\u00E9"));
        QCOMPARE(dialog.edtPass->text(), QStringLiteral("abc\u00E9"));
        QTest::keyClicks(dialog.edtPass, QString(200, QLatin1Char('x')));
        QCOMPARE(dialog.edtPass->text().size(), 128);
    }

    void OpenDisplayPasswordUnmasks() {
        TfrmImportDb dialog(*FHost);
        dialog.chkDisplayPass->click();
        QCOMPARE(dialog.edtPass->echoMode(), QLineEdit::Normal);
        dialog.chkDisplayPass->click();
        QCOMPARE(dialog.edtPass->echoMode(), QLineEdit::Password);
    }

    void OpenWorksAgainstARealVault() {
        TCoreVaultHost host;
        const QString vault = FScope->FilePath(QStringLiteral("real.dat"));
        // Only the first 32 characters form the key.
        VaultCreate(vault.toStdString(), std::string(32, 'k'));
        TfrmImportDb dialog(host);
        dialog.edtFile->setText(vault);
        dialog.edtPass->setText(QString(32, QLatin1Char('k')) + QStringLiteral("tail"));
        dialog.btnOK->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void UnlockDialogIsLaidOutAsAgreed() {
        TfrmCheckPassword dialog(*FHost);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Authentication"));
        QCOMPARE(dialog.size(), QSize(477, 141));
        QCOMPARE(dialog.EditPass->maxLength(), 64);
        QCOMPARE(dialog.EditPass->echoMode(), QLineEdit::Password);
        QVERIFY(dialog.DbFileName.isEmpty());
        QVERIFY(!dialog.Image1->pixmap().isNull());
        QVERIFY(ShowActive(&dialog));
        QVERIFY(dialog.EditPass->hasFocus());
        const QList<QWidget*> expected = {dialog.btnOK, dialog.btnCancel, dialog.chkDisplayPass,
                                          dialog.EditPass};
        QCOMPARE(TabSequence(&dialog, 4), expected);
        dialog.chkDisplayPass->click();
        QCOMPARE(dialog.EditPass->echoMode(), QLineEdit::Normal);
    }

    void UnlockTriesAnyTextEvenAnEmptyOne() {
        TfrmCheckPassword dialog(*FHost);
        dialog.DbFileName = QStringLiteral("/some/vault.dat");
        QVERIFY(ShowActive(&dialog));
        for (const QString& typed : {QString(), QStringLiteral("abc")}) {
            dialog.EditPass->setText(typed);
            dialog.btnOK->click();
            QVERIFY(IsSelectedAndFocused(dialog.EditPass));
        }
        QCOMPARE(FHost->CountOf(QStringLiteral("check")), 2);
        QCOMPARE(FHost->Calls.front().Password, std::string());
        QCOMPARE(FHost->Calls.front().Path, QStringLiteral("/some/vault.dat"));
        QVERIFY(FScope->Services->Boxes.isEmpty());
        QVERIFY(dialog.isVisible());

        dialog.EditPass->setText(QStringLiteral("secret1"));
        dialog.btnOK->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.DbFileName, QStringLiteral("/some/vault.dat"));
    }

    void PasswordsTypedIntoTheDialogsLeaveWithThem() {
        // A rejected guess, overtyped, lives on in the edit's undo history; clear() adds to
        // it. Taken out of the dialog before it goes, the edit shows what it left behind.
        auto* dialog = new TfrmCheckPassword(*FHost);
        QVERIFY(ShowActive(dialog));
        QLineEdit* edit = dialog->EditPass;
        QTest::keyClicks(edit, QStringLiteral("guess-1"));
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("master-1"));
        edit->clear();
        edit->setParent(nullptr);
        delete dialog;
        edit->setEchoMode(QLineEdit::Normal);
        QVERIFY(!edit->isUndoAvailable());
        for (int i = 0; i < 40; ++i) {
            edit->undo();
            QCOMPARE(edit->text(), QString());
        }
        delete edit;
    }

    void UnlockShowsAFileErrorAndStaysOpen() {
        TfrmCheckPassword dialog(*FHost);
        FHost->CheckThrows = true;
        QVERIFY(ShowActive(&dialog));
        dialog.btnOK->click();
        QCOMPARE(FScope->Services->BoxTexts(TBoxKind::Critical).size(), 1);
        QVERIFY(dialog.isVisible());
    }

    void UnlockAgainstARealVaultThatIsMissing() {
        TCoreVaultHost host;
        TfrmCheckPassword dialog(host);
        dialog.DbFileName = FScope->FilePath(QStringLiteral("gone.dat"));
        dialog.EditPass->setText(QStringLiteral("whatever"));
        dialog.btnOK->click();
        const QStringList errors = FScope->Services->BoxTexts(TBoxKind::Critical);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().contains(QStringLiteral("gone.dat")));
        QVERIFY(dialog.result() != QDialog::Accepted);
    }
};

int RunOpenAndUnlockTests(int argc, char** argv) {
    TOpenAndUnlockTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OpenAndUnlockQtTest.moc"
