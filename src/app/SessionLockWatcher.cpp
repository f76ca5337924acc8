#include "app/SessionLockWatcher.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

// The screen savers' interfaces; each sends ActiveChanged(bool) from its own object path,
// which differs between desktops, so any path is taken.
const char* const kScreenSaverInterfaces[] = {"org.freedesktop.ScreenSaver",
                                              "org.gnome.ScreenSaver"};

}  // namespace

// The desktop's buses are first reached when the watch is switched on.
TSessionLockWatcher::TSessionLockWatcher(QObject* parent)
    : QObject(parent), FSessionBus(QString()), FSystemBus(QString()), FDesktopBuses(true) {
    setObjectName(QStringLiteral("SessionLockWatcher"));
}

TSessionLockWatcher::TSessionLockWatcher(const QDBusConnection& sessionBus,
                                         const QDBusConnection& systemBus, QObject* parent)
    : QObject(parent), FSessionBus(sessionBus), FSystemBus(systemBus) {
    setObjectName(QStringLiteral("SessionLockWatcher"));
}

void TSessionLockWatcher::SetEnabled(bool enabled) {
    FEnabled = enabled;
    if (FEnabled && !FSubscribed) {
        Subscribe();
    }
}

void TSessionLockWatcher::Subscribe() {
    FSubscribed = true;
    if (FDesktopBuses) {
        FSessionBus = QDBusConnection::sessionBus();
        FSystemBus = QDBusConnection::systemBus();
    }
    if (FSessionBus.isConnected()) {
        for (const char* interface : kScreenSaverInterfaces) {
            FSessionBus.connect(QString(), QString(), QLatin1String(interface),
                                QStringLiteral("ActiveChanged"), this,
                                SLOT(ScreenSaverActiveChanged(bool)));
        }
    }
    if (!FSystemBus.isConnected()) {
        return;
    }
    // Only this session's Lock: another user's session on the same machine is not ours.
    QDBusMessage lookUp = QDBusMessage::createMethodCall(
        QLatin1String(kLoginService), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("GetSessionByPID"));
    lookUp << static_cast<quint32>(QCoreApplication::applicationPid());
    auto* call = new QDBusPendingCallWatcher(FSystemBus.asyncCall(lookUp), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            &TSessionLockWatcher::LoginSessionFound);
}

void TSessionLockWatcher::LoginSessionFound(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (!reply.isError()) {
        FLoginSessionPath = reply.value().path();
        FSystemBus.connect(QLatin1String(kLoginService), FLoginSessionPath,
                           QLatin1String(kLoginSessionInterface), QStringLiteral("Lock"), this,
                           SLOT(LoginSessionLock()));
    }
    emit LoginSessionLookedUp();
}

void TSessionLockWatcher::ScreenSaverActiveChanged(bool active) {
    if (active && FEnabled) {
        emit SessionLocked();
    }
}

void TSessionLockWatcher::LoginSessionLock() {
    if (FEnabled) {
        emit SessionLocked();
    }
}
