#include "common/tray/QtTrayShell.h"

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

// Qt has no call to take a balloon down; a message without title and text does it (X11 drops
// the balloon, Windows clears it with the empty text).
void TQtTrayShell::HideMessage() {
    FTrayIcon.showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 0);
}
