#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <set>

#include "DialogTestKit.h"
#include "FakeVaultHost.h"
#include "base/StringTable.h"
#include "common/TextCodec.h"
#include "dialogs/SpinEdit.h"
#include "dialogs/UnitPassGen.h"

namespace {

const QString kEditorSets = QStringLiteral(
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789~!@#$%^&*+=|\\:;\"?/.");

void ChooseOnly(TfrmPassGen& window, QCheckBox* chosen) {
    for (QCheckBox* box :
         {window.chkSmallLetter, window.chkCaptialLetter, window.chkNumber, window.chkPunctuation,
          window.chkBrackets, window.chkSpace, window.chkMinus, window.chkUnderLine}) {
        box->setChecked(box == chosen);
    }
}

// Types text into a numeric field over its whole content, then moves the focus away.
void TypeAndLeave(TfrmPassGen& window, TSpinEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    window.txtGen->setFocus();
}

}  // namespace

class TPassGenTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TDialogTestScope> FScope;

private slots:
    void init() { FScope = std::make_unique<TDialogTestScope>(); }
    void cleanup() { FScope.reset(); }

    void OpensWithItsDefaults() {
        TfrmPassGen window(nullptr);
        QCOMPARE(window.windowTitle(), QStringLiteral("Password Generator"));
        QCOMPARE(window.size(), QSize(702, 466));
        QCOMPARE(window.SpinPassLen->minimum(), 6);
        QCOMPARE(window.SpinPassLen->maximum(), 128);
        QCOMPARE(window.SpinPassLen->value(), 20);
        QCOMPARE(window.SpinCount->minimum(), 1);
        QCOMPARE(window.SpinCount->maximum(), 65000);
        QCOMPARE(window.SpinCount->value(), 1);
        QVERIFY(window.chkSmallLetter->isChecked());
        QVERIFY(window.chkCaptialLetter->isChecked());
        QVERIFY(window.chkNumber->isChecked());
        QVERIFY(window.chkPunctuation->isChecked());
        QVERIFY(!window.chkBrackets->isChecked());
        QVERIFY(!window.chkSpace->isChecked());
        QVERIFY(!window.chkMinus->isChecked());
        QVERIFY(!window.chkUnderLine->isChecked());
        QVERIFY(window.txtGen->toPlainText().isEmpty());
        QCOMPARE(window.btnClear->text(), QStringLiteral("Clear"));
        QCOMPARE(window.Button1->text(), QStringLiteral("Create Password"));
        QCOMPARE(window.chkCaptialLetter->text(),
                 QStringLiteral("Include Captial letter(eg. A,B,C...)"));
        QCOMPARE(window.lblInfo->text(), Tr(Str::sPassGenInfo));
        QCOMPARE(window.imgNew->pixmap().size(), QSize(32, 32));
    }

    void CreatesOnePasswordFromTheDefaultSets() {
        TfrmPassGen window(nullptr);
        window.Button1->click();
        const QString list = window.txtGen->toPlainText();
        QCOMPARE(list.size(), 21);
        QVERIFY(list.endsWith(u'\n'));
        for (const QChar c : list.chopped(1)) {
            QVERIFY2(kEditorSets.contains(c), qPrintable(list));
        }
    }

    void CreatesTheQuantityAndReplacesTheList() {
        TfrmPassGen window(nullptr);
        window.SpinCount->setValue(5);
        window.SpinPassLen->setValue(6);
        ChooseOnly(window, window.chkSpace);
        window.Button1->click();
        window.Button1->click();
        QCOMPARE(window.txtGen->toPlainText(), QStringLiteral("      \n").repeated(5));

        ChooseOnly(window, window.chkMinus);
        window.SpinCount->setValue(2);
        window.Button1->click();
        QCOMPARE(window.txtGen->toPlainText(), QStringLiteral("------\n------\n"));
    }

