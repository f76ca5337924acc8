#include "common/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include "common/AutorunSwitch.h"
#include "common/StringTable.h"
#include "common/TextCodec.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kWriteTimeoutMs = 1000;
const QString kLockFileName = QStringLiteral("Dravenor Cofferix FREE.lock");

QString UserId() {
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    QString user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty()) {
        user = qEnvironmentVariable("USER");
    }
    return user;
#endif
}

}  // namespace

TSingleInstance::TSingleInstance(QObject* parent)
    : TSingleInstance(DefaultServerName(), DefaultLockFolder(), parent) {}

TSingleInstance::TSingleInstance(const QString& serverName, const QString& lockFolder,
                                 QObject* parent)
    : QObject(parent), FServerName(serverName), FLockFolder(lockFolder) {}

TSingleInstance::~TSingleInstance() {
    if (FServer != nullptr) {
        FServer->close();
    }
}

QString TSingleInstance::DefaultServerName() {
    const QString name = Tr(Str::sAppTitle) + QLatin1Char('-') + UserId();
#ifdef Q_OS_UNIX
    // A bare name would be a socket in the shared /tmp, where another user could take it
    // first. The user's own runtime folder is private to them.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty()) {
        return QDir(runtime).filePath(name);
    }
#endif
    return name;
}

QString TSingleInstance::DefaultLockFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    }
    return folder;
}

bool TSingleInstance::NotifyRunningInstance(bool autorun) {
    return NotifyRunningInstance(DefaultServerName(), autorun);
}

bool TSingleInstance::NotifyRunningInstance(const QString& serverName, bool autorun) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        return false;
    }
    // An automatic start never disturbs the running instance.
    if (!autorun) {
        QDataStream stream(&socket);
        stream << static_cast<qint32>(kActivateMessage);
        socket.flush();
        socket.waitForBytesWritten(kWriteTimeoutMs);
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(kWriteTimeoutMs);
    }
    return true;
}

bool TSingleInstance::AcquireLock() {
    if (HoldsLock()) {
        return true;
    }
    QDir().mkpath(FLockFolder);
    auto lock = std::make_unique<QLockFile>(LockFilePath());
    // Never stale by age: only the death of its process frees the lock.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        FLock = std::move(lock);
        return true;
    }
    // Only a lock that another process holds keeps this instance out; when the lock file
    // cannot be made at all, the instance runs without it (and does not listen).
    return lock->error() != QLockFile::LockFailedError;
}

bool TSingleInstance::Listen() {
    if (!HoldsLock()) {
        return false;
    }
    if (IsListening()) {
        return true;
    }
    if (FServer == nullptr) {
        FServer = new QLocalServer(this);
        FServer->setSocketOptions(QLocalServer::UserAccessOption);
        connect(FServer, &QLocalServer::newConnection, this, &TSingleInstance::AcceptConnections);
    }
    // We hold the lock, so a server of this name can only be the remains of a crash.
    QLocalServer::removeServer(FServerName);
    return FServer->listen(FServerName);
}

bool TSingleInstance::HoldsLock() const {
    return FLock != nullptr && FLock->isLocked();
}

bool TSingleInstance::IsListening() const {
    return FServer != nullptr && FServer->isListening();
}

QString TSingleInstance::LockFilePath() const {
    return QDir(FLockFolder).filePath(kLockFileName);
}

void TSingleInstance::AcceptConnections() {
    while (QLocalSocket* socket = FServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket]() { ReadMessages(socket); });
        ReadMessages(socket);  // what arrived before the connections were made
    }
}

void TSingleInstance::ReadMessages(QLocalSocket* socket) {
    while (socket->bytesAvailable() >= static_cast<qint64>(sizeof(qint32))) {
        QDataStream stream(socket);
        qint32 message = 0;
        stream >> message;
        emit MessageReceived(message);
    }
}

bool HasAutorunSwitch(const QStringList& arguments) {
    std::vector<std::string> texts;
    texts.reserve(static_cast<std::size_t>(arguments.size()));
    for (const QString& argument : arguments) {
        texts.push_back(argument.toStdString());
    }
    return HasAutorunSwitch(texts);
}
