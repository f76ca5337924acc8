#pragma once

#include "common/tray/SimpleTimer.h"
#include "common/tray/TrayShell.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QWidget>
#include <functional>
#include <memory>

// Mouse notifications about the icon, as the component handles them. Qt's activation reasons
// are turned into these (HandleActivation); tests feed them directly.
enum class TTrayMouse {
    MouseMove,
    LButtonDown,
    LButtonUp,
    LButtonDblClk,
    RButtonDown,
    RButtonUp,
    MButtonDown,
    MButtonUp
};

// Balloon notifications. A click comes from the desktop; show, hide and time-out are raised by
// the component itself, because Qt reports only the click.
enum class TTrayBalloon { Show, Hide, Timeout, UserClick };

enum class TBalloonHintIcon { None, Information, Warning, Error };

// The balloon most recently handed to the notification area, cut to its limits.
struct TBalloonHint {
    QString Title;
    QString Text;
    TBalloonHintIcon Icon = TBalloonHintIcon::None;
    int TimeoutMs = 0;
};

// One icon in the desktop's notification area, owned by the main window: it turns the
// desktop's reports into the events below, opens the popup menu, shows balloon tips, hides
// and restores the main window, and puts the icon back when the notification area returns.
class TCoolTrayIcon : public QObject {
    Q_OBJECT

public:
    using TNotifyEvent = std::function<void(TCoolTrayIcon* sender)>;
    using TMouseEvent = std::function<void(TCoolTrayIcon* sender, Qt::MouseButton button,
                                           Qt::KeyboardModifiers shift, QPoint position)>;
    using TMouseMoveEvent =
        std::function<void(TCoolTrayIcon* sender, Qt::KeyboardModifiers shift, QPoint position)>;

    static constexpr int MaxHintLength = 127;
    static constexpr int MaxBalloonTitleLength = 63;
    static constexpr int MaxBalloonTextLength = 255;
    // How often the component looks whether a notification area has (re)appeared.
    static constexpr int TrayCheckInterval = 2000;

    // The owner is the main window (it also becomes the QObject parent). Without a shell the
    // component uses the desktop's notification area through QSystemTrayIcon.
    explicit TCoolTrayIcon(QWidget* owner = nullptr, std::unique_ptr<ITrayShell> shell = nullptr);
    ~TCoolTrayIcon() override;

    // Whether the desktop has a notification area now.
    static bool IsTrayAvailable();

    QWidget* Owner() const { return FOwner; }
    void SetOwner(QWidget* owner) { FOwner = owner; }

    const QIcon& Icon() const { return FIcon; }
    void SetIcon(const QIcon& icon);
    bool IconVisible() const { return FIconVisible; }
    void SetIconVisible(bool visible);
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& hint);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool showHint);
    // Off: mouse notifications are ignored (no events, no popup menu); balloon ones still count.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* menu);

    // Each returns whether the icon is in the notification area afterwards (RemoveIcon: was).
    bool AddIcon();
    bool RemoveIcon();
    bool UpdateIcon();
    // The tip shown at the icon: the first 127 characters of Hint, empty without ShowHint.
    QString ToolTip() const;

    // Seconds are turned into milliseconds. False when no balloon could be shown (icon not in
    // the notification area, or the desktop shows no messages).
    bool ShowBalloon(const QString& title, const QString& text, TBalloonHintIcon icon,
                     int timeoutSeconds);
    bool HideBalloon();
    const TBalloonHint& LastBalloon() const { return FLastBalloon; }
    bool BalloonShown() const { return FBalloonShown; }

    // Hide takes the main window off the screen and the taskbar; restore brings it back,
    // a minimised one at its normal size, in front and active.
    void HideMainWindow();
    void RestoreMainWindow();
    // Opens the popup menu at the screen position (non-blocking); nothing without a menu.
    void PopupAt(QPoint position);
    void PopupAtCursor();

    // The notifications the desktop delivers, in the component's terms.
    void HandleMouse(TTrayMouse message);
    void HandleBalloon(TTrayBalloon message);
    void HandleActivation(QSystemTrayIcon::ActivationReason reason);
    // Looks whether the notification area came back; if so, and IconVisible, adds the icon again.
    void CheckTrayHost();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnBalloonHintShow;
    TNotifyEvent OnBalloonHintHide;
    TNotifyEvent OnBalloonHintTimeout;
    TNotifyEvent OnBalloonHintClick;

private:
    bool InTray() const;
    void RefreshShell();
    void ClearEvents();
    void LeftButtonDown();
    void LeftButtonUp();
    void LeftDoubleClick();
    void RightButtonDown();
    void ClickTimerFired();
    void RaiseMouse(const TMouseEvent& event, Qt::MouseButton button);
    void Raise(const TNotifyEvent& event);

    std::unique_ptr<ITrayShell> FShell;
    QPointer<QWidget> FOwner;
    QPointer<QMenu> FPopupMenu;
    QIcon FIcon;
    QString FHint;
    bool FIconVisible = false;
    bool FShowHint = true;
    bool FEnabled = true;

    // Telling a click from a double click.
    TSimpleTimer FClickTimer;
    bool FClickStarted = false;
    bool FClickReady = false;
    bool FDoubleClickSeen = false;

    TBalloonHint FLastBalloon;
    bool FBalloonShown = false;
    QTimer FBalloonTimer;

    TSimpleTimer FTrayWatch;
    bool FTrayWasAvailable = false;
};
