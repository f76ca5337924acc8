#include "common/tray/CoolTrayIcon.h"

#include "common/tray/QtTrayShell.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <utility>

namespace {

// The first maxLength characters, never ending in half a surrogate pair.
QString CutText(const QString& text, int maxLength) {
    if (text.size() <= maxLength) {
        return text;
    }
    int length = maxLength;
    if (text.at(length - 1).isHighSurrogate()) {
        --length;
    }
    return text.left(length);
}

QSystemTrayIcon::MessageIcon ToMessageIcon(TBalloonHintIcon icon) {
    switch (icon) {
        case TBalloonHintIcon::Information:
            return QSystemTrayIcon::Information;
        case TBalloonHintIcon::Warning:
            return QSystemTrayIcon::Warning;
        case TBalloonHintIcon::Error:
            return QSystemTrayIcon::Critical;
        case TBalloonHintIcon::None:
            break;
    }
    return QSystemTrayIcon::NoIcon;
}

}  // namespace

TCoolTrayIcon::TCoolTrayIcon(QWidget* owner, std::unique_ptr<ITrayShell> shell)
    : QObject(owner),
      FShell(shell ? std::move(shell) : std::make_unique<TQtTrayShell>()),
      FOwner(owner),
      FClickTimer(QApplication::doubleClickInterval()),
      FTrayWatch(TrayCheckInterval) {
    FClickTimer.SetOnTimer([this](TSimpleTimer*) { ClickTimerFired(); });
    FTrayWatch.SetOnTimer([this](TSimpleTimer*) { CheckTrayHost(); });
    FBalloonTimer.setSingleShot(true);
    connect(&FBalloonTimer, &QTimer::timeout, this, [this] {
        if (FBalloonShown) {
            HandleBalloon(TTrayBalloon::Timeout);
        }
    });
    FShell->OnActivated = [this](QSystemTrayIcon::ActivationReason reason) {
        HandleActivation(reason);
    };
    FShell->OnMessageClicked = [this] { HandleBalloon(TTrayBalloon::UserClick); };
    FTrayWasAvailable = FShell->IsAvailable();
    RefreshShell();
}

TCoolTrayIcon::~TCoolTrayIcon() {
    // The owner is being torn down around us: nothing may call back into it any more.
    ClearEvents();
    RemoveIcon();
    FShell->OnActivated = nullptr;
    FShell->OnMessageClicked = nullptr;
}

bool TCoolTrayIcon::IsTrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TCoolTrayIcon::SetIcon(const QIcon& icon) {
    FIcon = icon;
    UpdateIcon();
}

void TCoolTrayIcon::SetIconVisible(bool visible) {
    if (visible) {
        AddIcon();
    } else {
        RemoveIcon();
    }
}

void TCoolTrayIcon::SetHint(const QString& hint) {
    FHint = hint;
    UpdateIcon();
}

void TCoolTrayIcon::SetShowHint(bool showHint) {
    FShowHint = showHint;
    UpdateIcon();
}

void TCoolTrayIcon::SetEnabled(bool enabled) {
    FEnabled = enabled;
    // Qt opens an attached context menu by itself, so a disabled icon must not have one.
    FShell->SetContextMenu(FEnabled ? FPopupMenu.data() : nullptr);
}

void TCoolTrayIcon::SetPopupMenu(QMenu* menu) {
    FPopupMenu = menu;
    FShell->SetContextMenu(FEnabled ? menu : nullptr);
}

bool TCoolTrayIcon::AddIcon() {
    FIconVisible = true;
    RefreshShell();
    if (!FTrayWatch.Enabled()) {
        FTrayWatch.Start();
    }
    FTrayWasAvailable = FShell->IsAvailable();
    if (!FTrayWasAvailable) {
        // Shown when the notification area appears (CheckTrayHost).
        return false;
    }
    if (!FShell->IsShown()) {
        FShell->Show();
    }
    return true;
}

