#include "common/tray/QtTrayShell.h"

#include <QApplication>
#include <QWidget>

TQtTrayShell::TQtTrayShell() {
    QObject::connect(&FTrayIcon, &QSystemTrayIcon::activated, &FTrayIcon,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (OnActivated) {
                             OnActivated(reason);
                         }
                     });
    QObject::connect(&FTrayIcon, &QSystemTrayIcon::messageClicked, &FTrayIcon, [this] {
        if (OnMessageClicked) {
            OnMessageClicked();
        }
    });
}

bool TQtTrayShell::IsAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool TQtTrayShell::SupportsMessages() const {
    return QSystemTrayIcon::supportsMessages();
}

bool TQtTrayShell::IsShown() const {
    return FTrayIcon.isVisible();
}

void TQtTrayShell::Show() {
    FTrayIcon.show();
}

void TQtTrayShell::Hide() {
    FTrayIcon.hide();
}

void TQtTrayShell::SetIcon(const QIcon& icon) {
    FTrayIcon.setIcon(icon);
}

void TQtTrayShell::SetToolTip(const QString& tip) {
    FTrayIcon.setToolTip(tip);
}

void TQtTrayShell::SetContextMenu(QMenu* menu) {
    FTrayIcon.setContextMenu(menu);
}

void TQtTrayShell::ShowMessage(const QString& title, const QString& text,
                               QSystemTrayIcon::MessageIcon icon, int milliseconds) {
    FTrayIcon.showMessage(title, text, icon, milliseconds);
}

// Qt has no call to take a balloon down. Windows clears it with an empty message. Elsewhere an
// empty message would raise an empty desktop notification where balloons are notifications, so
// only the balloon window Qt draws itself (on an X11 tray) is closed; a notification expires
// by itself.
void TQtTrayShell::HideMessage() {
#ifdef Q_OS_WIN
    FTrayIcon.showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 0);
#else
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->inherits("QBalloonTip") && window->isVisible()) {
            window->close();
        }
    }
#endif
}
