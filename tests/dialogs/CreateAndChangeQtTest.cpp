#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "CoreVaultHost.h"
#include "DialogTestKit.h"
#include "FakeVaultHost.h"
#include "base/StringTable.h"
#include "common/TextCodec.h"
#include "dialogs/UnitChangePass.h"
#include "dialogs/UnitNewPass.h"
#include "dialogs/UnitPassGen.h"
#include "vault/VaultOperations.h"

using TBoxKind = IServicesBackend::TBoxKind;

namespace {

QList<TfrmPassGen*> GeneratorWindows() {
    QList<TfrmPassGen*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* generator = qobject_cast<TfrmPassGen*>(widget)) {
            found.append(generator);
        }
    }
    return found;
}

void TypePasswords(QLineEdit* password, QLineEdit* confirmation, const QString& first,
                   const QString& second) {
    password->setText(first);
    confirmation->setText(second);
}

}  // namespace

class TCreateAndChangeTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TDialogTestScope> FScope;
    TFakeVaultHost* FHost = nullptr;

private slots:
    void init() {
        FScope = std::make_unique<TDialogTestScope>();
        FHost = new TFakeVaultHost;
    }
    void cleanup() {
        for (TfrmPassGen* generator : GeneratorWindows()) {
            delete generator;
        }
        delete FHost;
        FScope.reset();
    }

    void CreateDialogIsLaidOutAsAgreed() {
        TfrmNewPassword dialog(*FHost);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Crete New Password"));
        QCOMPARE(dialog.size(), QSize(618, 301));
        QCOMPARE(dialog.lblAskPass->text(),
                 QStringLiteral("Please create a Master password to protect your program"));
        QCOMPARE(dialog.lblPass->text(), QStringLiteral("New Password:"));
        QCOMPARE(dialog.lblConfirm->text(), QStringLiteral("Confirm Password:"));
        QCOMPARE(dialog.btnPassGen->text(), QStringLiteral("Password Generator"));
        QCOMPARE(dialog.EditPass->maxLength(), 64);
        QCOMPARE(dialog.EditConfirm->maxLength(), 64);
        QCOMPARE(dialog.imgLogo->pixmap().size(), QSize(64, 64));
        QVERIFY(ShowActive(&dialog));
        QVERIFY(dialog.EditPass->hasFocus());
        QVERIFY(!dialog.btnOK->isDefault());
        const QList<QWidget*> expected = {
            dialog.chkDisplayPass, dialog.btnOK,     dialog.btnCancel, dialog.EditConfirm,
            dialog.btnPassGen,     dialog.btnBrowse, dialog.edtFile,   dialog.EditPass};
        QCOMPARE(TabSequence(&dialog, 8), expected);
    }

    void CreateDisplayPasswordUnmasksBothEdits() {
        TfrmNewPassword dialog(*FHost);
        dialog.chkDisplayPass->click();
        QCOMPARE(dialog.EditPass->echoMode(), QLineEdit::Normal);
        QCOMPARE(dialog.EditConfirm->echoMode(), QLineEdit::Normal);
        dialog.chkDisplayPass->click();
        QCOMPARE(dialog.EditPass->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog.EditConfirm->echoMode(), QLineEdit::Password);
    }

    void CreateRefusesAShortPasswordWithAWarning() {
        TfrmNewPassword dialog(*FHost);
        QVERIFY(ShowActive(&dialog));
        dialog.edtFile->setText(FScope->FilePath(QStringLiteral("new.dat")));
        TypePasswords(dialog.EditPass, dialog.EditConfirm, QStringLiteral("12345"),
                      QStringLiteral("other"));
        dialog.EditConfirm->setFocus();
        dialog.btnOK->click();
        QCOMPARE(FScope->Services->BoxTexts(TBoxKind::Warning),
                 QStringList{QStringLiteral("Need at least 6 letters for the password!")});
        QVERIFY(dialog.EditConfirm->hasFocus());  // focus unchanged
        QVERIFY(FHost->Calls.empty());
        QVERIFY(dialog.isVisible());
    }

    void CreateRefusesADifferentConfirmationSilently() {
        TfrmNewPassword dialog(*FHost);
        QVERIFY(ShowActive(&dialog));
        dialog.edtFile->setText(FScope->FilePath(QStringLiteral("new.dat")));
        TypePasswords(dialog.EditPass, dialog.EditConfirm, QStringLiteral("Secret1"),
                      QStringLiteral("secret1"));
        dialog.btnOK->click();
        QVERIFY(IsSelectedAndFocused(dialog.EditConfirm));
        QVERIFY(!dialog.EditConfirm->selectedText().isEmpty());
        QVERIFY(FScope->Services->Boxes.isEmpty());
        QVERIFY(FHost->Calls.empty());
    }

    void CreateMakesTheVaultAndCloses() {
        TfrmNewPassword dialog(*FHost);
        QVERIFY(ShowActive(&dialog));
        // A file name takes any character, not only those the vault's code page holds.
        const QString path = FScope->FilePath(QStringLiteral("\u0418\u0432\u0430\u043D/new.dat"));
        dialog.edtFile->setFocus();
        TypeText(dialog.edtFile, path);
        TypePasswords(dialog.EditPass, dialog.EditConfirm, QStringLiteral("secret1"),
                      QStringLiteral("secret1"));
        dialog.btnOK->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(FHost->Calls.size(), std::size_t(1));
        QCOMPARE(FHost->Calls.front().Operation, QStringLiteral("create"));
        QCOMPARE(FHost->Calls.front().Path, path);
        QCOMPARE(FHost->Calls.front().Password, std::string("secret1"));
        QVERIFY(FHost->Calls.front().WriteSideFile);
        QVERIFY(FScope->Services->Questions.isEmpty());  // nothing was there to replace
    }

    void CreateStaysOpenWhenTheVaultCannotBeWritten() {
        TfrmNewPassword dialog(*FHost);
        FHost->CreateSucceeds = false;
        dialog.edtFile->setText(FScope->FilePath(QStringLiteral("new.dat")));
        TypePasswords(dialog.EditPass, dialog.EditConfirm, QStringLiteral("secret1"),
                      QStringLiteral("secret1"));
        dialog.btnOK->click();
        QCOMPARE(FHost->CountOf(QStringLiteral("create")), 1);
        QVERIFY(dialog.result() != QDialog::Accepted);
    }

    void CreateAsksBeforeReplacingAnExistingFile() {
        TfrmNewPassword dialog(*FHost);
        QVERIFY(ShowActive(&dialog));
        const QString path = WriteTestFile(*FScope, QStringLiteral("old.dat"), "precious");
        dialog.edtFile->setText(path);
        TypePasswords(dialog.EditPass, dialog.EditConfirm, QStringLiteral("secret1"),
                      QStringLiteral("secret1"));
        FScope->Services->OkCancelAnswers = {false, true};
        dialog.btnOK->click();
        QCOMPARE(FScope->Services->Questions.size(), 1);
        QVERIFY(FScope->Services->Questions.first().contains(QDir::toNativeSeparators(path)));
        QVERIFY(FHost->Calls.empty());
        QVERIFY(IsSelectedAndFocused(dialog.edtFile));
        QCOMPARE(ReadTestFile(path), QByteArray("precious"));
        QVERIFY(dialog.isVisible());

        dialog.btnOK->click();
        QCOMPARE(FHost->CountOf(QStringLiteral("create")), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void CreateBrowseProposesTheDefaultName() {
        TfrmNewPassword dialog(*FHost);
        dialog.edtFile->setText(FScope->FilePath(QStringLiteral("data/UserData.dat")));
        const QString typed = FScope->FilePath(QStringLiteral("vault-without-extension"));
        FScope->Services->SaveFileAnswers = {typed};
        dialog.btnBrowse->click();
        QCOMPARE(FScope->Services->SaveFilters, QStringList{QStringLiteral("Dat File (*.dat)")});
        QCOMPARE(FScope->Services->SaveSuffixes, QStringList{QString()});
        QCOMPARE(FScope->Services->SaveInitialPaths,
                 QStringList{FScope->FilePath(QStringLiteral("data/UserData.dat"))});
        QCOMPARE(dialog.edtFile->text(), typed);
    }

    void CreatePassGenButtonRunsAModalGenerator() {
        TfrmNewPassword dialog(*FHost);
        bool generatorWasModal = false;
        bool ownedByTheDialog = false;
        QTimer::singleShot(0, &dialog, [&]() {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            generatorWasModal = qobject_cast<TfrmPassGen*>(modal) != nullptr;
            ownedByTheDialog = modal != nullptr && modal->parentWidget() == &dialog;
            if (modal != nullptr) {
                modal->reject();
            }
        });
        dialog.btnPassGen->click();
        QVERIFY(generatorWasModal);
        QVERIFY(ownedByTheDialog);
        // Destroyed when it closed; nothing was copied into the password edits.
        QVERIFY(dialog.findChildren<TfrmPassGen*>().isEmpty());
        QVERIFY(dialog.EditPass->text().isEmpty());
    }

    void CreateThroughTheCoreMakesMissingFolders() {
        TCoreVaultHost host;
        TfrmNewPassword dialog(host);
        const QString path = FScope->FilePath(QStringLiteral("a/b/c/UserData.dat"));
        dialog.edtFile->setText(path);
        TypePasswords(dialog.EditPass, dialog.EditConfirm, QStringLiteral("secret1"),
                      QStringLiteral("secret1"));
        dialog.btnOK->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(QFile(path).size(), qint64(512));
        QVERIFY(VaultCheckPassword(path.toStdString(), "secret1"));
        QVERIFY(!QFile::exists(FScope->FilePath(QStringLiteral("a/b/c/UserData.ini"))));
    }

    void CancelledCreateLeavesNoFile() {
        TfrmNewPassword dialog(*FHost);
        const QString path = FScope->FilePath(QStringLiteral("new.dat"));
        dialog.edtFile->setText(path);
        dialog.btnCancel->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(path));
        QVERIFY(FHost->Calls.empty());
    }

    void ChangeDialogIsLaidOutAsAgreed() {
        TfrmChangePassword dialog(*FHost);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Change Access Password"));
        QCOMPARE(dialog.size(), QSize(505, 274));
        QCOMPARE(dialog.lblOldPass->text(), QStringLiteral("Currect Password:"));
        QCOMPARE(dialog.lblAskPass->text(),
                 QStringLiteral("Please set a new password to protect your program"));
        for (QLineEdit* edit : {dialog.edtOld, dialog.EditPass, dialog.EditConfirm}) {
            QCOMPARE(edit->maxLength(), 64);
            QCOMPARE(edit->echoMode(), QLineEdit::Password);
        }
        QCOMPARE(dialog.imgLogo->pixmap().size(), QSize(32, 32));
        QVERIFY(ShowActive(&dialog));
        QVERIFY(dialog.edtOld->hasFocus());
        const QList<QWidget*> expected = {
            dialog.EditPass,  dialog.EditConfirm, dialog.chkDisplayPass, dialog.btnOK,
            dialog.btnCancel, dialog.btnPassGen,  dialog.edtOld};
        QCOMPARE(TabSequence(&dialog, 7), expected);
    }

    void ChangeDisplayPasswordUnmasksAllThree() {
        TfrmChangePassword dialog(*FHost);
        dialog.chkDisplayPass->click();
        for (QLineEdit* edit : {dialog.edtOld, dialog.EditPass, dialog.EditConfirm}) {
            QCOMPARE(edit->echoMode(), QLineEdit::Normal);
        }
        dialog.chkDisplayPass->click();
        for (QLineEdit* edit : {dialog.edtOld, dialog.EditPass, dialog.EditConfirm}) {
            QCOMPARE(edit->echoMode(), QLineEdit::Password);
        }
    }

    void ChangeReportsAWrongCurrentPasswordFirst() {
        TfrmChangePassword dialog(*FHost);
        dialog.DbFileName = QStringLiteral("/open/vault.dat");
        QVERIFY(ShowActive(&dialog));
        dialog.edtOld->setText(QStringLiteral("not-it"));
        TypePasswords(dialog.EditPass, dialog.EditConfirm, QStringLiteral("abc"),
                      QStringLiteral("xyz"));
        dialog.EditPass->setFocus();
        dialog.btnOK->click();
        QCOMPARE(FScope->Services->BoxTexts(TBoxKind::Warning),
                 QStringList{QStringLiteral("Invalid Password!")});
        QVERIFY(IsSelectedAndFocused(dialog.edtOld));
        QCOMPARE(FHost->Calls.size(), std::size_t(1));
        QCOMPARE(FHost->Calls.front().Path, QStringLiteral("/open/vault.dat"));
        QCOMPARE(FHost->Calls.front().Password, std::string("not-it"));
    }

    void ChangeTriesAnEmptyCurrentPassword() {
        TfrmChangePassword dialog(*FHost);
        dialog.btnOK->click();
        QCOMPARE(FHost->CountOf(QStringLiteral("check")), 1);
        QCOMPARE(FHost->Calls.front().Password, std::string());
    }

    void ChangeThenChecksTheNewPassword() {
        TfrmChangePassword dialog(*FHost);
        QVERIFY(ShowActive(&dialog));
        dialog.edtOld->setText(QStringLiteral("secret1"));
        TypePasswords(dialog.EditPass, dialog.EditConfirm, QStringLiteral("short"),
                      QStringLiteral("short"));
        dialog.btnOK->click();
        QCOMPARE(FScope->Services->BoxTexts(TBoxKind::Warning),
                 QStringList{QStringLiteral("Need at least 6 letters for the password!")});

        TypePasswords(dialog.EditPass, dialog.EditConfirm, QStringLiteral("longer1"),
                      QStringLiteral("LONGER1"));
        dialog.btnOK->click();
        QVERIFY(IsSelectedAndFocused(dialog.EditConfirm));
        QCOMPARE(FScope->Services->Boxes.size(), 1);
        QCOMPARE(FHost->CountOf(QStringLiteral("change")), 0);
    }

    void ChangeRekeysAndCloses() {
        TfrmChangePassword dialog(*FHost);
        dialog.DbFileName = QStringLiteral("/open/vault.dat");
        dialog.edtOld->setText(QStringLiteral("secret1"));
        TypePasswords(dialog.EditPass, dialog.EditConfirm, QStringLiteral("better-2"),
                      QStringLiteral("better-2"));
        FHost->ChangeSucceeds = false;
        dialog.btnOK->click();
        QVERIFY(dialog.result() != QDialog::Accepted);

        FHost->ChangeSucceeds = true;
        dialog.btnOK->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const TFakeVaultHost::TCall& change = FHost->Calls.back();
        QCOMPARE(change.Operation, QStringLiteral("change"));
        QCOMPARE(change.Path, QStringLiteral("/open/vault.dat"));
        QCOMPARE(change.Password, std::string("secret1"));
        QCOMPARE(change.NewPassword, std::string("better-2"));
        QVERIFY(change.WriteSideFile);
        QCOMPARE(dialog.EditPass->text(), QStringLiteral("better-2"));
    }

    void ChangeShowsAFileErrorAndStaysOpen() {
        TfrmChangePassword dialog(*FHost);
        FHost->CheckThrows = true;
        dialog.btnOK->click();
        QCOMPARE(FScope->Services->BoxTexts(TBoxKind::Critical).size(), 1);
        QVERIFY(FScope->Services->BoxTexts(TBoxKind::Warning).isEmpty());
        QVERIFY(dialog.result() != QDialog::Accepted);
    }

    void ChangeThroughTheCoreRekeysTheVault() {
        TCoreVaultHost host;
        const QString path = FScope->FilePath(QStringLiteral("vault.dat"));
        VaultCreate(path.toStdString(), "old-pass");
        TfrmChangePassword dialog(host);
        dialog.DbFileName = path;
        dialog.edtOld->setText(QStringLiteral("old-pass"));
        TypePasswords(dialog.EditPass, dialog.EditConfirm, QStringLiteral("new-pass"),
                      QStringLiteral("new-pass"));
        dialog.btnOK->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(VaultCheckPassword(path.toStdString(), "new-pass"));
        QVERIFY(!VaultCheckPassword(path.toStdString(), "old-pass"));
    }

    void ChangePassGenStaysUsableBesideTheModalDialog() {
        QWidget owner;
        owner.show();
        TfrmChangePassword dialog(*FHost, &owner);
        QPointer<TfrmPassGen> generator;
        QString created;
        bool exposed = false;
        QTimer::singleShot(0, &dialog, [&]() {
            dialog.btnPassGen->click();
            const QList<TfrmPassGen*> windows = GeneratorWindows();
            if (windows.size() == 1) {
                generator = windows.first();
                exposed = QTest::qWaitForWindowExposed(generator);
                // Through the window system, which drops input to a blocked window.
                const QPoint button =
                    generator->Button1->mapTo(generator, generator->Button1->rect().center());
                QTest::mouseClick(generator->windowHandle(), Qt::LeftButton, {}, button);
                created = generator->txtGen->toPlainText();
            }
            dialog.reject();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(!generator.isNull());
        QVERIFY(exposed);
        QVERIFY(generator->parentWidget() == nullptr);
        QVERIFY(generator->isVisible());
        QCOMPARE(created.size(), 21);  // the click reached the generator: a line and its end
        QVERIFY(generator->testAttribute(Qt::WA_DeleteOnClose));
        generator->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(generator.isNull());
    }
};

int RunCreateAndChangeTests(int argc, char** argv) {
    TCreateAndChangeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "CreateAndChangeQtTest.moc"
