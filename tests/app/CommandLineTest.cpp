// The options that end before any window (--help, --version, --autostart) run in the real
// program with no display at all, and the identity that ties the window to its desktop entry.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppTestKit.h"
#include "app/AutostartEntry.h"
#include "app/CommandLineOptions.h"
#include "app/DesktopIdentity.h"

namespace {

const QString kEntryName = QStringLiteral("autostart/com.dravenor.Cofferix.desktop");

struct TRun {
    int ExitCode = -1;  // -1: crashed or did not end
    QString Out, Err;
};

// The program with no display: no X11 or Wayland address and no Qt platform chosen.
TRun RunProgram(const QStringList& arguments, QProcessEnvironment environment) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(name));
    }
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(COFFERIX_PROGRAM), arguments);
    TRun run;
    if (!program.waitForFinished(20000)) {
        program.kill();
        program.waitForFinished();
        return run;
    }
    run.Out = QString::fromUtf8(program.readAllStandardOutput());
    run.Err = QString::fromUtf8(program.readAllStandardError());
    if (program.exitStatus() == QProcess::NormalExit) {
        run.ExitCode = program.exitCode();
    }
    return run;
}

QString ExecLine(const QString& entryPath) {
    QFile entry(entryPath);
    if (!entry.open(QIODevice::ReadOnly)) {
        return QString();
    }
    for (const QByteArray& line : entry.readAll().split('\n')) {
        if (line.startsWith("Exec=")) {
            return QString::fromUtf8(line.mid(5));
        }
    }
    return QString();
}

// desktop-file-validate's complaints about the file, or nothing (also where it is missing).
QString ValidatorComplaints(const QString& path) {
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty()) {
        return QString();
    }
    QProcess run;
    run.start(validator, {path});
    run.waitForFinished();
    const QString output =
        QString::fromUtf8(run.readAllStandardOutput() + run.readAllStandardError());
    return run.exitCode() == 0 && output.isEmpty() ? QString() : output;
}

}  // namespace

