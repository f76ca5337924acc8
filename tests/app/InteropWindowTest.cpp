// The window's import from another manager, export for one, and the merge of a sync conflict
// copy found beside the vault.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppTestKit.h"
#include "app/UnitCofferix.h"
#include "interop/KeePassXml.h"
#include "support/RecordingServices.h"

namespace {

const std::string kPassword = "master-1";

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

}  // namespace

class TInteropWindowTest : public QObject {
    Q_OBJECT
public:
    explicit TInteropWindowTest(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void init() {
        FServices = std::make_unique<TRecordingServices>();
        ClearSettings();
        FFolder = std::make_unique<QTemporaryDir>(FEnvironment.FilePath("case-XXXXXX"));
        FVault = FFolder->filePath("vault.dat");
        WriteVault(FVault, kPassword, {{"Mail", "home", "me", "pw", "mail.org", ""}});
    }

    void cleanup() {
        FWindow.reset();
        FScript.reset();
        FServices.reset();
    }

    void ImportShowsWhatItWillDoBeforeAndSavesOnlyOnceAgreed() {
        Start();
        const QString csv = FFolder->filePath("chrome.csv");
        // One record new, one the vault holds already (Chrome's records have no group).
        WriteText(csv,
                  "name,url,username,password,note\n"
                  "Forum,https://forum.example,bob,\"p,w\",\"two\nlines\"\n");
        const QByteArray before = FileBytes(FVault);
        FServices->OpenFileAnswers = {csv};
        FServices->OkCancelAnswers = {false};
        Part<QAction>(*FWindow, "mnuImportOther")->trigger();
        QCOMPARE(FServices->Questions.size(), 1);
        QVERIFY(FServices->Questions[0].contains(QStringLiteral("1 record added")));
        QCOMPARE(FileBytes(FVault), before);  // declined: nothing saved

        FServices->OpenFileAnswers = {csv, csv};
        FServices->OkCancelAnswers = {true, true};
        Part<QAction>(*FWindow, "mnuImportOther")->trigger();
        Part<QAction>(*FWindow, "mnuImportOther")->trigger();
        QVERIFY(FServices->Questions[2].contains(QStringLiteral("1 record skipped")));
        const QStringList outline = Outline(*ReadVault(FVault, kPassword));
        QCOMPARE(outline.filter(QStringLiteral("Forum|bob|p,w|https://forum.example|two\r\nlines"))
                     .size(),
                 1);
        QVERIFY(FServices->Boxes.isEmpty());
    }

    void AMalformedFileIsRefusedWithItsLineAndExportWritesWhatImportReads() {
        Start();
        const QString csv = FFolder->filePath("broken.csv");
        WriteText(csv, "name,url,username,password\nA,u,n,p\nB,\"u,n,p\n");
        const QByteArray before = FileBytes(FVault);
        FServices->OpenFileAnswers = {csv};
        Part<QAction>(*FWindow, "mnuImportOther")->trigger();
        QCOMPARE(FServices->Boxes.size(), 1);
        QVERIFY(FServices->Boxes[0].Text.contains(QStringLiteral("Line 3")));
        QCOMPARE(FileBytes(FVault), before);

        const QString xml = FFolder->filePath("out.xml");
        FServices->SaveFileAnswers = {xml};
        FServices->OkCancelAnswers = {true};
        Part<QAction>(*FWindow, "mnuExportOther")->trigger();
        QVERIFY(FServices->Questions.last().contains(QStringLiteral("in clear")));
        QVERIFY(IsOwnerOnly(xml));
        const TImportedRecords records = ImportKeePassXml(FileBytes(xml).toStdString());
        QCOMPARE(records.size(), std::size_t{1});
        QCOMPARE(records[0].Group, std::string("Mail"));
        QCOMPARE(records[0].Fields.Password, std::string("pw"));
    }

    void AConflictCopyBesideTheVaultIsOfferedMergedWithItsOwnPasswordAndDeleted() {
        const QString copy = FFolder->filePath("vault.sync-conflict-20261208-101010-ABCDEFG.dat");
        WriteVault(copy, "other-pw",
                   {{"Mail", "home", "me", "pw", "mail.org", ""},
                    {"Bank", "savings", "me", "s3cret", "bank.org", ""}});
        Start();
        auto* notice = Part<QWidget>(*FWindow, "plConflictCopy");
        QVERIFY(!notice->isHidden());
        QVERIFY(
            Part<QLabel>(*FWindow, "lblConflictCopy")->text().contains(QFileInfo(copy).fileName()));

        FServices->InputAnswers = {QStringLiteral("other-pw")};
        FServices->OkCancelAnswers = {true, true};  // merge, then delete the copy
        Part<QPushButton>(*FWindow, "btnMergeConflictCopy")->click();
        QCOMPARE(FServices->InputPrompts.size(), 1);
        QVERIFY(FServices->InputPrompts[0].contains(QFileInfo(copy).fileName()));
        QVERIFY(FServices->Questions[0].contains(QStringLiteral("1 record added")));
        QVERIFY(Outline(*ReadVault(FVault, kPassword))
                    .contains(QStringLiteral("  savings|me|s3cret|bank.org|")));
        QVERIFY(!QFile::exists(copy));
        QVERIFY(notice->isHidden());
    }

private:
    void Start() {
        FScript = std::make_unique<TDialogScript>();
        FWindow = StartWindowOn(FVault, kPassword, *FScript);
        QVERIFY(FWindow);
    }

    TTestEnvironment& FEnvironment;
    std::unique_ptr<TRecordingServices> FServices;
    std::unique_ptr<QTemporaryDir> FFolder;
    QString FVault;
    std::unique_ptr<TDialogScript> FScript;
    std::unique_ptr<TfrmCofferix> FWindow;
};

COFFERIX_APP_TEST_MAIN(TInteropWindowTest)
#include "InteropWindowTest.moc"
