#pragma once

#include "common/tray/TrayShell.h"

#include <QSystemTrayIcon>

// The notification area as Qt offers it: the platform's tray (XEmbed, StatusNotifierItem or
// the Windows shell) behind one QSystemTrayIcon.
class TQtTrayShell : public ITrayShell {
public:
    TQtTrayShell();

    bool IsAvailable() const override;
    bool SupportsMessages() const override;
    bool IsShown() const override;
    void Show() override;
    void Hide() override;
    void SetIcon(const QIcon& icon) override;
    void SetToolTip(const QString& tip) override;
    void SetContextMenu(QMenu* menu) override;
    void ShowMessage(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon,
                     int milliseconds) override;
    void HideMessage() override;

private:
    QSystemTrayIcon FTrayIcon;
};
