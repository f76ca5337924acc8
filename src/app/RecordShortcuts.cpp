#include "app/RecordShortcuts.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>

#include "app/PassTree.h"
#include "app/RecordCommands.h"
#include "app/TrayLock.h"
#include "app/WindowVault.h"
#include "base/StringTable.h"
#include "common/TextCodec.h"

namespace {

// Tree-only: Delete in an edit deletes text, Enter in a dialog presses its default button.
void ScopeToTree(QAction* action, const QList<QKeySequence>& keys, TPassTree& tree) {
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    tree.addAction(action);
}

}  // namespace

TRecordShortcuts::TRecordShortcuts(TPassTree& tree, TRecordCommands& commands,
                                   const TWindowActions& actions, TTrayLock& lock,
                                   TWindowVault& vault, QObject* parent)
    : QObject(parent), FTree(tree), FCommands(commands), FActions(actions) {
    FActions.AddRecord->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    FActions.LockApp->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    FActions.Exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    ScopeToTree(FActions.EditRecord, {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)},
                tree);
    ScopeToTree(FActions.DeleteRecord, {QKeySequence(QKeySequence::Delete)}, tree);

    FUndoDelete = NewAction("ActUndoDelete", Str::sUndoDeleteAction,
                            QKeySequence(Qt::CTRL | Qt::Key_Z), Qt::WindowShortcut);
    FRenameGroup = NewAction("ActRenameGroup", Str::sRenameGroupAction, QKeySequence(Qt::Key_F2),
                             Qt::WidgetWithChildrenShortcut);
    tree.addAction(FRenameGroup);
    FCopyPassword = NewAction("ActCopyPassword", Str::sCopyPasswordAction,
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), Qt::WindowShortcut);
    FCopyUserName = NewAction("ActCopyUserName", Str::sCopyUserNameAction,
                              QKeySequence(Qt::CTRL | Qt::Key_B), Qt::WindowShortcut);
    FOpenUrl = NewAction("ActOpenUrl", Str::sOpenUrlAction, QKeySequence(Qt::CTRL | Qt::Key_U),
                         Qt::WindowShortcut);

    connect(FUndoDelete, &QAction::triggered, this, [this] { FCommands.UndoDelete(); });
    connect(FRenameGroup, &QAction::triggered, this, &TRecordShortcuts::RenameSelectedGroup);
    connect(FCopyPassword, &QAction::triggered, this,
            [this] { FCommands.CopySelectedField(TRecordTreeModel::colPassword); });
    connect(FCopyUserName, &QAction::triggered, this,
            [this] { FCommands.CopySelectedField(TRecordTreeModel::colUserName); });
    connect(FOpenUrl, &QAction::triggered, this, [this] { FCommands.OpenSelectedUrl(); });

    // Records must not outlive a lock in memory, nor a vault the next one.
    connect(&lock, &TTrayLock::Locking, this, [this] { FCommands.DropDeleteUndo(); });
    connect(&vault, &TWindowVault::Opening, this, [this] { FCommands.DropDeleteUndo(); });
    FCommands.SetUndoChanged([this] { UpdateActions(); });

    connect(tree.selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TRecordShortcuts::UpdateActions);
    connect(tree.model(), &QAbstractItemModel::modelReset, this, &TRecordShortcuts::UpdateActions);
    connect(tree.model(), &QAbstractItemModel::rowsRemoved, this, &TRecordShortcuts::UpdateActions);
    // The view's own copy key would copy what the cell shows, a password unmarked.
    tree.installEventFilter(this);
    UpdateActions();
}

QAction* TRecordShortcuts::NewAction(const char* name, std::string_view text,
                                     const QKeySequence& key, Qt::ShortcutContext context) {
    auto* action = new QAction(Tr(text), this);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(key);
    action->setShortcutContext(context);
    return action;
}

void TRecordShortcuts::AddToMenus(QMenu& file, QMenu& edit) {
    file.insertAction(FActions.Exit, FActions.LockApp);
    edit.addSeparator();
    for (QAction* action : {FUndoDelete, FRenameGroup, FCopyPassword, FCopyUserName, FOpenUrl}) {
        edit.addAction(action);
    }
}

void TRecordShortcuts::UpdateActions() {
    const PNode first = FTree.FirstSelected();
    const bool group = first && first->Data.IsGroup;
    const bool record = first && !first->Data.IsGroup;
    FUndoDelete->setEnabled(FCommands.CanUndoDelete());
    FRenameGroup->setEnabled(group);
    FCopyPassword->setEnabled(record);
    FCopyUserName->setEnabled(record);
    FOpenUrl->setEnabled(record);
}

void TRecordShortcuts::RenameSelectedGroup() {
    const PNode first = FTree.FirstSelected();
    if (first && first->Data.IsGroup) {
        FCommands.ModifySelected();  // the modify of a group is its rename
    }
}

bool TRecordShortcuts::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &FTree && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        FCommands.CopyCurrentCell();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
