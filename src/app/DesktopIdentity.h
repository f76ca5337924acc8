#pragma once

class QGuiApplication;
class QIcon;

// The application icon at every size the desktop's hicolor theme gets (16 to 256 pixels), so
// task bars, window switchers and the tray each pick a sharp one.
QIcon AppIcon();

// Ties the running program to its desktop entry and icon: the desktop file name is the
// application id, and the icon is the window icon of every top-level window (the main window,
// its dialogs and the generator windows).
void ApplyDesktopIdentity(QGuiApplication& application);
