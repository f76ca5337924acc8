#pragma once

#include "vault/RecordTree.h"

class QString;

class IVaultHost;
class QDialog;
class QWidget;
class TPassTree;
class TWindowVault;

// What the window's record and vault commands need of the main window, and no more: the open
// vault, the record view with the find position, the owner and runner of their dialogs.
class IWindowContext {
public:
    virtual ~IWindowContext() = default;

    virtual TWindowVault& Vault() = 0;
    // The vault operations as the dialogs reach them.
    virtual IVaultHost& Host() = 0;
    virtual TPassTree& View() = 0;
    virtual QWidget* DialogOwner() = 0;
    // Runs a modal dialog and answers its result.
    virtual int RunDialog(QDialog& dialog) = 0;
    // Where the next find continues.
    virtual PNode LastFound() const = 0;
    virtual void SetLastFound(PNode node) = 0;
    // Before another vault is opened: true when the unsaved changes may go.
    virtual bool MayLeaveVault() = 0;
    virtual void ShowDatabaseInStatusBar() = 0;
    // A short notice in the status bar, for a few seconds (no box to click away).
    virtual void ShowNotice(const QString& text) = 0;
};