bool TCoolTrayIcon::RemoveIcon() {
    FIconVisible = false;
    FTrayWatch.Stop(true);
    HideBalloon();
    RefreshShell();
    const bool wasInTray = InTray();
    FShell->Hide();
    return wasInTray;
}

bool TCoolTrayIcon::UpdateIcon() {
    RefreshShell();
    return InTray();
}

QString TCoolTrayIcon::ToolTip() const {
    if (!FShowHint) {
        return QString();
    }
    return CutText(FHint, MaxHintLength);
}

bool TCoolTrayIcon::InTray() const {
    return FShell->IsShown() && FShell->IsAvailable();
}

void TCoolTrayIcon::RefreshShell() {
    FShell->SetIcon(FIcon);
    FShell->SetToolTip(ToolTip());
}

bool TCoolTrayIcon::ShowBalloon(const QString& title, const QString& text, TBalloonHintIcon icon,
                                int timeoutSeconds) {
    HideBalloon();
    const int seconds = std::clamp(timeoutSeconds, 0, INT_MAX / 1000);
    FLastBalloon = {CutText(title, MaxBalloonTitleLength), CutText(text, MaxBalloonTextLength),
                    icon, seconds * 1000};
    if (!UpdateIcon() || !FShell->SupportsMessages()) {
        return false;
    }
    if (FLastBalloon.Title.isEmpty() && FLastBalloon.Text.isEmpty()) {
        return true;  // nothing to show: the balloon stays down
    }
    FShell->ShowMessage(FLastBalloon.Title, FLastBalloon.Text, ToMessageIcon(icon),
                        FLastBalloon.TimeoutMs);
    FBalloonShown = true;
    if (FLastBalloon.TimeoutMs > 0) {
        FBalloonTimer.start(FLastBalloon.TimeoutMs);
    }
    HandleBalloon(TTrayBalloon::Show);
    return true;
}

bool TCoolTrayIcon::HideBalloon() {
    if (FBalloonShown) {
        FShell->HideMessage();
        HandleBalloon(TTrayBalloon::Hide);
    }
    return InTray();
}

void TCoolTrayIcon::HideMainWindow() {
    if (FOwner) {
        FOwner->hide();
    }
}

void TCoolTrayIcon::RestoreMainWindow() {
    if (!FOwner) {
        return;
    }
    if (FOwner->isMinimized()) {
        FOwner->setWindowState(FOwner->windowState() & ~Qt::WindowMinimized);
    }
    FOwner->show();
    FOwner->raise();
    FOwner->activateWindow();
}

void TCoolTrayIcon::PopupAt(QPoint position) {
    if (FPopupMenu) {
        FPopupMenu->popup(position);
    }
}

void TCoolTrayIcon::PopupAtCursor() {
    PopupAt(QCursor::pos());
}

void TCoolTrayIcon::HandleMouse(TTrayMouse message) {
    if (!FEnabled) {
        return;
    }
    switch (message) {
        case TTrayMouse::MouseMove:
            if (OnMouseMove) {
                OnMouseMove(this, QGuiApplication::queryKeyboardModifiers(), QCursor::pos());
            }
            break;
        case TTrayMouse::LButtonDown:
            LeftButtonDown();
            break;
        case TTrayMouse::LButtonUp:
            LeftButtonUp();
            break;
        case TTrayMouse::LButtonDblClk:
            LeftDoubleClick();
            break;
        case TTrayMouse::RButtonDown:
            RightButtonDown();
            break;
        case TTrayMouse::RButtonUp:
            RaiseMouse(OnMouseUp, Qt::RightButton);
            break;
        case TTrayMouse::MButtonDown:
            RaiseMouse(OnMouseDown, Qt::MiddleButton);
            break;
        case TTrayMouse::MButtonUp:
            RaiseMouse(OnMouseUp, Qt::MiddleButton);
            break;
    }
}

