// Copied passwords, the automatic locks and what every lock closes: the clipboard clear after
// its time, at a lock and at the end; the idle lock; the session lock, through the window and
// through a private D-Bus daemon; a lock that finds the record editor open.
#include <QAction>
#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>

#include "app/AppTestKit.h"
#include "app/FindDialog.h"
#include "app/IdleLock.h"
#include "app/PassTree.h"
#include "app/SessionLockWatcher.h"
#include "app/TrayLock.h"
#include "app/UnitCofferix.h"
#include "app/WorkspaceGuard.h"
#include "common/ClipboardGuard.h"
#include "common/Services.h"
#include "common/Settings.h"
#include "common/TextCodec.h"
#include "common/tray/CoolTrayIcon.h"
#include "dialogs/UnitCheckPass.h"
#include "dialogs/UnitNewRecord.h"
#include "dialogs/UnitOptions.h"
#include "dialogs/UnitPassGen.h"
#include "support/RecordingServices.h"
#include "tray/RecordingTrayShell.h"

using namespace std::chrono_literals;

namespace {

const std::string kPassword = "master-1";
const QString kHint = QString::fromLatin1(TClipboardGuard::kHintFormat);

void Spin(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

// A D-Bus daemon of the test's own, on a socket in the test's folder.
class TPrivateBus {
public:
    explicit TPrivateBus(const QString& folder) {
        FDaemon.start(
            QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"),
             QStringLiteral("--print-address=1"), QStringLiteral("--address=unix:dir=") + folder});
        if (FDaemon.waitForStarted(5000) && FDaemon.waitForReadyRead(5000)) {
            FAddress = QString::fromLocal8Bit(FDaemon.readLine()).trimmed();
        }
    }
    ~TPrivateBus() {
        for (const QString& name : FNames) {
            QDBusConnection::disconnectFromBus(name);
        }
        FDaemon.kill();
        FDaemon.waitForFinished(5000);
    }
    bool Running() const { return !FAddress.isEmpty(); }
    QDBusConnection Connect(const QString& name) {
        FNames << name;
        return QDBusConnection::connectToBus(FAddress, name);
    }

private:
    QProcess FDaemon;
    QString FAddress;
    QStringList FNames;
};

const QString kThisSession = QStringLiteral("/org/freedesktop/login1/session/_32");

// The login manager's one call that the watcher makes.
class TFakeLoginManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    uint AskedPid = 0;
public slots:
    QDBusObjectPath GetSessionByPID(uint pid) {
        AskedPid = pid;
        return QDBusObjectPath(kThisSession);
    }
};

void SendSignal(QDBusConnection& bus, const QString& path, const QString& interface,
                const QString& name, const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
    message.setArguments(arguments);
    QVERIFY(bus.send(message));
}

}  // namespace

