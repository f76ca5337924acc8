#include "app/TrayLock.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

#include "app/DesktopIdentity.h"
#include "app/WindowVault.h"
#include "base/StringTable.h"
#include "common/Services.h"
#include "common/TextCodec.h"
#include "common/tray/CoolTrayIcon.h"
#include "common/tray/TrayShell.h"
#include "dialogs/UnitCheckPass.h"
#include "dialogs/VaultHost.h"

TTrayLock::TTrayLock(ILockedWindow& window, QAction& lockAction, const QList<QAction*>& trayMenu)
    : FContext(window), FWindow(window.MainWindow()) {
    setObjectName(QStringLiteral("TrayLock"));
    CreatePopupTray(trayMenu);
    connect(&lockAction, &QAction::triggered, this, &TTrayLock::ActLockAppExecute);
    FTrayWatch.setInterval(TCoolTrayIcon::TrayCheckInterval);
    connect(&FTrayWatch, &QTimer::timeout, this, &TTrayLock::CheckTrayStillThere);
    FWindow.installEventFilter(this);
}

TTrayLock::~TTrayLock() {
    // The icon calls back into this object; it goes first.
    delete FCoolTrayIcon.data();
}

void TTrayLock::SetTrayShell(std::unique_ptr<ITrayShell> shell) {
    FShell = std::move(shell);
}

void TTrayLock::CreatePopupTray(const QList<QAction*>& actions) {
    FPopupTray = new QMenu(&FWindow);
    FPopupTray->setObjectName(QStringLiteral("PopupTray"));
    for (QAction* action : actions) {
        if (action) {
            FPopupTray->addAction(action);
        } else {
            FPopupTray->addSeparator();
        }
    }
}

TCoolTrayIcon& TTrayLock::CoolTrayIcon() {
    if (!FCoolTrayIcon) {
        auto* icon = new TCoolTrayIcon(&FWindow, std::move(FShell));
        icon->setObjectName(QStringLiteral("CoolTrayIcon"));
        icon->SetPopupMenu(FPopupTray);
        // From the event loop, not from inside the desktop's report: on X11 a press on the
        // icon while the balloon shows reports the balloon click and then the click, the
        // latter only once the first handler has returned. An unlock dialog run inside the
        // first would have closed by then, and the click would open another.
        icon->OnDblClick = [this](TCoolTrayIcon*) {
            QTimer::singleShot(0, this, &TTrayLock::CoolTrayIconDblClick);
        };
        icon->OnBalloonHintClick = [this](TCoolTrayIcon*) {
            QTimer::singleShot(0, this, &TTrayLock::CoolTrayIconBalloonHintClick);
        };
        icon->OnClick = [this](TCoolTrayIcon*) {
            QTimer::singleShot(0, this, &TTrayLock::CoolTrayIconClick);
        };
        FCoolTrayIcon = icon;
    }
    return *FCoolTrayIcon;
}

void TTrayLock::SetUpTrayIcon() {
    const QIcon icon = AppIcon();
    FWindow.setWindowIcon(icon);
    QApplication::setWindowIcon(icon);
    TCoolTrayIcon& tray = CoolTrayIcon();
    tray.SetIcon(icon);
    tray.SetIconVisible(true);
    tray.SetHint(Tr(Str::sAppTitle));
}

void TTrayLock::ShowAtStart(bool autorun) {
    if (!autorun) {
        FWindow.show();
        return;
    }
    if (CoolTrayIcon().AddIcon()) {
        FTrayWatch.start();  // only the icon shows
    } else {
        LockOnTaskbar();
    }
    FContext.Vault().Lock();  // reached through the password only: the records wait in the file
}

QMenu* TTrayLock::PopupTray() const {
    return FPopupTray;
}

TfrmCheckPassword* TTrayLock::UnlockDialog() const {
    return FUnlockDialog;
}

QWidget* TTrayLock::LockPanel() const {
    return FContext.LockPage();
}

bool TTrayLock::IsLocked() const {
    return FLockedOnTaskbar || !FWindow.isVisible();
}

void TTrayLock::ActLockAppExecute() {
    emit Locking();
    FContext.ShowLockPage(true);
    TCoolTrayIcon& tray = CoolTrayIcon();
    if (!tray.AddIcon()) {
        LockOnTaskbar();  // hidden with no icon to come back through, the user would be stuck
    } else {
        tray.HideMainWindow();
        tray.ShowBalloon(Tr(Str::sAppTitle), Tr(Str::sUnlockBalloon), TBalloonHintIcon::Information,
                         kUnlockBalloonSeconds);
        FTrayWatch.start();
    }
    // Once the window is locked: a save on the way that finds the password changed elsewhere
    // then only asks for it at the unlock.
    FContext.Vault().Lock();
}