    void NoSetGivesEmptyLinesThatSaveWrites() {
        TfrmPassGen window(nullptr);
        ChooseOnly(window, nullptr);
        window.SpinCount->setValue(3);
        window.Button1->click();
        QCOMPARE(window.txtGen->toPlainText(), QStringLiteral("\n\n\n"));
        QVERIFY(FScope->Services->Boxes.isEmpty());
        const QString path = FScope->FilePath(QStringLiteral("empty.txt"));
        FScope->Services->SaveFileAnswers = {path, path, path};
        window.btnSaveToFile->click();
        QCOMPARE(ReadTestFile(path), QByteArray("\r\n\r\n\r\n"));
        // One empty line is a line; a cleared list has none.
        window.SpinCount->setValue(1);
        window.Button1->click();
        window.btnSaveToFile->click();
        QCOMPARE(ReadTestFile(path), QByteArray("\r\n"));
        window.btnClearClick();
        window.btnSaveToFile->click();
        QCOMPARE(ReadTestFile(path), QByteArray());
    }

    void NumericFieldsPullValuesToTheirBounds() {
        TfrmPassGen window(nullptr);
        QVERIFY(ShowActive(&window));
        TypeAndLeave(window, window.SpinPassLen, QStringLiteral("200"));
        QCOMPARE(window.SpinPassLen->value(), 128);
        QCOMPARE(window.SpinPassLen->text(), QStringLiteral("128"));
        TypeAndLeave(window, window.SpinCount, QStringLiteral("0"));
        QCOMPARE(window.SpinCount->value(), 1);
        // Leading zeros are no digits of the value.
        TypeAndLeave(window, window.SpinPassLen, QStringLiteral("+000000000000000000127"));
        QCOMPARE(window.SpinPassLen->value(), 127);
        TypeAndLeave(window, window.SpinPassLen, QStringLiteral("-7"));
        QCOMPARE(window.SpinPassLen->value(), 6);
        TypeAndLeave(window, window.SpinCount, QStringLiteral("123456789012345678"));
        QCOMPARE(window.SpinCount->value(), 65000);
        TypeAndLeave(window, window.SpinCount, QStringLiteral("0000000000000000000003"));
        QCOMPARE(window.SpinCount->value(), 3);
        // Unreadable text counts as the minimum.
        TypeAndLeave(window, window.SpinCount, QStringLiteral("4-"));
        QCOMPARE(window.SpinCount->value(), 1);
        TypeAndLeave(window, window.SpinPassLen, QString());
        QCOMPARE(window.SpinPassLen->value(), 6);
        QCOMPARE(FScope->Services->Beeps, 0);
    }

    void ArrowStepPullsTypedValueToTheBound() {
        TfrmPassGen window(nullptr);
        QVERIFY(ShowActive(&window));
        window.SpinPassLen->setFocus();
        window.SpinPassLen->selectAll();
        QTest::keyClicks(window.SpinPassLen, QStringLiteral("500"));
        QTest::keyClick(window.SpinPassLen, Qt::Key_Down);
        QCOMPARE(window.SpinPassLen->value(), 127);
    }

    void NumericFieldsTakeOnlyDigitsAndSigns() {
        TfrmPassGen window(nullptr);
        QVERIFY(ShowActive(&window));
        window.SpinPassLen->setFocus();
        window.SpinPassLen->selectAll();
        QTest::keyClicks(window.SpinPassLen, QStringLiteral("3a2 .x"));
        QCOMPARE(window.SpinPassLen->text(), QStringLiteral("32"));
        QCOMPARE(FScope->Services->Beeps, 4);
    }

    void CreateReadsANumberStillBeingTyped() {
        TfrmPassGen window(nullptr);
        QVERIFY(ShowActive(&window));
        window.SpinPassLen->setFocus();
        window.SpinPassLen->selectAll();
        QTest::keyClicks(window.SpinPassLen, QStringLiteral("9"));
        window.Button1->click();
        QCOMPARE(window.txtGen->toPlainText().size(), 9 + 1);
    }

    void CopyPutsCrLfLinesOnTheClipboard() {
        TfrmPassGen window(nullptr);
        window.txtGen->setPlainText(QStringLiteral("first1\nsecond"));
        window.BtnCopy->click();
        QCOMPARE(FScope->Services->Clipboard, QStringList{QStringLiteral("first1\r\nsecond")});
        QCOMPARE(FScope->Services->BoxTexts(IServicesBackend::TBoxKind::Information),
                 QStringList{Tr(Str::sCopiedToClipboard)});
    }

