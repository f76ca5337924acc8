#pragma once

#include <QIcon>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>

class QMenu;

// What the tray icon component needs of the desktop's notification area. The real one wraps
// QSystemTrayIcon; tests put a recording stand-in in its place, as offscreen has no tray.
class ITrayShell {
public:
    virtual ~ITrayShell() = default;

    // A notification area exists now (it can come and go with the panel that hosts it).
    virtual bool IsAvailable() const = 0;
    virtual bool SupportsMessages() const = 0;
    // The icon was asked to be in the notification area and has not been taken out.
    virtual bool IsShown() const = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual void SetIcon(const QIcon& icon) = 0;
    virtual void SetToolTip(const QString& tip) = 0;
    virtual void SetContextMenu(QMenu* menu) = 0;
    virtual void ShowMessage(const QString& title, const QString& text,
                             QSystemTrayIcon::MessageIcon icon, int milliseconds) = 0;
    virtual void HideMessage() = 0;

    // Set by the component: what the desktop reports about the icon and its balloon.
    std::function<void(QSystemTrayIcon::ActivationReason)> OnActivated;
    std::function<void()> OnMessageClicked;
};
