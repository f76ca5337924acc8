#pragma once

#include "common/tray/TrayShell.h"

#include <QStringList>

class QMenu;

// A notification area that a test switches on and off, and that writes down what the
// component asked of it.
class TRecordingTrayShell : public ITrayShell {
public:
    bool Available = true;
    bool Messages = true;
    bool Shown = false;
    QIcon Icon;
    QString ToolTip;
    QMenu* Menu = nullptr;
    QSystemTrayIcon::MessageIcon LastMessageIcon = QSystemTrayIcon::NoIcon;
    int LastMessageMs = -1;
    QStringList Calls;  // "show", "hide", "message:<title>|<text>", "hidemessage"

    bool IsAvailable() const override { return Available; }
    bool SupportsMessages() const override { return Messages; }
    bool IsShown() const override { return Shown; }
    void Show() override {
        Shown = true;
        Calls << "show";
    }
    void Hide() override {
        Shown = false;
        Calls << "hide";
    }
    void SetIcon(const QIcon& icon) override { Icon = icon; }
    void SetToolTip(const QString& tip) override { ToolTip = tip; }
    void SetContextMenu(QMenu* menu) override { Menu = menu; }
    void ShowMessage(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon,
                     int milliseconds) override {
        LastMessageIcon = icon;
        LastMessageMs = milliseconds;
        Calls << "message:" + title + "|" + text;
    }
    void HideMessage() override { Calls << "hidemessage"; }
};
