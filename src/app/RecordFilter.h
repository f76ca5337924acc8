#pragma once

#include <QModelIndex>
#include <QObject>

#include "app/TreeViewState.h"

class QLineEdit;
class QShortcut;
class QString;
class QWidget;
class TPassTree;

// Filter as you type: a box over the record tree that narrows the tree to the records whose
// title, user name, URL or notes hold its text, under their groups, opened. Emptying the box,
// or Escape in it, brings the tree back as it was before the filter; a record selected while
// filtered stays selected, in sight. Ctrl+E anywhere in the window goes to the box. While the
// workspace is locked the box is empty and disabled.
class TRecordFilter : public QObject {
    Q_OBJECT
public:
    // The box is made as a child of parent; the shortcut works anywhere in window.
    TRecordFilter(TPassTree& view, QWidget& window, QWidget* parent);

    QLineEdit* Box() const { return FBox; }
    // Locked: the box is emptied, its characters wiped (the text may be part of a password),
    // and it takes no input until the unlock.
    void SetLocked(bool locked);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TextChanged(const QString& text);
    void EndFiltering();
    void ExpandShownGroups();
    void ExpandInserted(const QModelIndex& parent, int first, int last);
    void FocusTree();

    TPassTree& FView;
    QLineEdit* FBox;
    QShortcut* FShortcut;
    bool FFiltering = false;
    // The view as it was when the filter started; it comes back when the filter ends.
    TTreeViewState FBefore;
};
