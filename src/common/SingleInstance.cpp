#include "common/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include "base/AutorunSwitch.h"
#include "base/StringTable.h"
#include "common/TextCodec.h"

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "vault/PathSafety.h"
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

SingleInstanceTesting::TPeerUserFunction gPeerUserFunction = nullptr;

// Only a process of the same user may activate us or be taken for our running instance: a
// name that another user took first must not silence every start.
bool IsSameUser(const QLocalSocket& socket) {
#ifdef Q_OS_UNIX
    const auto peerUser =
        gPeerUserFunction ? gPeerUserFunction : SingleInstanceTesting::PeerUserBySocket;
    // kUnknownUser, a failed lookup, never equals an id: uid_t is unsigned.
    return peerUser(socket.socketDescriptor()) == static_cast<long long>(::geteuid());
#else
    Q_UNUSED(socket);
    return true;
#endif
}

// The user's own folder in the shared temporary folder, where the lock goes when the runtime
// folder is missing or not private.
QString OwnTempFolder() {
    return QDir(QDir::tempPath()).filePath(QStringLiteral("cofferix-") + UserId());
}

// A folder's name as a warning shows it: a control character is written as its code, so a
// name cannot drive the terminal that shows it.
QString ShownFolder(const QString& folder) {
    QString shown;
    for (const QChar character : folder) {
        shown += character.isPrint() || character.isSurrogate()
                     ? QString(character)
                     : QStringLiteral("\\x%1").arg(character.unicode(), 2, 16, QLatin1Char('0'));
    }
    return shown;
}

#ifdef Q_OS_UNIX
QString PrivateFolderOrEmpty(const QString& folder) {
    return IsPrivateFolder(QFile::encodeName(folder).toStdString()) ? folder : QString();
}
#endif

}  // namespace

namespace SingleInstanceTesting {

void SetPeerUserFunction(TPeerUserFunction function) {
    gPeerUserFunction = function;
}

long long PeerUserBySocket(qintptr descriptor) {
#ifdef Q_OS_UNIX
    // A failed lookup leaves the structure as it was: zero, root's id, so only the answer of
    // getsockopt tells whether the id is the peer's.
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) ==
            0 &&
        size == sizeof credentials) {
        return credentials.uid;
    }
    return kUnknownUser;
#else
    Q_UNUSED(descriptor);
    return 0;  // the platform's named pipes carry the user's access rules themselves
#endif
}

}  // namespace SingleInstanceTesting

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
    // first; without a private folder there is no server.
    const QString folder = DefaultLockFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name);
#else
    return name;
#endif
}

QString TSingleInstance::DefaultLockFolder() {
#ifdef Q_OS_UNIX
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && !PrivateFolderOrEmpty(runtime).isEmpty()) {
        return runtime;
    }
    // The user's own folder in the shared temporary folder, made owner-only; one that
    // somebody else made first, or may write, is not used.
    const QString own = OwnTempFolder();
    ::mkdir(QFile::encodeName(own).constData(), S_IRWXU);
    return PrivateFolderOrEmpty(own);
#else
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    }
    return folder;
#endif
}

bool TSingleInstance::NotifyRunningInstance(bool autorun, const QString& vaultPath) {
    return NotifyRunningInstance(DefaultServerName(), autorun, vaultPath);
}

bool TSingleInstance::NotifyRunningInstance(const QString& serverName, bool autorun,
                                            const QString& vaultPath) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        return false;
    }
    if (!IsSameUser(socket)) {
        socket.abort();
        return false;
    }
    // An automatic start never disturbs the running instance.
    if (!autorun) {
        QDataStream stream(&socket);
        if (vaultPath.isEmpty()) {
            stream << static_cast<qint32>(kActivateMessage);
        } else {
            stream << static_cast<qint32>(kOpenPathMessage) << vaultPath.toUtf8();
        }
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
    if (FLockFolder.isEmpty()) {
        return true;  // no private folder: runs without the lock, as without a writable one
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

QString TSingleInstance::LostLockWarning() const {
    if (HoldsLock()) {
        return {};
    }
    QStringList folders;
    if (!FLockFolder.isEmpty()) {
        folders << FLockFolder;  // private, but the lock file could not be made there
    } else {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty()) {
            folders << runtime;
        }
        folders << OwnTempFolder();
    }
    for (QString& folder : folders) {
        folder = ShownFolder(folder);
    }
    return Tr(Str::sSecondCopyNotKeptOut)
        .replace(QStringLiteral("%s"), folders.join(QStringLiteral(", ")));
}

QString TSingleInstance::LockFilePath() const {
    return QDir(FLockFolder).filePath(kLockFileName);
}

void TSingleInstance::AcceptConnections() {
    while (QLocalSocket* socket = FServer->nextPendingConnection()) {
        if (!IsSameUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket]() { ReadMessages(socket); });
        ReadMessages(socket);  // what arrived before the connections were made
    }
}

void TSingleInstance::ReadMessages(QLocalSocket* socket) {
    QDataStream stream(socket);
    for (;;) {
        // A message read only in part waits, unread, for the rest of its bytes.
        stream.startTransaction();
        qint32 message = 0;
        stream >> message;
        QByteArray path;
        if (message == kOpenPathMessage) {
            quint32 size = 0;
            stream >> size;
            if (stream.status() == QDataStream::Ok && size > kMaxPathBytes) {
                socket->abort();
                return;
            }
            path.resize(static_cast<qsizetype>(size));
            stream.readRawData(path.data(), static_cast<int>(size));
        }
        if (!stream.commitTransaction()) {
            return;
        }
        if (message == kOpenPathMessage) {
            emit OpenPathReceived(QString::fromUtf8(path));
        } else {
            emit MessageReceived(message);
        }
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
