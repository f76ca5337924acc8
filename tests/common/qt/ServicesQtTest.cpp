#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include "CommonQtTests.h"
#include "common/Services.h"
#include "support/RecordingServices.h"
#include "support/TestEnvironment.h"

using TBoxKind = IServicesBackend::TBoxKind;

// The shared services through the recording backend: what each one asks of the desktop.
class TServicesTest : public QObject {
    Q_OBJECT
private slots:
    void BoxesCarryTheirKindAndCaption() {
        TRecordingServices services;
        ShowInformation(QStringLiteral("done"));
        ShowWarning(QStringLiteral("Invalid Password!"));
        ShowError(QStringLiteral("Stream read error"));
        QCOMPARE(services.Boxes.size(), 3);
        QCOMPARE(services.Boxes[0].Kind, TBoxKind::Information);
        QCOMPARE(services.Boxes[0].Caption, QStringLiteral("Information"));
        QCOMPARE(services.Boxes[0].Text, QStringLiteral("done"));
        QCOMPARE(services.Boxes[1].Kind, TBoxKind::Warning);
        QCOMPARE(services.Boxes[1].Caption, QStringLiteral("Warning"));
        QCOMPARE(services.Boxes[2].Kind, TBoxKind::Critical);
        QCOMPARE(services.Boxes[2].Caption, QStringLiteral("Dravenor Cofferix FREE"));
        QCOMPARE(services.BoxTexts(TBoxKind::Warning), QStringList{"Invalid Password!"});
    }

    void AskOkCancelIsTrueOnlyForOk() {
        TRecordingServices services;
        services.OkCancelAnswers = {false, true};
        QVERIFY(!AskOkCancel(nullptr, QStringLiteral("Are you sure to delete these records?")));
        QVERIFY(AskOkCancel(nullptr, QStringLiteral("again")));
        QCOMPARE(services.QuestionCaptions, (QStringList{"Query", "Query"}));
        QCOMPARE(services.Questions.first(),
                 QStringLiteral("Are you sure to delete these records?"));
    }

    void InputBoxGivesTheDefaultAfterCancel() {
        TRecordingServices services;
        services.InputAnswers = {QString(), QStringLiteral("Bank"), QStringLiteral("")};
        QCOMPARE(InputBox(nullptr, QStringLiteral("Rename Group"), QStringLiteral("prompt"),
                          QStringLiteral("Mail")),
                 QStringLiteral("Mail"));
        QCOMPARE(InputBox(nullptr, QStringLiteral("Rename Group"), QStringLiteral("prompt"),
                          QStringLiteral("Mail")),
                 QStringLiteral("Bank"));
        // An emptied box after OK is an empty answer, not the default.
        QCOMPARE(InputBox(nullptr, QStringLiteral("c"), QStringLiteral("p"), QStringLiteral("d")),
                 QString());
        QCOMPARE(services.InputCaptions.first(), QStringLiteral("Rename Group"));
        QCOMPARE(services.InputDefaults.first(), QStringLiteral("Mail"));
    }

    void ClipboardPlacesEmptyTextsTooAndReportsFailure() {
        TRecordingServices services;
        QVERIFY(CopyTextToClipboard(QString()));
        QVERIFY(CopyTextToClipboard(QStringLiteral("s3cret")));
        QCOMPARE(services.Clipboard, (QStringList{QString(), "s3cret"}));
        services.ClipboardWorks = false;
        QVERIFY(!CopyTextToClipboard(QStringLiteral("x")));
    }

    void OpenDocumentIgnoresBlankTargetsAndPassesOthersUntrimmed() {
        TRecordingServices services;
        OpenDocument(QString());
        OpenDocument(QStringLiteral(" \t\r\n "));
        QVERIFY(services.OpenedTargets.isEmpty());
        OpenDocument(QStringLiteral(" HTTP://Example.com "));
        QCOMPARE(services.OpenedTargets, QStringList{" HTTP://Example.com "});
    }

