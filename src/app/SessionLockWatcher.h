#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

// Reports when the desktop session locks: the screen saver's ActiveChanged(true) on the
// session bus (org.freedesktop.ScreenSaver, as KDE, Xfce and others send it, or
// org.gnome.ScreenSaver) and the login manager's Lock signal for this program's session on
// the system bus. Where neither bus or service exists nothing is ever reported.
class TSessionLockWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kLoginService = "org.freedesktop.login1";
    static constexpr const char* kLoginSessionInterface = "org.freedesktop.login1.Session";

    // The desktop's session and system buses.
    explicit TSessionLockWatcher(QObject* parent = nullptr);
    // Other buses, for tests.
    TSessionLockWatcher(const QDBusConnection& sessionBus, const QDBusConnection& systemBus,
                        QObject* parent = nullptr);

    // Off by default; the buses are first asked when it is switched on.
    void SetEnabled(bool enabled);
    bool Enabled() const { return FEnabled; }
    // The login manager's object of this session, once known; empty otherwise.
    QString LoginSessionPath() const { return FLoginSessionPath; }

signals:
    void SessionLocked();
    // The login manager's session object became known (or could not be found).
    void LoginSessionLookedUp();

public slots:
    void ScreenSaverActiveChanged(bool active);
    void LoginSessionLock();

private slots:
    void LoginSessionFound(QDBusPendingCallWatcher* call);

private:
    void Subscribe();

    QDBusConnection FSessionBus;
    QDBusConnection FSystemBus;
    QString FLoginSessionPath;
    bool FDesktopBuses = false;
    bool FEnabled = false;
    bool FSubscribed = false;
};