void TTrayLock::CoolTrayIconDblClick() {
    if (!IsLocked()) {
        CoolTrayIcon().RestoreMainWindow();
        return;
    }
    // Desktops report one gesture as several events (a balloon click and a click, a click
    // and a double click): a request while the dialog exists only brings it forward.
    if (FUnlockDialog) {
        BringUnlockDialogForward();
        return;
    }
    if (FLockedOnTaskbar && FWindow.isMinimized()) {
        // A window manager may keep a dialog down with its minimised owner.
        FWindow.setWindowState(FWindow.windowState() & ~Qt::WindowMinimized);
    }
    auto* dialog = new TfrmCheckPassword(FContext.Host(), &FWindow);
    FUnlockDialog = dialog;
    dialog->DbFileName = FContext.Vault().DatabaseFile();
    if (FContext.Vault().IsAwaitingPassword()) {
        // The held password no longer opens the file: the user learns why before typing.
        ShowWarning(Tr(Str::sPasswordChangedElsewhere));
        if (!FUnlockDialog) {
            return;  // a lock closed the message, and the dialog with it
        }
        dialog->SetWrongPasswordNotice(Tr(Str::sNotTheNewPassword));
    }
    CentreOnScreen(*dialog);
    const int result = FContext.RunDialog(*dialog);
    std::string typed;
    if (FUnlockDialog) {
        if (result == QDialog::Accepted) {
            typed = QStringToAnsi(FUnlockDialog->EditPass->text());
        }
        FUnlockDialog->EditPass->clear();
        delete FUnlockDialog.data();
    }
    if (result == QDialog::Accepted) {
        // The password that opens the file now: it differs from the held one when the master
        // password was changed elsewhere, and the vault is then reloaded with it.
        FContext.Vault().Unlocked(typed);
        WipeString(typed);
        if (FContext.Vault().IsAwaitingPassword()) {
            // Changed again elsewhere between the dialog's check and the read: ask anew.
            FContext.Vault().Lock();
            UnlockLater();
            return;
        }
        Unlock();
    } else if (FLockedOnTaskbar) {
        FWindow.showMinimized();
    }
}

void TTrayLock::CoolTrayIconBalloonHintClick() {
    CoolTrayIconDblClick();
}

// Desktops with a StatusNotifierItem tray report activation as a single click and never a
// double click, so a single click unlocks too. For a shown window it only brings it forward.
void TTrayLock::CoolTrayIconClick() {
    CoolTrayIconDblClick();
}

void TTrayLock::UnlockLater() {
    QTimer::singleShot(0, this, [this] {
        if (IsLocked()) {
            CoolTrayIconDblClick();
        }
    });
}

void TTrayLock::LockForNewPassword() {
    if (IsLocked()) {
        FContext.ShowLockPage(true);  // hidden already: the notice comes with the unlock
        return;
    }
    ActLockAppExecute();
    UnlockLater();  // the notice and the unlock dialog at once, for a user who is there
}

void TTrayLock::CheckTrayStillThere() {
    if (FWindow.isVisible() || FLockedOnTaskbar) {
        FTrayWatch.stop();
        return;
    }
    if (FUnlockDialog) {
        return;  // the way back is open already
    }
    if (!CoolTrayIcon().UpdateIcon()) {
        LockOnTaskbar();
    }
}

bool TTrayLock::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &FWindow && event->type() == QEvent::WindowStateChange && FLockedOnTaskbar &&
        !FWindow.isMinimized()) {
        // Restored from the taskbar while locked. Not from inside the state change: the
        // dialog runs its own event loop.
        QTimer::singleShot(0, this, [this] {
            if (FLockedOnTaskbar && FWindow.isVisible() && !FWindow.isMinimized()) {
                CoolTrayIconDblClick();
            }
        });
    }
    return QObject::eventFilter(watched, event);
}

// Over the screen's middle rather than over a hidden owner, which may never have been
// placed (an autorun start).
void TTrayLock::CentreOnScreen(QWidget& dialog) const {
    QScreen* screen = FWindow.screen() ? FWindow.screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    QRect frame = dialog.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    dialog.move(frame.topLeft());
}

void TTrayLock::BringUnlockDialogForward() {
    if (FUnlockDialog->isVisible()) {
        FUnlockDialog->raise();
        FUnlockDialog->activateWindow();
    }
}

void TTrayLock::LockOnTaskbar() {
    FTrayWatch.stop();
    FLockedOnTaskbar = true;
    FContext.ShowLockPage(true);
    FWindow.showMinimized();
}

void TTrayLock::Unlock() {
    FTrayWatch.stop();
    FLockedOnTaskbar = false;
    FContext.ShowLockPage(false);
    CoolTrayIcon().RestoreMainWindow();
}