class TCommandLineTest : public QObject {
    Q_OBJECT
public:
    explicit TCommandLineTest(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void HelpAndVersionEndWithoutADisplay() {
        const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const TRun help = RunProgram({"--help"}, environment);
        QCOMPARE(help.ExitCode, 0);
        QVERIFY2(help.Out.contains("--autostart=on"), qPrintable(help.Out));
        const TRun version = RunProgram({"--version"}, environment);
        QCOMPARE(version.ExitCode, 0);
        QVERIFY2(version.Out.startsWith("cofferix (Dravenor Cofferix FREE) "),
                 qPrintable(version.Out));
        // The same environment does lack a display: a plain start cannot come up in it.
        const TRun plain = RunProgram({}, environment);
        QVERIFY(plain.ExitCode != 0);
    }

    // A vault file named wrongly ends the start with a word, before anything needs a display
    // or reaches a running instance; options and Qt's values are no vault files.
    void APathArgumentMustNameOneFile() {
        const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const TRun help = RunProgram({"--help"}, environment);
        QVERIFY2(
            help.Out.contains("Usage: cofferix [--autorun] [PATH]") && help.Out.contains("  PATH "),
            qPrintable(help.Out));
        QTemporaryDir folder(FEnvironment.FilePath("paths-XXXXXX"));
        const QString missing = folder.filePath("gone\x1b.dat");
        const TRun gone = RunProgram({"--autorun", missing}, environment);
        QCOMPARE(gone.ExitCode, 2);
        QCOMPARE(gone.Err, "cofferix: cannot open \"" + folder.filePath("gone\\x1b.dat") +
                               "\": there is no such file\n");
        const TRun notFile = RunProgram({folder.path()}, environment);
        QCOMPARE(notFile.ExitCode, 2);
        QVERIFY2(notFile.Err.endsWith("\": it is not a file\n"), qPrintable(notFile.Err));
        QCOMPARE(RunProgram({"a.dat", "b.dat"}, environment).Err,
                 QStringLiteral("cofferix: give one vault file, not 2\n"));

        using TArgs = std::vector<std::string>;
        QCOMPARE(PathArguments(TArgs{"-platform", "offscreen", "--style=x", "--autorun", "/AutoRun",
                                     "v.dat", "-reverse"}),
                 TArgs{"v.dat"});
        QCOMPARE(PathArguments(TArgs{"--", "-odd.dat", "/autorun"}),
                 (TArgs{"-odd.dat", "/autorun"}));
        QCOMPARE(VaultPathArgument(TArgs{"-autorun", "sub/../v.dat"}),
                 QDir::current().filePath("v.dat").toStdString());
    }

    void AutostartOnWritesTheEntryOnceAndOffRemovesIt() {
        QTemporaryDir config(FEnvironment.FilePath("config-XXXXXX"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", config.path());
        const QString entry = config.filePath(kEntryName);

        QCOMPARE(RunProgram({"--autostart=on"}, environment).ExitCode, 0);
        const QString program = QFileInfo(QStringLiteral(COFFERIX_PROGRAM)).canonicalFilePath();
        QCOMPARE(ExecLine(entry), program + " --autorun");
        const QString complaints = ValidatorComplaints(entry);
        QVERIFY2(complaints.isEmpty(), qPrintable(complaints));

        // A second "on" leaves the file alone: its time stays where the test set it.
        const QDateTime old = QDateTime::currentDateTime().addDays(-3);
        {
            QFile file(entry);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
        }
        const TRun again = RunProgram({"--autostart=on"}, environment);
        QCOMPARE(again.ExitCode, 0);
        QVERIFY(again.Out.startsWith("Already"));
        QCOMPARE(QFileInfo(entry).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());

        QCOMPARE(RunProgram({"--autostart=off"}, environment).ExitCode, 0);
        QVERIFY(!QFileInfo::exists(entry));
        QCOMPARE(RunProgram({"--autostart=off"}, environment).ExitCode, 0);
        QCOMPARE(RunProgram({"--autostart=yes"}, environment).ExitCode, 2);
        QVERIFY(!QFileInfo::exists(entry));

        // Without XDG_CONFIG_HOME the entry goes to ~/.config.
        environment.remove("XDG_CONFIG_HOME");
        QCOMPARE(RunProgram({"--autostart=on"}, environment).ExitCode, 0);
        QVERIFY(QFileInfo::exists(FEnvironment.FilePath("home/.config/" + kEntryName)));
    }

    void ExecLineQuotesAProgramPathWithReservedCharacters() {
        const std::string text = AutostartEntry::EntryText("/opt/My Apps/co$t 100%/cofferix");
        QVERIFY2(text.find("\nExec=\"/opt/My Apps/co\\\\$t 100%%/cofferix\" --autorun\n") !=
                     std::string::npos,
                 text.c_str());
        QTemporaryDir folder(FEnvironment.FilePath("entry-XXXXXX"));
        QFile file(folder.filePath("check.desktop"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.c_str());
        file.close();
        const QString complaints = ValidatorComplaints(file.fileName());
        QVERIFY2(complaints.isEmpty(), qPrintable(complaints));
    }

    void TheWindowIconHasEveryThemeSizeAndTheDesktopFileNameIsTheId() {
        ApplyDesktopIdentity(*qGuiApp);
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("com.dravenor.Cofferix"));
        const QIcon icon = QGuiApplication::windowIcon();
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QPixmap pixmap = icon.pixmap(QSize(size, size));
            QVERIFY2(!pixmap.isNull() && pixmap.size() == QSize(size, size),
                     qPrintable(QString::number(size)));
        }
    }

private:
    TTestEnvironment& FEnvironment;
};

COFFERIX_APP_TEST_MAIN(TCommandLineTest)
#include "CommandLineTest.moc"