void TCoolTrayIcon::HandleBalloon(TTrayBalloon message) {
    if (message != TTrayBalloon::Show) {
        FBalloonShown = false;
        FBalloonTimer.stop();
    }
    switch (message) {
        case TTrayBalloon::Show:
            Raise(OnBalloonHintShow);
            break;
        case TTrayBalloon::Hide:
            Raise(OnBalloonHintHide);
            break;
        case TTrayBalloon::Timeout:
            Raise(OnBalloonHintTimeout);
            break;
        case TTrayBalloon::UserClick:
            Raise(OnBalloonHintClick);
            break;
    }
}

// Qt reports whole clicks; the component reasons in presses and releases.
void TCoolTrayIcon::HandleActivation(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            HandleMouse(TTrayMouse::LButtonDown);
            HandleMouse(TTrayMouse::LButtonUp);
            break;
        case QSystemTrayIcon::DoubleClick:
            HandleMouse(TTrayMouse::LButtonDblClk);
            break;
        case QSystemTrayIcon::Context:
            HandleMouse(TTrayMouse::RButtonDown);
            HandleMouse(TTrayMouse::RButtonUp);
            break;
        case QSystemTrayIcon::MiddleClick:
            HandleMouse(TTrayMouse::MButtonDown);
            HandleMouse(TTrayMouse::MButtonUp);
            break;
        case QSystemTrayIcon::Unknown:
            break;
    }
}

void TCoolTrayIcon::CheckTrayHost() {
    const bool available = FShell->IsAvailable();
    const bool cameBack = available && !FTrayWasAvailable;
    FTrayWasAvailable = available;
    if (cameBack && FIconVisible) {
        // A new host knows nothing of the icon: register it afresh.
        FShell->Hide();
        AddIcon();
    }
}

// With a double-click handler the click waits one double-click time, so that a double click
// raises only itself; without one the click is raised on release.
void TCoolTrayIcon::LeftButtonDown() {
    if (OnDblClick) {
        FClickTimer.SetInterval(QApplication::doubleClickInterval());
        FClickTimer.Start();
    }
    RaiseMouse(OnMouseDown, Qt::LeftButton);
    FClickStarted = true;
}

void TCoolTrayIcon::LeftButtonUp() {
    if (FClickStarted) {
        FClickReady = true;
        if (!FClickTimer.IsRunning()) {
            FClickStarted = false;
            FClickReady = false;
            Raise(OnClick);
        }
    }
    FClickStarted = false;
    RaiseMouse(OnMouseUp, Qt::LeftButton);
}

void TCoolTrayIcon::LeftDoubleClick() {
    FClickReady = false;
    FDoubleClickSeen = true;
    Raise(OnDblClick);
    if (FPopupMenu && FPopupMenu->defaultAction()) {
        FPopupMenu->defaultAction()->trigger();
    }
}

void TCoolTrayIcon::RightButtonDown() {
    RaiseMouse(OnMouseDown, Qt::RightButton);
    // Where the platform opened the attached menu already, it is showing by now.
    if (FPopupMenu && !FPopupMenu->isVisible()) {
        PopupAtCursor();
    }
}

void TCoolTrayIcon::ClickTimerFired() {
    FClickTimer.Stop(true);
    const bool clickStands = !FDoubleClickSeen && FClickReady;
    FDoubleClickSeen = false;
    if (clickStands) {
        FClickReady = false;
        Raise(OnClick);
    }
}

void TCoolTrayIcon::RaiseMouse(const TMouseEvent& event, Qt::MouseButton button) {
    if (event) {
        event(this, button, QGuiApplication::queryKeyboardModifiers(), QCursor::pos());
    }
}

void TCoolTrayIcon::Raise(const TNotifyEvent& event) {
    if (event) {
        event(this);
    }
}

void TCoolTrayIcon::ClearEvents() {
    OnClick = nullptr;
    OnDblClick = nullptr;
    OnMouseDown = nullptr;
    OnMouseUp = nullptr;
    OnMouseMove = nullptr;
    OnBalloonHintShow = nullptr;
    OnBalloonHintHide = nullptr;
    OnBalloonHintTimeout = nullptr;
    OnBalloonHintClick = nullptr;
}
