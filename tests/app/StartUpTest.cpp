// Start-up: where the vault is looked for, the open and create dialogs, what a declined
// dialog leaves, and the single-instance rule between two processes.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <iostream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "app/AppTestKit.h"
#include "app/StartDecision.h"
#include "app/TrayLock.h"
#include "app/UnitCofferix.h"
#include "base/StringTable.h"
#include "common/Settings.h"
#include "common/SingleInstance.h"
#include "common/TextCodec.h"
#include "dialogs/UnitCheckPass.h"
#include "dialogs/UnitImportDb.h"
#include "dialogs/UnitNewPass.h"
#include "support/RecordingServices.h"

namespace {

const std::string kPassword = "master-1";
const std::vector<TRecordSpec> kRecords = {{"Mail", "home", "me", "pw", "", ""}};

// Answers the open dialog after noting the path it was given.
TDialogScript::TAnswer OpenNoting(QString& proposed, const std::string& password) {
    return Answer<TfrmImportDb>([&proposed, password](TfrmImportDb& dialog) {
        proposed = dialog.edtFile->text();
        dialog.edtPass->setText(AnsiToQString(password));
        dialog.btnOKClick();
    });
}

}  // namespace

class TStartUpTest : public QObject {
    Q_OBJECT
public:
    explicit TStartUpTest(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void initTestCase() {
        // Local sockets without a full path live in the temporary folder: keep them private.
        QDir().mkpath(FEnvironment.FilePath("tmp"));
        qputenv("TMPDIR", QFile::encodeName(FEnvironment.FilePath("tmp")));
    }

    void init() {
        FServices = std::make_unique<TRecordingServices>();
        ClearSettings();
        QDir(FEnvironment.FilePath("data")).removeRecursively();
        QDir().mkpath(FEnvironment.FilePath("data"));
        FFolder = std::make_unique<QTemporaryDir>(FEnvironment.FilePath("case-XXXXXX"));
    }

    void cleanup() { FServices.reset(); }

    void CleanAccountCreatesTheVaultUnderAppData() {
        TDialogScript script;
        TfrmCofferix window;
        window.SetProgramFolder(FFolder->path());
        script.Attach(window);
        QString proposed;
        script.Then(Answer<TfrmNewPassword>([&proposed](TfrmNewPassword& dialog) {
            proposed = dialog.edtFile->text();
            dialog.EditPass->setText("created1");
            dialog.EditConfirm->setText("created1");
            dialog.btnOKClick();
        }));
        QVERIFY(window.FormCreate());

        const QString expected =
            FEnvironment.FilePath("data") + "/Dravenor Cofferix FREE/UserData.dat";
        QCOMPARE(proposed, expected);
        QVERIFY(QFileInfo(expected).isFile());
        QCOMPARE(Settings::Database(), expected);
        QCOMPARE(window.DatabaseFile(), expected);
        QCOMPARE(window.Vault().Password(), std::string("created1"));
        QCOMPARE(window.StatusText(), expected);
        // The side settings file would hold the master password: it is never written.
        QVERIFY(!QFileInfo::exists(FEnvironment.FilePath("data") +
                                   "/Dravenor Cofferix FREE/UserData.ini"));
        // A fresh installation shows passwords; nothing is selected yet.
        QVERIFY(Part<QCheckBox>(window, "chkDisplayPass")->isChecked());
        QVERIFY(window.Model().DisplayPass());
        QVERIFY(!Part<QAction>(window, "ActEditRecord")->isEnabled());
        QVERIFY(!Part<QAction>(window, "ActDelRecord")->isEnabled());
        QCOMPARE(window.windowTitle(), QStringLiteral("Dravenor Cofferix FREE"));
        QVERIFY(!window.isVisible());
        QVERIFY(script.Done());
        QVERIFY(FServices->Boxes.isEmpty());
    }

    void VaultBesideTheProgramIsOpened() {
        const QString beside = FFolder->filePath("UserData.dat");
        WriteVault(beside, kPassword, kRecords);
        WriteVault(FEnvironment.FilePath("data") + "/Dravenor Cofferix FREE/UserData.dat",
                   kPassword, {});
        TDialogScript script;
        TfrmCofferix window;
        window.SetProgramFolder(FFolder->path());
        script.Attach(window);
        QString proposed;
        script.Then(OpenNoting(proposed, kPassword));
        QVERIFY(window.FormCreate());
        QCOMPARE(proposed, beside);
        QCOMPARE(Settings::Database(), beside);
        QCOMPARE(Outline(window.RecordTree()), Outline(*ReadVault(beside, kPassword)));
        QCOMPARE(window.Model().rowCount(), 1);
    }

    void SettingsVaultComesFirstAndAMissingOneFallsBack() {
        const QString appData =
            FEnvironment.FilePath("data") + "/Dravenor Cofferix FREE/UserData.dat";
        WriteVault(appData, kPassword, kRecords);
        const QString named = FFolder->filePath("named.dat");
        WriteVault(named, kPassword, {});
        Settings::SetDatabase(named);
        {
            TDialogScript script;
            TfrmCofferix window;
            window.SetProgramFolder(FFolder->path());
            script.Attach(window);
            QString proposed;
            script.Then(OpenNoting(proposed, kPassword));
            QVERIFY(window.FormCreate());
            QCOMPARE(proposed, named);
        }
        QVERIFY(QFile::remove(named));
        TDialogScript script;
        TfrmCofferix window;
        window.SetProgramFolder(FFolder->path());
        script.Attach(window);
        QString proposed;
        script.Then(OpenNoting(proposed, kPassword));
        QVERIFY(window.FormCreate());
        QCOMPARE(proposed, appData);
        QCOMPARE(Settings::Database(), appData);
    }

    void AnotherFileChosenInTheOpenDialogBecomesTheVault() {
        const QString first = FFolder->filePath("first.dat");
        const QString other = FFolder->filePath("other.dat");
        WriteVault(first, kPassword, {});
        WriteVault(other, "other-pw", kRecords);
        Settings::SetDatabase(first);
        TDialogScript script;
        TfrmCofferix window;
        script.Attach(window);
        script.Then(Answer<TfrmImportDb>([&other](TfrmImportDb& dialog) {
            dialog.edtFile->setText(other);
            dialog.edtPass->setText("other-pw");
            dialog.btnOKClick();
        }));
        QVERIFY(window.FormCreate());
        QCOMPARE(window.DatabaseFile(), other);
        QCOMPARE(Settings::Database(), other);
        QCOMPARE(window.Vault().Password(), std::string("other-pw"));
        QCOMPARE(window.RecordTree().Count(), std::size_t{2});
    }

    void APathFromTheCommandLineComesBeforeTheRememberedVault() {
        const QString remembered = FFolder->filePath("remembered.dat");
        const QString named = FFolder->filePath("named.dat");
        WriteVault(remembered, kPassword, {});
        WriteVault(named, "named-pw", kRecords);
        Settings::SetDatabase(remembered);
        TDialogScript script;
        TfrmCofferix window;
        script.Attach(window);
        QString proposed;
        script.Then(OpenNoting(proposed, "named-pw"));
        QVERIFY(window.FormCreate(named));
        QCOMPARE(proposed, named);
        QCOMPARE(Settings::Database(), named);
        QCOMPARE(window.RecordTree().Count(), std::size_t{2});
    }

    void DeclinedDialogsEndTheStartQuietly() {
        {
            TDialogScript script;
            TfrmCofferix window;
            window.SetProgramFolder(FFolder->path());
            script.Attach(window);
            script.Then(CancelDialog());
            QVERIFY(!window.FormCreate());
            QVERIFY(!window.isVisible());
            QVERIFY(window.windowTitle().isEmpty());  // nothing after the dialog ran
            QVERIFY(window.DatabaseFile().isEmpty());
            QVERIFY(Settings::Database().isEmpty());
        }
        QVERIFY(!QFileInfo::exists(FEnvironment.FilePath("data") +
                                   "/Dravenor Cofferix FREE/UserData.dat"));
        const QString vault = FFolder->filePath("vault.dat");
        WriteVault(vault, kPassword, kRecords);
        Settings::SetDatabase(vault);
        TDialogScript script;
        TfrmCofferix window;
        script.Attach(window);
        script.Then(CancelDialog());
        QVERIFY(!window.FormCreate());
        QCOMPARE(window.RecordTree().Count(), std::size_t{0});
        QVERIFY(FServices->Boxes.isEmpty());
    }

    void StoredDisplayPassOffStartsMasked() {
        const QString vault = FFolder->filePath("vault.dat");
        WriteVault(vault, kPassword, kRecords);
        Settings::SetDisplayPass(false);
        TDialogScript script;
        auto window = StartWindowOn(vault, kPassword, script);
        QVERIFY(window);
        QVERIFY(!Part<QCheckBox>(*window, "chkDisplayPass")->isChecked());
        QVERIFY(!window->Model().DisplayPass());
        QVERIFY(!Settings::DisplayPass());
    }

    void FailedLoadLeavesAnEmptyTreeThatIsNeverSavedOverTheVault() {
        // The password check reads the header only; the load finds the bad length.
        const QString vault = FFolder->filePath("vault.dat");
        WriteVault(vault, kPassword, kRecords);
        {
            QFile file(vault);
            QVERIFY(file.open(QIODevice::Append));
            file.write("12345");
        }
        const QByteArray damaged = FileBytes(vault);
        TDialogScript script;
        auto window = StartWindowOn(vault, kPassword, script);
        QVERIFY(window);
        QCOMPARE(FServices->BoxTexts(IServicesBackend::TBoxKind::Warning),
                 QStringList{"Invalid buffer size for decryption"});
        QCOMPARE(window->RecordTree().Count(), std::size_t{0});
        QCOMPARE(window->DatabaseFile(), vault);

        script.Then(RecordWith({"New", "fresh", "", "", "", ""}));
        window->ActAddRecordExecute();
        QCOMPARE(window->RecordTree().Count(), std::size_t{2});  // the screen keeps the add
        QCOMPARE(FServices->BoxTexts(IServicesBackend::TBoxKind::Warning).last(),
                 QStringLiteral("The database was not loaded, so changes are not saved to it."));
        QCOMPARE(FileBytes(vault), damaged);
    }

    void InstanceMessageBringsOnlyAShownWindowForward() {
        const QString vault = FFolder->filePath("vault.dat");
        WriteVault(vault, kPassword, {});
        TDialogScript script;
        auto window = StartWindowOn(vault, kPassword, script);
        QVERIFY(window);
        window->OnInstanceMessage(TfrmCofferix::kInstanceMessage);
        QVERIFY(!window->isVisible());  // a hidden window never shows without the password
        window->showMinimized();
        QVERIFY(window->isMinimized());
        window->OnInstanceMessage(42);
        QVERIFY(window->isMinimized());
        window->OnInstanceMessage(TfrmCofferix::kInstanceMessage);
        QVERIFY(!window->isMinimized());
        QVERIFY(window->isVisible());
    }

    void StartDecisionFollowsTheRunningInstance() {
        const QString lockFolder = FFolder->filePath("locks");
        const QString name =
            "cofferix-decision-" + QString::number(QCoreApplication::applicationPid());
        TSingleInstance first(name, lockFolder);
        QCOMPARE(DecideStart(first, false), TStartDecision::Run);
        QVERIFY(first.HoldsLock());

        // Still in its start-up dialogs: holding the lock, not listening.
        TSingleInstance second(name, lockFolder);
        QCOMPARE(DecideStart(second, false), TStartDecision::EndNow);
        QVERIFY(!second.HoldsLock());

        QVERIFY(first.Listen());
        QSignalSpy messages(&first, &TSingleInstance::MessageReceived);
        TSingleInstance third(name, lockFolder);
        QCOMPARE(DecideStart(third, true), TStartDecision::EndNow);
        QCOMPARE(DecideStart(third, false), TStartDecision::EndNow);
        QTRY_COMPARE(messages.count(), 1);
        QCOMPARE(messages.first().first().toInt(), TfrmCofferix::kInstanceMessage);
    }

    // Another user made the program's folder in the temporary folder first, and the runtime
    // folder is writable by all: the lock has nowhere to go and a second copy runs too. The
    // start says so once, on standard error and in the status bar.
    void AStartWithoutTheLockSaysThatAnotherCopyMayRun() {
        // Its name holds the 8-bit CSI, which the warning must not hand to a terminal.
        const QString runtime = FFolder->filePath(QStringLiteral("runtime\u009b2J"));
        const QString temp = FFolder->filePath("tmp");
        const QString own = temp + "/cofferix-" + QString::number(::getuid());
        QVERIFY(QDir().mkpath(runtime) && QDir().mkpath(own));
        QCOMPARE(::chmod(QFile::encodeName(runtime).constData(), 0777), 0);
        QCOMPARE(::chown(QFile::encodeName(own).constData(), 65534, 65534), 0);
        TScopedVariable runtimeVariable("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        TScopedVariable tempVariable("TMPDIR", QFile::encodeName(temp));
        TSingleInstance first;
        TSingleInstance second;
        QCOMPARE(DecideStart(first, false), TStartDecision::Run);
        QCOMPARE(DecideStart(second, false), TStartDecision::Run);

        const QString vault = FFolder->filePath("vault.dat");
        WriteVault(vault, kPassword, {});
        TDialogScript script;
        auto window = StartWindowOn(vault, kPassword, script);
        QVERIFY(window);
        std::ostringstream errors;
        std::streambuf* const standardError = std::cerr.rdbuf(errors.rdbuf());
        window->ListenForInstances(first);
        std::cerr.rdbuf(standardError);

        const auto* label = Part<QLabel>(*window, "lblInstanceWarning");
        QVERIFY(label->isVisibleTo(window.get()));
        QCOMPARE(label->text(),
                 "Another copy of the program may run at the same time, and each may overwrite "
                 "the other's changes: the lock that keeps a second copy out could not be made "
                 "in a folder that only this user can write (" +
                     FFolder->filePath("runtime\\x9b2J") + ", " + own + ").");
        QCOMPARE(QString::fromStdString(errors.str()),
                 "cofferix: warning: " + label->text() + "\n");
        QCOMPARE(window->StatusText(), vault);  // the vault's path stays in its place

        // The program's own folder in the temporary folder keeps a second copy out: silence.
        QCOMPARE(::chown(QFile::encodeName(own).constData(), ::getuid(), ::getgid()), 0);
        TSingleInstance guarded;
        QCOMPARE(DecideStart(guarded, false), TStartDecision::Run);
        QVERIFY(guarded.HoldsLock());
        QCOMPARE(guarded.LostLockWarning(), QString());
    }

    void SecondProgramStartWakesTheRunningWindow() {
        const QString vault = FFolder->filePath("vault.dat");
        WriteVault(vault, kPassword, {});
        TDialogScript script;
        auto window = StartWindowOn(vault, kPassword, script);
        QVERIFY(window);
        TSingleInstance instance;
        QVERIFY(instance.AcquireLock());
        window->ListenForInstances(instance);
        QVERIFY(instance.IsListening());
        window->showMinimized();
        QSignalSpy messages(&instance, &TSingleInstance::MessageReceived);

        QCOMPARE(RunProgram({"/AutoRun"}), 0);  // an automatic start disturbs nobody
        QVERIFY(!messages.wait(300));
        QVERIFY(window->isMinimized());

        QCOMPARE(RunProgram({}), 0);
        QTRY_COMPARE(messages.count(), 1);
        QVERIFY(!window->isMinimized());
    }

    // A start that names a vault file, relative to its own folder, while the window is locked:
    // the master password of the open vault first, then the open dialog with that file.
    void SecondProgramStartWithAPathOffersTheSwitch() {
        const QString vault = FFolder->filePath("vault.dat");
        const QString other = FFolder->filePath("other.dat");
        WriteVault(vault, kPassword, {});
        WriteVault(other, "other-pw", kRecords);
        TDialogScript script;
        auto window = StartWindowOn(vault, kPassword, script);
        QVERIFY(window);
        TSingleInstance instance;
        QVERIFY(instance.AcquireLock());
        window->ListenForInstances(instance);
        window->show();
        window->TrayLock().ActLockAppExecute();
        QVERIFY(window->TrayLock().IsLocked());
        QString proposed;
        script.Then(Answer<TfrmCheckPassword>([](TfrmCheckPassword& dialog) {
            dialog.EditPass->setText(AnsiToQString(kPassword));
            dialog.btnOKClick();
        }));
        script.Then(OpenNoting(proposed, "other-pw"));

        QCOMPARE(RunProgram({"other.dat"}, 20000, FFolder->path()), 0);
        QTRY_COMPARE(window->DatabaseFile(), other);
        QCOMPARE(proposed, other);
        QCOMPARE(script.Shown, QStringList({"TfrmImportDb", "TfrmCheckPassword", "TfrmImportDb"}));
        QVERIFY(!window->TrayLock().IsLocked());
        QCOMPARE(Settings::Database(), other);
        QCOMPARE(window->RecordTree().Count(), std::size_t{2});

        // The open vault named again only comes forward; a missing file disturbs nobody.
        window->showMinimized();
        QCOMPARE(RunProgram({FFolder->filePath("gone.dat")}), 2);
        QCOMPARE(RunProgram({other}), 0);
        QTRY_VERIFY(!window->isMinimized());
        QCOMPARE(script.Shown.size(), 3);
        QVERIFY(FServices->Boxes.isEmpty());
    }

    void SecondProgramStartDuringTheDialogsEndsThroughTheLock() {
        TSingleInstance instance;
        QVERIFY(instance.AcquireLock());  // the lock is taken before the dialogs run
        QCOMPARE(RunProgram({}), 0);
    }

    void FirstProgramStartGoesOnToItsVaultDialog() {
        // Nobody holds the lock: the program passes it and waits in the create dialog.
        QCOMPARE(RunProgram({}, 3000), -1);
    }

private:
    // Runs the program with this process's private folders; its exit code, or -1 when it
    // did not end by itself within the time (it would then be waiting in a dialog).
    int RunProgram(const QStringList& arguments, int timeoutMs = 20000,
                   const QString& folder = QString()) {
        QProcess program;
        program.setWorkingDirectory(folder);
        program.start(QStringLiteral(COFFERIX_PROGRAM), arguments);
        if (!program.waitForFinished(timeoutMs)) {
            program.kill();
            program.waitForFinished();
            return -1;
        }
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    TTestEnvironment& FEnvironment;
    std::unique_ptr<TRecordingServices> FServices;
    std::unique_ptr<QTemporaryDir> FFolder;
};

COFFERIX_APP_TEST_MAIN(TStartUpTest)
#include "StartUpTest.moc"