    void DocumentUrlTellsWebAddressesFromFiles() {
        const QUrl upper = DocumentUrl(QStringLiteral(" HTTP://Example.com/a "));
        QCOMPARE(upper.scheme(), QStringLiteral("http"));
        QCOMPARE(upper.host(), QStringLiteral("example.com"));
        QCOMPARE(DocumentUrl(QStringLiteral("https://www.dravenor.com/cofferix/")).scheme(),
                 QStringLiteral("https"));
        QCOMPARE(DocumentUrl(QStringLiteral("mailto:me@example.com")).scheme(),
                 QStringLiteral("mailto"));
        const QUrl www = DocumentUrl(QStringLiteral("www.example.com/login"));
        QCOMPARE(www.scheme(), QStringLiteral("http"));
        QCOMPARE(www.host(), QStringLiteral("www.example.com"));
        const QString file = Environment().FilePath(QStringLiteral("my notes.html"));
        QCOMPARE(DocumentUrl(file), QUrl::fromLocalFile(file));
        const QUrl relative = DocumentUrl(QStringLiteral("notes.txt"));
        QVERIFY(relative.isLocalFile());
        QCOMPARE(relative.toLocalFile(), QDir::current().absoluteFilePath("notes.txt"));
    }

    void DebugLogTagsItsLines() {
        TRecordingServices services;
        DebugLog(QStringLiteral("42"));
        Beep();
        QCOMPARE(services.DebugLines, QStringList{"KLOMP:42"});
        QCOMPARE(services.Beeps, 1);
    }

    void EnsureTrailingBackslashAddsOneSeparatorOnlyWhereMissing() {
        const QString sep = QDir::separator();
        QCOMPARE(EnsureTrailingBackslash(QString()), QString());
        QCOMPARE(EnsureTrailingBackslash(sep), sep);
        QCOMPARE(EnsureTrailingBackslash(QStringLiteral("/home/me/")), QStringLiteral("/home/me/"));
        QCOMPARE(EnsureTrailingBackslash(QStringLiteral("/home/me")),
                 QStringLiteral("/home/me") + sep);
    }

    void SpecialFolderLocalAppDataIsTheDataFolder() {
        const QString path = SpecialFolderPath(kLocalAppDataFolderId);
        QCOMPARE(path, QDir::toNativeSeparators(Environment().FilePath(QStringLiteral("data"))));
        QVERIFY(!path.endsWith(QDir::separator()));
        QCOMPARE(SpecialFolderPath(5),
                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        QCOMPARE(SpecialFolderPath(29), QString());
        QCOMPARE(SpecialFolderPath(-1), QString());
    }

    void ForceDirectoriesCreatesEveryMissingParent() {
        const QString deep = Environment().FilePath(QStringLiteral("force/a/b/c"));
        QVERIFY(!DirectoryExists(Environment().FilePath(QStringLiteral("force"))));
        QVERIFY(ForceDirectories(deep));
        QVERIFY(DirectoryExists(deep));
        QVERIFY(DirectoryExists(EnsureTrailingBackslash(deep)));
        QVERIFY(ForceDirectories(deep));  // already there
        // A file in the way cannot become a folder.
        const QString file = Environment().FilePath(QStringLiteral("force/plain"));
        QFile plain(file);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QVERIFY(!DirectoryExists(file));
        QVERIFY(!ForceDirectories(file + QStringLiteral("/below")));
        QVERIFY(!DirectoryExists(QString()));
        QVERIFY(!ForceDirectories(QString()));
    }

    void RecordingBackendIsRemovedWithItsOwner() {
        {
            TRecordingServices services;
            QCOMPARE(&ServicesBackend(), static_cast<IServicesBackend*>(&services));
        }
        QVERIFY(dynamic_cast<TRecordingServices*>(&ServicesBackend()) == nullptr);
    }
};

int RunServicesTests(int argc, char** argv) {
    TServicesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ServicesQtTest.moc"
