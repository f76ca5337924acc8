#pragma once

#include <QTreeView>
#include <vector>

#include "app/RecordTreeModel.h"

// The main window's record tree: five columns with their widths and minimums, full-row
// extended selection, no sort mark, the Notes column taking up width changes. It answers the
// selection in tree order, which the commands need, whatever order the user clicked in.
class TPassTree : public QTreeView {
    Q_OBJECT
public:
    explicit TPassTree(QWidget* parent = nullptr);

    void SetRecordModel(TRecordTreeModel* model);
    TRecordTreeModel* RecordModel() const { return FModel; }

    // The selected nodes in depth-first pre-order; each node once.
    std::vector<PNode> SelectedNodes() const;
    // The first selected node in pre-order, or null.
    PNode FirstSelected() const;
    bool HasSelection() const;

    // Expands the node's ancestors and scrolls it into the middle of the view.
    void ScrollToNode(const TRecordTree::TNode* node);
    // Adds the node's row to the selection (keeping what was selected).
    void AddToSelection(const TRecordTree::TNode* node);
    // Selects only this node and makes it the focused node.
    void SelectOnly(const TRecordTree::TNode* node);

    static constexpr int kRowHeight = 24;
    static int DefaultColumnWidth(int column);
    static int MinimumColumnWidth(int column);

signals:
    // Ctrl+F released in the tree (other modifiers do not matter).
    void FindKeyReleased();
    // A left click anywhere in the tree's area, after the selection followed it.
    void TreeClicked();

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    // Only the left button selects and counts as a click: the pop-up menu acts on the
    // selection as it was.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void KeepMinimumWidth(int column, int oldSize, int newSize);
    // The Notes column, wherever the user dragged it, fills the width the others leave.
    void FitNotesColumn();
    bool ShowToolTipIfCut(QEvent* event);

    TRecordTreeModel* FModel = nullptr;
    bool FFittingNotes = false;
};
