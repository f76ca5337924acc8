#pragma once

class IVaultHost;
class QDialog;
class QMainWindow;
class QWidget;
class TWindowVault;

// What "Lock WorkSpace" needs of the main window: the window itself to hide, minimise and
// restore, its lock page, the open vault that the unlock proves the password against, and the
// runner of the unlock dialog.
class ILockedWindow {
public:
    virtual ~ILockedWindow() = default;

    virtual QMainWindow& MainWindow() = 0;
    virtual IVaultHost& Host() = 0;
    virtual TWindowVault& Vault() = 0;
    virtual int RunDialog(QDialog& dialog) = 0;
    // Shows the lock page in place of the records, or the records again.
    virtual void ShowLockPage(bool locked) = 0;
    virtual QWidget* LockPage() const = 0;
};
