#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <string_view>

#include "app/LockedWindow.h"

class ITrayShell;
class QMenu;
class QWidget;
class TCoolTrayIcon;
class TfrmCheckPassword;
class QAction;
class QMainWindow;

// "Lock WorkSpace" and the way back: the notification-area icon with its menu, the lock, and
// the unlock dialog that alone brings a locked window back.
//
// Locked means the window shows its lock page instead of the records, and is hidden, or,
// where the desktop has no notification area to hide it in, sits minimised on the taskbar; the
// records themselves leave memory until the unlock reads them again (TWindowVault::Lock). Every
// way back to a locked window (the icon, its balloon, a second start of the program, restoring it
// from the taskbar) goes through the master password.
class TTrayLock : public QObject {
    Q_OBJECT
public:
    static constexpr int kUnlockBalloonSeconds = 10;

    // The tray menu holds the actions in their order, a null one as a separator.
    TTrayLock(ILockedWindow& window, QAction& lockAction, const QList<QAction*>& trayMenu);
    ~TTrayLock() override;

    // The notification area the icon lives in; the desktop's unless a test gives another.
    // Only before the icon is set up.
    void SetTrayShell(std::unique_ptr<ITrayShell> shell);

    // Start-up: the icon shows the application's icon and title, with the tray menu.
    void SetUpTrayIcon();
    // The end of start-up: shows the window, or with autorun leaves only the icon; where
    // there is no notification area, autorun starts locked on the taskbar instead.
    void ShowAtStart(bool autorun);

    TCoolTrayIcon& CoolTrayIcon();
    QMenu* PopupTray() const;
    // While the unlock dialog exists; null otherwise.
    TfrmCheckPassword* UnlockDialog() const;
    bool IsLocked() const;
    bool IsLockedOnTaskbar() const { return FLockedOnTaskbar; }
    // The unlock prompt that stands in for the records while locked.
    QWidget* LockPanel() const;

    void ActLockAppExecute();
    // Another program changed the master password: a shown window locks and asks for the new
    // one at once; the unlock dialog says why before it asks.
    void LockForNewPassword();
    // A shown window comes forward; a locked one asks for the master password, or brings
    // the open unlock dialog forward. The icon's reports reach these from the event loop.
    void CoolTrayIconDblClick();
    void CoolTrayIconBalloonHintClick();
    void CoolTrayIconClick();
    // A second start of the program: asks for the master password when locked, and does
    // nothing otherwise. Runs from the event loop.
    void UnlockLater();
    // Where the notification area went away under a hidden window, locks on the taskbar
    // instead, so that the window can still be reached. Runs every few seconds while hidden.
    void CheckTrayStillThere();

signals:
    // At the start of every lock, before the window hides.
    void Locking();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreatePopupTray(const QList<QAction*>& actions);
    void LockOnTaskbar();
    void Unlock();
    void CentreOnScreen(QWidget& dialog) const;
    void BringUnlockDialogForward();

    ILockedWindow& FContext;
    QMainWindow& FWindow;
    std::unique_ptr<ITrayShell> FShell;
    QPointer<TCoolTrayIcon> FCoolTrayIcon;
    QPointer<QMenu> FPopupTray;
    QPointer<TfrmCheckPassword> FUnlockDialog;
    bool FLockedOnTaskbar = false;
    QTimer FTrayWatch;
};