class TWorkspaceGuardTest : public QObject {
    Q_OBJECT
public:
    explicit TWorkspaceGuardTest(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void init() {
        FServices = std::make_unique<TRecordingServices>();
        ClearSettings();
        FFolder = std::make_unique<QTemporaryDir>(FEnvironment.FilePath("case-XXXXXX"));
        FVault = FFolder->filePath("vault.dat");
        WriteVault(FVault, kPassword, {{"Mail", "home", "me", "pw-secret", "mail.org", "n"}});
        FScript = std::make_unique<TDialogScript>();
    }

    void cleanup() {
        FWindow.reset();
        FScript.reset();
        FServices.reset();
    }

    void CopiedPasswordsAreMarkedAndClearedOnlyWhileStillOurs() {
        Settings::SetClearClipboardSeconds(1);
        Settings::SetDisplayPass(false);
        StartWindow();
        // The Password column copies the clear password, marked as a secret...
        CopyColumn(TRecordTreeModel::colPassword);
        QCOMPARE(ClipboardText(), QStringLiteral("pw-secret"));
        QCOMPARE(FServices->ClipboardData()->data(kHint), QByteArray("secret"));
        // ...and after the set time the clipboard is empty.
        QTRY_VERIFY_WITH_TIMEOUT(FServices->ClipboardData() == nullptr, 3000);
        QCOMPARE(FServices->ClipboardClears, 1);

        // Other columns as always: unmarked, never cleared.
        CopyColumn(TRecordTreeModel::colUrl);
        QVERIFY(!FServices->ClipboardData()->hasFormat(kHint));
        Spin(1500);
        QCOMPARE(ClipboardText(), QStringLiteral("mail.org"));

        // What the user copied meanwhile stays, a plain text or another program's secret.
        CopyColumn(TRecordTreeModel::colPassword);
        CopyTextToClipboard(QStringLiteral("meanwhile"));
        Spin(1500);
        QCOMPARE(ClipboardText(), QStringLiteral("meanwhile"));
        CopyColumn(TRecordTreeModel::colPassword);
        auto* other = new QMimeData;
        other->setText(QStringLiteral("other-secret"));
        other->setData(kHint, "secret");
        ServicesBackend().SetClipboardData(other);
        Spin(1500);
        QCOMPARE(ClipboardText(), QStringLiteral("other-secret"));
        QCOMPARE(FServices->ClipboardClears, 1);

        // The generator's Copy is a secret too.
        Part<QAction>(*FWindow, "ActPassGen")->trigger();
        auto* generator = qobject_cast<TfrmPassGen*>(FWindow->GeneratorWindows().first());
        generator->txtGen->setPlainText(QStringLiteral("gen-1\ngen-2"));
        generator->BtnCopy->click();
        QCOMPARE(ClipboardText(), QStringLiteral("gen-1\r\ngen-2"));
        QVERIFY(FServices->ClipboardData()->hasFormat(kHint));
        QTRY_VERIFY_WITH_TIMEOUT(FServices->ClipboardData() == nullptr, 3000);
    }

    void LockAndTheEndClearAPasswordAtOnce() {
        StartWindow();  // the default time, 30 seconds
        CopyColumn(TRecordTreeModel::colPassword);
        Part<QPushButton>(*FWindow, "btnLockApp")->click();
        QVERIFY(!FWindow->isVisible());
        QCOMPARE(FServices->ClipboardData(), nullptr);

        Unlock();
        CopyColumn(TRecordTreeModel::colUrl);
        Part<QPushButton>(*FWindow, "btnLockApp")->click();
        QCOMPARE(ClipboardText(), QStringLiteral("mail.org"));  // not ours to clear

        Unlock();
        CopyColumn(TRecordTreeModel::colPassword);
        Part<QAction>(*FWindow, "ActExit")->trigger();
        FWindow.reset();  // the end of the program
        QCOMPARE(FServices->ClipboardData(), nullptr);
    }

    void IdleLockWaitsForTheSetTimeWithoutInput() {
        StartWindow();
        QVERIFY(!FWindow->WorkspaceGuard().IdleLock().Active());  // off by default
        FWindow->WorkspaceGuard().IdleLock().SetTimeout(300ms);
        // Input keeps coming for more than three times the idle time: no lock.
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(Part<TPassTree>(*FWindow, "PassTree"), Qt::Key_Down);
            Spin(100);
        }
        QVERIFY(FWindow->isVisible());
        QTest::mouseMove(Part<TPassTree>(*FWindow, "PassTree")->viewport(), QPoint(5, 5));
        QElapsedTimer quiet;
        quiet.start();
        QTRY_VERIFY_WITH_TIMEOUT(!FWindow->isVisible(), 3000);
        QVERIFY(quiet.elapsed() >= 250);
        // The same lock as "Lock WorkSpace", with its balloon.
        QVERIFY(FWindow->TrayLock().IsLocked());
        QCOMPARE(FWindow->TrayLock().CoolTrayIcon().LastBalloon().Text,
                 QStringLiteral("Double Click here to unlock the program."));
    }

