#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// One instance per user. A running instance listens on a local server; a second start
// connects to it, sends the activation message (or, to open a vault file, the open message
// with the file's path) and ends. An instance still in its start-up dialogs does not listen
// yet, but holds the lock file, which keeps a second start out too.
// Order at process start: NotifyRunningInstance, then AcquireLock, later Listen.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // The message a second start sends unless it was started with the autorun switch.
    static constexpr int kActivateMessage = 1579;
    // The message a second start sends with a vault file to open: this number, then the path
    // in UTF-8 as a QDataStream byte array (its length as a 32-bit count, then the bytes).
    // An older instance reads it as numbers it ignores.
    static constexpr int kOpenPathMessage = 1580;
    // The longest path the open message may carry, in bytes; a longer one ends the connection.
    static constexpr quint32 kMaxPathBytes = 65536;

    // The product's server name and lock folder.
    explicit TSingleInstance(QObject* parent = nullptr);
    // Another server name and lock folder, for tests.
    TSingleInstance(const QString& serverName, const QString& lockFolder,
                    QObject* parent = nullptr);
    ~TSingleInstance() override;

    // The application title and the user's id, in the default lock folder; empty without one.
    static QString DefaultServerName();
    // The user's runtime folder when it is private to the user, else a private folder of the
    // user's own in the temporary folder; empty when neither is to be had (another user made
    // or can write it), and then the instance runs without lock and server.
    static QString DefaultLockFolder();
    // True when a running instance answered. Unless autorun it was sent kActivateMessage, or
    // with a vault path kOpenPathMessage and the path.
    static bool NotifyRunningInstance(bool autorun, const QString& vaultPath = QString());
    static bool NotifyRunningInstance(const QString& serverName, bool autorun,
                                      const QString& vaultPath = QString());

    // Takes the lock file and holds it for the life of this object; false when another live
    // process holds it. A lock left by a process that has died is taken over. When the lock
    // file cannot be made at all (no writable folder) the answer is true without the lock.
    bool AcquireLock();
    // Listens for later starts; only while holding the lock, so two never listen at once.
    bool Listen();

    bool HoldsLock() const;
    bool IsListening() const;
    // After a start that runs: empty while the lock is held, else the warning that another
    // copy may run beside this one, naming the folders where the lock was wanted.
    QString LostLockWarning() const;
    QString ServerName() const { return FServerName; }
    QString LockFilePath() const;

signals:
    void MessageReceived(int message);
    // A later start asks to open this vault file.
    void OpenPathReceived(const QString& path);

private:
    void AcceptConnections();
    void ReadMessages(QLocalSocket* socket);

    QString FServerName;
    QString FLockFolder;
    std::unique_ptr<QLockFile> FLock;
    QLocalServer* FServer = nullptr;
};

namespace SingleInstanceTesting {

// What a peer-user function answers when the lookup fails: never anybody's user id, so
// the peer is taken for a stranger.
inline constexpr long long kUnknownUser = -1;
// Answers the user id of the process at the other end of a connected local socket, or
// kUnknownUser. Replaceable so that a test can play another user, which a test cannot be.
using TPeerUserFunction = long long (*)(qintptr descriptor);
void SetPeerUserFunction(TPeerUserFunction function);  // null restores the default
// The default: the socket's SO_PEERCRED.
long long PeerUserBySocket(qintptr descriptor);

}  // namespace SingleInstanceTesting

// The autorun switch among the arguments; pass them without the program name.
bool HasAutorunSwitch(const QStringList& arguments);
