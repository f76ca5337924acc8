#pragma once

#include <QKeySequence>
#include <QObject>
#include <string_view>

class QAction;
class QMenu;
class QWidget;
class TPassTree;
class TRecordCommands;
class TTrayLock;
class TWindowVault;

// The keyboard's way to the record commands, beside the menus and buttons: standard shortcuts
// on the window's actions, and the commands the Edit menu adds for them (the undo of a delete,
// the rename of a group, the copies of a record's fields, the opening of its URL). Delete,
// Enter and F2 act only while the tree has the focus, so that an edit or a dialog keeps its
// own keys. The tree's copy key goes through the record commands as the pop-up menu's Copy
// does: a password is never copied unmarked, and the view's masked "*" never at all.
class TRecordShortcuts : public QObject {
    Q_OBJECT
public:
    // The window's actions that get a shortcut.
    struct TWindowActions {
        QAction* AddRecord;
        QAction* DeleteRecord;
        QAction* EditRecord;
        QAction* LockApp;
        QAction* Exit;
    };

    // The undo of a delete is dropped when the workspace locks and when a vault is opened.
    TRecordShortcuts(TPassTree& tree, TRecordCommands& commands, const TWindowActions& actions,
                     TTrayLock& lock, TWindowVault& vault, QObject* parent = nullptr);

    // Lock WorkSpace before Close in the File menu; the new commands at the end of Edit.
    void AddToMenus(QMenu& file, QMenu& edit);

public slots:
    // Enables the new commands for what is selected, and the undo while it has something.
    void UpdateActions();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* NewAction(const char* name, std::string_view text, const QKeySequence& key,
                       Qt::ShortcutContext context);
    void RenameSelectedGroup();

    TPassTree& FTree;
    TRecordCommands& FCommands;
    TWindowActions FActions;
    QAction* FUndoDelete;
    QAction* FRenameGroup;
    QAction* FCopyPassword;
    QAction* FCopyUserName;
    QAction* FOpenUrl;
};