    // Only the user's own input puts the idle lock off, never an event the program makes itself
    // (a window that appears under the pointer sends a mouse move). The test's clock stands
    // still unless the test moves it, so the timer's delays decide nothing.
    void OnlyTheUsersOwnInputPutsTheIdleLockOff() {
        StartWindow();
        TIdleLock& idleLock = FWindow->WorkspaceGuard().IdleLock();
        std::chrono::milliseconds now = 1h;
        idleLock.SetClock([&now] { return now; });
        idleLock.SetTimeout(100ms);
        QSignalSpy idle(&idleLock, &TIdleLock::Idle);
        QWidget* viewport = Part<TPassTree>(*FWindow, "PassTree")->viewport();

        now += 1h;
        QTest::keyClick(viewport, Qt::Key_Shift);  // spontaneous, as the user's keys are
        Spin(400);                                 // the timer looks a few times
        QCOMPARE(idle.count(), 0);

        now += 1h;
        const QPointF point(5, 5);
        const QPointF global = viewport->mapToGlobal(point);
        QMouseEvent move(QEvent::MouseMove, point, global, Qt::NoButton, Qt::NoButton, {});
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Shift, {});
        QCoreApplication::sendEvent(viewport, &move);
        QCoreApplication::sendEvent(viewport, &key);
        QCoreApplication::postEvent(viewport, new QMouseEvent(QEvent::MouseMove, point, global,
                                                              Qt::NoButton, Qt::NoButton, {}));
        QCoreApplication::postEvent(viewport, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Shift, {}));
        QCoreApplication::sendPostedEvents(viewport);
        QTRY_COMPARE_WITH_TIMEOUT(idle.count(), 1, 3000);
        QVERIFY(FWindow->TrayLock().IsLocked());
    }

    void SessionLockSignalsLockTheWorkspace() {
        StartWindow();
        FWindow->WorkspaceGuard().SessionWatcher().ScreenSaverActiveChanged(false);
        QVERIFY(FWindow->isVisible());
        FWindow->WorkspaceGuard().SessionWatcher().ScreenSaverActiveChanged(true);
        QVERIFY(!FWindow->isVisible());
        QVERIFY(FWindow->TrayLock().IsLocked());
    }

    void WatcherHearsTheScreenSaversAndThisLoginSession() {
        TPrivateBus bus(FFolder->path());
        QVERIFY2(bus.Running(), "dbus-daemon did not start");
        QDBusConnection watched = bus.Connect(QStringLiteral("watched"));
        QDBusConnection sender = bus.Connect(QStringLiteral("sender"));
        QVERIFY(watched.isConnected() && sender.isConnected());
        TFakeLoginManager manager;
        QVERIFY(sender.registerService(QLatin1String(TSessionLockWatcher::kLoginService)));
        QVERIFY(sender.registerObject(QStringLiteral("/org/freedesktop/login1"), &manager,
                                      QDBusConnection::ExportAllSlots));

        TSessionLockWatcher watcher(watched, watched);
        QSignalSpy locked(&watcher, &TSessionLockWatcher::SessionLocked);
        QSignalSpy lookedUp(&watcher, &TSessionLockWatcher::LoginSessionLookedUp);
        // Off: nothing is heard.
        SendSignal(sender, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
                   "ActiveChanged", {true});
        Spin(100);
        QCOMPARE(locked.count(), 0);

        watcher.SetEnabled(true);
        QTRY_COMPARE(lookedUp.count(), 1);
        QCOMPARE(watcher.LoginSessionPath(), kThisSession);
        QCOMPARE(manager.AskedPid, static_cast<uint>(QCoreApplication::applicationPid()));

        SendSignal(sender, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
                   "ActiveChanged", {false});
        SendSignal(sender, "/org/freedesktop/login1/session/_31", "org.freedesktop.login1.Session",
                   "Lock");  // another user's session
        Spin(100);
        QCOMPARE(locked.count(), 0);
        SendSignal(sender, "/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", {true});
        QTRY_COMPARE(locked.count(), 1);
        SendSignal(sender, "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged",
                   {true});
        QTRY_COMPARE(locked.count(), 2);
        SendSignal(sender, kThisSession, "org.freedesktop.login1.Session", "Lock");
        QTRY_COMPARE(locked.count(), 3);

        watcher.SetEnabled(false);
        SendSignal(sender, kThisSession, "org.freedesktop.login1.Session", "Lock");
        Spin(100);
        QCOMPARE(locked.count(), 3);
    }

    void LockClosesTheOpenEditorAndSavesNothing() {
        StartWindow();
        const QByteArray bytesBefore = FileBytes(FVault);
        const quint64 inodeBefore = FileInode(FVault);
        const QStringList outlineBefore = Outline(FWindow->RecordTree());
        Part<QPushButton>(*FWindow, "btnSearch")->click();
        QVERIFY(Part<TFindDialog>(*FWindow, "FindDialog")->isVisible());
        Part<QAction>(*FWindow, "ActPassGen")->trigger();
        Part<TPassTree>(*FWindow, "PassTree")->expandAll();
        Part<TPassTree>(*FWindow, "PassTree")
            ->SelectOnly(FindByTitle(FWindow->RecordTree(), "home"));

        constexpr int kNotClosed = 42;
        bool openAtLock = false;
        int editorResult = -1;
        FScript->Then([&](QDialog& dialog) {
            auto* editor = qobject_cast<TfrmNewRecord*>(&dialog);
            if (editor == nullptr) {
                return static_cast<int>(QDialog::Rejected);
            }
            // Half-done changes, then the desktop locks while the editor waits for the user.
            editor->edtTitle->setText(QStringLiteral("changed"));
            editor->edtPass->setText(QStringLiteral("changed-pw"));
            QTimer::singleShot(50, editor, [&, editor] {
                openAtLock = editor->isVisible();
                FWindow->WorkspaceGuard().SessionWatcher().ScreenSaverActiveChanged(true);
            });
            QTimer::singleShot(5000, editor, [editor] { editor->done(kNotClosed); });
            editorResult = dialog.exec();
            return editorResult;
        });
        FWindow->ActEditRecordExecute();

        QVERIFY(openAtLock);
        QCOMPARE(editorResult, static_cast<int>(QDialog::Rejected));
        QVERIFY(!FWindow->isVisible());
        QVERIFY(!Part<TFindDialog>(*FWindow, "FindDialog")->isVisible());
        QVERIFY(FWindow->GeneratorWindows().first()->isVisible());  // shows no vault data
        QCOMPARE(FileBytes(FVault), bytesBefore);
        QCOMPARE(FileInode(FVault), inodeBefore);
        QCOMPARE(FWindow->RecordTree().Count(), std::size_t{0});  // they wait in the file

        Unlock();
        QVERIFY(FWindow->isVisible());
        QCOMPARE(Outline(FWindow->RecordTree()), outlineBefore);
        QCOMPARE(Outline(*ReadVault(FVault, kPassword)), outlineBefore);
    }

    void LockAnswersTheQuestionAndTheRenameBoxWithCancel() {
        StartWindow();
        const QByteArray bytesBefore = FileBytes(FVault);
        const QStringList outlineBefore = Outline(FWindow->RecordTree());
        Part<TPassTree>(*FWindow, "PassTree")->expandAll();
        // The desktop's own boxes this time, closed by an idle lock while they wait.
        SetServicesBackend(nullptr);
        FWindow->WorkspaceGuard().IdleLock().SetTimeout(200ms);
        QTimer safety;
        safety.setSingleShot(true);
        connect(&safety, &QTimer::timeout, [] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                box->close();
            }
        });
        safety.start(5000);
        Part<TPassTree>(*FWindow, "PassTree")
            ->SelectOnly(FindByTitle(FWindow->RecordTree(), "home"));
        FWindow->ActDelRecordExecute();  // "Are you sure to delete these records?"
        QVERIFY(safety.isActive());
        QVERIFY(!FWindow->isVisible());
        Unlock();

        safety.start(5000);
        Part<TPassTree>(*FWindow, "PassTree")
            ->SelectOnly(FindByTitle(FWindow->RecordTree(), "Mail"));
        FWindow->ActEditRecordExecute();  // the rename box
        QVERIFY(safety.isActive());
        QVERIFY(!FWindow->isVisible());
        SetServicesBackend(FServices.get());
        QCOMPARE(FileBytes(FVault), bytesBefore);
        Unlock();
        QCOMPARE(Outline(FWindow->RecordTree()), outlineBefore);
    }

    void OptionsStoreTheThreeSettingsAndApplyThem() {
        StartWindow();
        FScript->Then(Answer<TfrmOptions>([](TfrmOptions& dialog) {
            QCOMPARE(dialog.SpinClearSeconds->value(), 30);
            QCOMPARE(dialog.SpinIdleMinutes->value(), 0);
            QVERIFY(dialog.chkLockWithSession->isChecked());
            // By keyboard alone: the fields in order, Enter for the default button.
            dialog.show();
            QTest::keyClick(dialog.SpinClearSeconds, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(dialog.SpinClearSeconds, QStringLiteral("5"));
            QTest::keyClick(dialog.SpinIdleMinutes, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(dialog.SpinIdleMinutes, QStringLiteral("2"));
            dialog.chkLockWithSession->setFocus();
            QTest::keyClick(dialog.chkLockWithSession, Qt::Key_Space);
            QTest::keyClick(dialog.chkLockWithSession, Qt::Key_Return);
        }));
        Part<QAction>(*FWindow, "mnuOptions")->trigger();
        QCOMPARE(Part<QAction>(*FWindow, "mnuOptions")->text(), QStringLiteral("Options"));
        QCOMPARE(Settings::ClearClipboardSeconds(), 5);
        QCOMPARE(Settings::IdleLockMinutes(), 2);
        QVERIFY(!Settings::LockWithSession());
        TWorkspaceGuard& guard = FWindow->WorkspaceGuard();
        QCOMPARE(guard.Clipboard().ClearDelay(), std::chrono::milliseconds(5s));
        QCOMPARE(guard.IdleLock().Timeout(), std::chrono::milliseconds(2min));
        QVERIFY(!guard.SessionWatcher().Enabled());

        // Escape cancels: nothing is stored.
        FScript->Then(Answer<TfrmOptions>([](TfrmOptions& dialog) {
            dialog.show();
            dialog.SpinIdleMinutes->setValue(9);
            QTest::keyClick(dialog.SpinIdleMinutes, Qt::Key_Escape);
        }));
        Part<QAction>(*FWindow, "mnuOptions")->trigger();
        QCOMPARE(Settings::IdleLockMinutes(), 2);
    }

private:
    void StartWindow() {
        Settings::SetDatabase(FVault);
        FWindow = std::make_unique<TfrmCofferix>();
        auto shell = std::make_unique<TRecordingTrayShell>();
        FShell = shell.get();
        FWindow->TrayLock().SetTrayShell(std::move(shell));
        FScript->Attach(*FWindow);
        FScript->Then(OpenWith(kPassword));
        QVERIFY(FWindow->FormCreate());
        FWindow->TrayLock().ShowAtStart(false);
    }

    void CopyColumn(int column) {
        Part<TPassTree>(*FWindow, "PassTree")->expandAll();
        const PNode record = FindByTitle(FWindow->RecordTree(), "home");
        Part<TPassTree>(*FWindow, "PassTree")->SelectOnly(record);
        FWindow->PassTreeGetPopupMenu(FWindow->Model().IndexOf(record, column));
        Part<QAction>(*FWindow, "mnuCopy")->trigger();
    }

    QString ClipboardText() {
        const QMimeData* data = FServices->ClipboardData();
        return data != nullptr ? data->text() : QStringLiteral("<empty>");
    }

    void Unlock() {
        FScript->Then(Answer<TfrmCheckPassword>([](TfrmCheckPassword& dialog) {
            dialog.EditPass->setText(AnsiToQString(kPassword));
            dialog.btnOKClick();
        }));
        FWindow->TrayLock().CoolTrayIcon().HandleMouse(TTrayMouse::LButtonDblClk);
        QTRY_VERIFY(FWindow->isVisible());
    }

    TTestEnvironment& FEnvironment;
    std::unique_ptr<TRecordingServices> FServices;
    std::unique_ptr<QTemporaryDir> FFolder;
    QString FVault;
    std::unique_ptr<TDialogScript> FScript;
    std::unique_ptr<TfrmCofferix> FWindow;
    TRecordingTrayShell* FShell = nullptr;
};

COFFERIX_APP_TEST_MAIN(TWorkspaceGuardTest)
#include "WorkspaceGuardTest.moc"