    void CopyOfAnEmptyListReportsSuccess() {
        TfrmPassGen window(nullptr);
        window.BtnCopy->click();
        QCOMPARE(FScope->Services->Clipboard, QStringList{QString()});
        QCOMPARE(FScope->Services->BoxTexts(IServicesBackend::TBoxKind::Information).size(), 1);
    }

    void FailedCopyIsSilent() {
        TfrmPassGen window(nullptr);
        FScope->Services->ClipboardWorks = false;
        window.txtGen->setPlainText(QStringLiteral("abcdef"));
        window.BtnCopy->click();
        QVERIFY(FScope->Services->Boxes.isEmpty());
    }

    void SaveWritesOwnerOnlyCrLfLines() {
        TfrmPassGen window(nullptr);
        const QString path = FScope->FilePath(QStringLiteral("list.txt"));
        FScope->Services->SaveFileAnswers = {path, QString()};
        window.txtGen->setPlainText(QStringLiteral("alpha1\nbeta22\n\ngamma\xE9"));
        window.btnSaveToFile->click();
        const QByteArray expected("alpha1\r\nbeta22\r\n\r\ngamma\xC3\xA9\r\n");
        QCOMPARE(ReadTestFile(path), expected);
        QCOMPARE(QFile::permissions(path) & (QFile::ReadGroup | QFile::ReadOther),
                 QFile::Permissions());
        QCOMPARE(FScope->Services->SaveSuffixes, QStringList{QStringLiteral("txt")});
        QCOMPARE(FScope->Services->SaveFilters, QStringList{QString()});
        QCOMPARE(FScope->Services->SaveInitialPaths, QStringList{QString()});

        // The next Save starts from the name chosen before; cancelling writes nothing.
        window.txtGen->clear();
        window.btnSaveToFile->click();
        QCOMPARE(FScope->Services->SaveInitialPaths.last(), path);
        QCOMPARE(ReadTestFile(path), expected);
    }

    void SaveRefusesTheOpenVault() {
        TFakeVaultHost host;
        host.OpenVault = WriteTestFile(*FScope, QStringLiteral("vault.dat"), "VAULT");
        TfrmPassGen window(&host);
        window.Button1->click();
        // The same file by another spelling.
        FScope->Services->SaveFileAnswers = {FScope->FilePath(QStringLiteral("home/../vault.dat"))};
        window.btnSaveToFile->click();
        QCOMPARE(ReadTestFile(host.OpenVault), QByteArray("VAULT"));
        QCOMPARE(FScope->Services->BoxTexts(IServicesBackend::TBoxKind::Warning).size(), 1);
    }

    void SaveFailureIsReportedAndTheListKept() {
        TfrmPassGen window(nullptr);
        window.txtGen->setPlainText(QStringLiteral("keep-me"));
        FScope->Services->SaveFileAnswers = {FScope->FilePath(QStringLiteral("missing/list.txt"))};
        window.btnSaveToFile->click();
        const QStringList errors = FScope->Services->BoxTexts(IServicesBackend::TBoxKind::Critical);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().contains(QStringLiteral("missing/list.txt")));
        QCOMPARE(window.txtGen->toPlainText(), QStringLiteral("keep-me"));
    }

    void ListRefusesCharactersOutsideTheCodePage() {
        TfrmPassGen window(nullptr);
        window.txtGen->insertPlainText(QStringLiteral("ab\u4E2D\u0394c\u20AC"));
        QCOMPARE(window.txtGen->toPlainText(), QStringLiteral("abc\u20AC"));
    }

    void CloseEndsAModalRunWithCancel() {
        TfrmPassGen window(nullptr);
        QTimer::singleShot(0, window.btnClose, &QPushButton::click);
        QCOMPARE(window.exec(), int(QDialog::Rejected));
        QVERIFY(!window.isVisible());
    }

    void CloseDestroysAWindowShownWithoutWaiting() {
        QPointer<TfrmPassGen> window = TfrmPassGen::ShowModeless(nullptr);
        QVERIFY(window->isVisible());
        QVERIFY(window->parentWidget() == nullptr);
        window->btnClose->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }
};

int RunPassGenTests(int argc, char** argv) {
    TPassGenTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PassGenQtTest.moc"
