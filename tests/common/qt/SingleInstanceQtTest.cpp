#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QUuid>
#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

#include "CommonQtTests.h"
#include "common/SingleInstance.h"
#include "support/TestEnvironment.h"

namespace {

QString UniqueServerName() {
    return QStringLiteral("cofferix-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

QString LockFolder() {
    return Environment().FilePath(QStringLiteral("locks"));
}

// The same test program, started to hold the lock from another process.
class TLockHolder {
public:
    explicit TLockHolder(const QString& serverName) {
        FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FProcess.start(QCoreApplication::applicationFilePath(),
                       {QString::fromLatin1(kHoldLockSwitch), serverName, LockFolder()});
    }
    ~TLockHolder() { Kill(); }

    bool WaitUntilLocked() {
        while (FProcess.waitForReadyRead(10000)) {
            if (FProcess.readAll().contains("locked")) {
                return true;
            }
        }
        return false;
    }

    void Kill() {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.kill();
            FProcess.waitForFinished(10000);
        }
    }

private:
    QProcess FProcess;
};

// Plays a process of another user at the other end of every local socket.
long long AnotherUser(qintptr) {
    return static_cast<long long>(::geteuid()) + 1;
}

// Plays a peer whose credentials could not be looked up.
long long UnknownUser(qintptr) {
    return SingleInstanceTesting::kUnknownUser;
}

}  // namespace

int RunLockHolder(const char* serverName, const char* lockFolder) {
    TSingleInstance instance(QString::fromLocal8Bit(serverName),
                             QString::fromLocal8Bit(lockFolder));
    if (!instance.AcquireLock()) {
        return 1;
    }
    std::puts("locked");
    std::fflush(stdout);
    // Hold the lock until the test kills this process.
    for (;;) {
        QThread::sleep(1);
    }
}

class TSingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void DefaultNamesCarryTheTitleAndTheUser() {
        // The socket lives in the user's private runtime folder, named after title and user.
        const QString server = TSingleInstance::DefaultServerName();
        QVERIFY(server.startsWith(Environment().FilePath(QStringLiteral("runtime/")) +
                                  "Dravenor Cofferix FREE-"));
        QVERIFY(server.size() > Environment().FilePath(QStringLiteral("runtime/")).size() + 23);
        QCOMPARE(TSingleInstance::DefaultLockFolder(),
                 Environment().FilePath(QStringLiteral("runtime")));
        TSingleInstance instance;
        QCOMPARE(instance.LockFilePath(),
                 Environment().FilePath(QStringLiteral("runtime/Dravenor Cofferix FREE.lock")));
    }

    void OnlyOneObjectHoldsTheLockAtATime() {
        const QString name = UniqueServerName();
        auto first = std::make_unique<TSingleInstance>(name, LockFolder());
        TSingleInstance second(name, LockFolder());
        QVERIFY(first->AcquireLock());
        QVERIFY(first->HoldsLock());
        QVERIFY(!second.AcquireLock());
        QVERIFY(!second.Listen());  // no listening without the lock
        first.reset();
        QVERIFY(second.AcquireLock());
    }

    void AnotherProcessHoldingTheLockKeepsUsOutUntilItDies() {
        const QString name = UniqueServerName();
        TLockHolder holder(name);
        QVERIFY(holder.WaitUntilLocked());
        TSingleInstance instance(name, LockFolder());
        QVERIFY(!instance.AcquireLock());
        holder.Kill();  // dies without releasing: its lock file stays behind
        QVERIFY(QFile::exists(instance.LockFilePath()));
        QVERIFY(instance.AcquireLock());
    }

    void WithoutAWritableLockFolderTheInstanceRunsButDoesNotListen() {
        const QString blocker = Environment().FilePath(QStringLiteral("not-a-folder"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        TSingleInstance instance(UniqueServerName(), blocker + QStringLiteral("/locks"));
        QVERIFY(instance.AcquireLock());
        QVERIFY(!instance.HoldsLock());
        QVERIFY(!instance.Listen());
    }

    void NotifyWithoutARunningInstanceIsFalse() {
        QVERIFY(!TSingleInstance::NotifyRunningInstance(UniqueServerName(), false));
        QVERIFY(!TSingleInstance::NotifyRunningInstance(UniqueServerName(), true));
    }

    void ASecondStartDeliversTheActivationMessage() {
        const QString name = UniqueServerName();
        TSingleInstance running(name, LockFolder());
        QVERIFY(running.AcquireLock());
        QVERIFY(running.Listen());
        QSignalSpy received(&running, &TSingleInstance::MessageReceived);
        QVERIFY(TSingleInstance::NotifyRunningInstance(name, false));
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toInt(), 1579);
        QVERIFY(TSingleInstance::NotifyRunningInstance(name, false));
        QTRY_COMPARE(received.count(), 2);
    }

    void AnAutorunStartFindsTheInstanceButSendsNothing() {
        const QString name = UniqueServerName();
        TSingleInstance running(name, LockFolder());
        QVERIFY(running.AcquireLock());
        QVERIFY(running.Listen());
        QSignalSpy received(&running, &TSingleInstance::MessageReceived);
        QSignalSpy opened(&running, &TSingleInstance::OpenPathReceived);
        QVERIFY(TSingleInstance::NotifyRunningInstance(name, true));
        QVERIFY(TSingleInstance::NotifyRunningInstance(name, true, QStringLiteral("/v.dat")));
        QTest::qWait(200);
        QCOMPARE(received.count(), 0);
        QCOMPARE(opened.count(), 0);
    }

    // The open message brings its path whole, however the bytes arrive, after an activation
    // on the same connection; a length beyond the limit ends the connection.
    void TheOpenMessageCarriesItsPathWhole() {
        const QString name = UniqueServerName();
        TSingleInstance running(name, LockFolder());
        QVERIFY(running.AcquireLock());
        QVERIFY(running.Listen());
        QSignalSpy received(&running, &TSingleInstance::MessageReceived);
        QSignalSpy opened(&running, &TSingleInstance::OpenPathReceived);
        const QString path = QStringLiteral("/home/z\u00FCrich/\u0436 vault.dat");
        QVERIFY(TSingleInstance::NotifyRunningInstance(name, false, path));
        QTRY_COMPARE(opened.count(), 1);
        QCOMPARE(opened.at(0).at(0).toString(), path);
        QCOMPARE(received.count(), 0);

        QByteArray bytes;
        QDataStream(&bytes, QIODevice::WriteOnly)
            << qint32(TSingleInstance::kActivateMessage)
            << qint32(TSingleInstance::kOpenPathMessage) << path.toUtf8();
        QLocalSocket client;
        client.connectToServer(name);
        QVERIFY(client.waitForConnected(1000));
        client.write(bytes.left(10));  // the activation, the open message and half its length
        client.flush();
        QTRY_COMPARE(received.count(), 1);
        QTest::qWait(100);
        QCOMPARE(opened.count(), 1);
        client.write(bytes.mid(10, 8));
        client.flush();
        QTest::qWait(100);
        QCOMPARE(opened.count(), 1);
        client.write(bytes.mid(18));
        client.flush();
        QTRY_COMPARE(opened.count(), 2);
        QCOMPARE(opened.at(1).at(0).toString(), path);
        QCOMPARE(received.at(0).at(0).toInt(), TSingleInstance::kActivateMessage);

        QDataStream(&client) << qint32(TSingleInstance::kOpenPathMessage)
                             << quint32(TSingleInstance::kMaxPathBytes + 1);
        client.flush();
        QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(opened.count(), 2);
        QCOMPARE(received.count(), 1);
    }

    void AStaleServerNameIsReplacedWhenListening() {
        const QString name = UniqueServerName();
        const QString socketPath = QDir::temp().filePath(name);
        QFile stale(socketPath);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        QVERIFY(!TSingleInstance::NotifyRunningInstance(name, false));
        TSingleInstance running(name, LockFolder());
        QVERIFY(running.AcquireLock());
        QVERIFY(running.Listen());
        QSignalSpy received(&running, &TSingleInstance::MessageReceived);
        QVERIFY(TSingleInstance::NotifyRunningInstance(name, false));
        QTRY_COMPARE(received.count(), 1);
    }

    // A peer of another user, and a peer whose user could not be looked up, are strangers.
    void APeerOfAnotherOrUnknownUserIsNeitherObeyedNorTakenForTheInstance() {
        // A failed lookup answers the unknown user, never an id: not the zero (root's id) that
        // the call leaves when it fails, not ours.
        QFile file(Environment().FilePath(QStringLiteral("not-a-socket")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (const int descriptor : {-1, file.handle()}) {
            QCOMPARE(SingleInstanceTesting::PeerUserBySocket(descriptor),
                     SingleInstanceTesting::kUnknownUser);
        }

        const QString name = UniqueServerName();
        TSingleInstance running(name, LockFolder());
        QVERIFY(running.AcquireLock());
        QVERIFY(running.Listen());
        QSignalSpy received(&running, &TSingleInstance::MessageReceived);
        QSignalSpy opened(&running, &TSingleInstance::OpenPathReceived);
        for (const auto peerUser : {AnotherUser, UnknownUser}) {
            SingleInstanceTesting::SetPeerUserFunction(peerUser);
            // A second start does not take the server of a stranger for the running instance.
            const bool found = TSingleInstance::NotifyRunningInstance(name, false);
            // A client that is a stranger and sends the activation message is not heard.
            QLocalSocket intruder;
            intruder.connectToServer(name);
            const bool connected = intruder.waitForConnected(1000);
            QDataStream(&intruder)
                << qint32(TSingleInstance::kActivateMessage)
                << qint32(TSingleInstance::kOpenPathMessage) << QByteArray("/tmp/planted.dat");
            intruder.flush();
            QTest::qWait(300);
            SingleInstanceTesting::SetPeerUserFunction(nullptr);
            QVERIFY(connected);
            QVERIFY(!found);
            QCOMPARE(received.count(), 0);
            QCOMPARE(opened.count(), 0);
        }
        // The same, from the user's own process, is heard.
        QVERIFY(TSingleInstance::NotifyRunningInstance(name, false));
        QTRY_COMPARE(received.count(), 1);
    }

    void TheLockAndSocketLiveOnlyInAFolderPrivateToTheUser() {
        // A runtime folder of another user is not used; neither is a folder in the shared
        // temporary folder that another user made first (or that others may write).
        const QString foreignRuntime = Environment().FilePath(QStringLiteral("foreign-runtime"));
        QVERIFY(QDir().mkpath(foreignRuntime));
        QCOMPARE(::chown(QFile::encodeName(foreignRuntime).constData(), ::geteuid() + 1, 0), 0);
        const QString sharedTemp = Environment().FilePath(QStringLiteral("shared-tmp"));
        QVERIFY(QDir().mkpath(sharedTemp));
        TScopedVariable runtime("XDG_RUNTIME_DIR", QFile::encodeName(foreignRuntime));
        TScopedVariable temp("TMPDIR", QFile::encodeName(sharedTemp));
        const QString own = sharedTemp + QStringLiteral("/cofferix-") + QString::number(::getuid());
        QCOMPARE(TSingleInstance::DefaultLockFolder(), own);
        QCOMPARE(QFileInfo(own).permissions() & (QFile::WriteGroup | QFile::WriteOther),
                 QFileDevice::Permissions());
        QVERIFY(TSingleInstance::DefaultServerName().startsWith(own + QLatin1Char('/')));

        for (const bool byOtherUser : {true, false}) {
            if (byOtherUser) {
                QCOMPARE(::chown(QFile::encodeName(own).constData(), ::geteuid() + 1, 0), 0);
            } else {
                QCOMPARE(::chown(QFile::encodeName(own).constData(), ::geteuid(), 0), 0);
                QCOMPARE(::chmod(QFile::encodeName(own).constData(), 0777), 0);
            }
            QCOMPARE(TSingleInstance::DefaultLockFolder(), QString());
            QCOMPARE(TSingleInstance::DefaultServerName(), QString());
            TSingleInstance instance;
            QVERIFY(instance.AcquireLock());  // runs, but without lock or server there
            QVERIFY(!instance.HoldsLock());
            QVERIFY(!instance.Listen());
            QVERIFY(!QFile::exists(own + QStringLiteral("/Dravenor Cofferix FREE.lock")));
        }
    }

    void AutorunSwitchAmongQtArguments() {
        QVERIFY(HasAutorunSwitch(QStringList{"vault.dat", "/AutoRun"}));
        QVERIFY(!HasAutorunSwitch(QStringList{"autorun"}));
    }
};

int RunSingleInstanceTests(int argc, char** argv) {
    TSingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SingleInstanceQtTest.moc"
