#include "app/PassTree.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>

namespace {

// Every row is the same 24 pixels high; with uniform row heights the view asks once.
class TRowHeightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(TPassTree::kRowHeight);
        return size;
    }
};

// The position of a node in pre-order as its rows from the top level down; a node's
// ancestors are its prefixes, so comparing these paths orders nodes as the walk meets them.
std::vector<int> PreOrderPath(const TRecordTree& tree, const TRecordTree::TNode* node) {
    std::vector<int> path;
    for (; node; node = tree.Parent(node)) {
        path.push_back(node->Row);
    }
    std::reverse(path.begin(), path.end());
    return path;
}

}  // namespace

TPassTree::TPassTree(QWidget* parent) : QTreeView(parent) {
    setItemDelegate(new TRowHeightDelegate(this));
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setRootIsDecorated(true);
    setExpandsOnDoubleClick(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A dragged cell would carry its text unmarked, a password too: cells are not dragged.
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setSortingEnabled(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setMouseTracking(true);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(true);
    header()->setSortIndicatorShown(false);
    // Not the last section, which is whichever column the user dragged to the end.
    header()->setStretchLastSection(false);
    header()->setHighlightSections(false);
    connect(header(), &QHeaderView::sectionResized, this, &TPassTree::KeepMinimumWidth);
}

int TPassTree::DefaultColumnWidth(int column) {
    static constexpr int kWidths[] = {200, 150, 150, 150, 103};
    return column >= 0 && column < 5 ? kWidths[column] : 100;
}

int TPassTree::MinimumColumnWidth(int column) {
    return column >= 1 && column <= 3 ? 150 : 0;
}

void TPassTree::SetRecordModel(TRecordTreeModel* model) {
    FModel = model;
    setModel(model);
    for (int column = 0; column < TRecordTreeModel::kColumnCount; ++column) {
        header()->resizeSection(column, DefaultColumnWidth(column));
    }
    FitNotesColumn();
}

void TPassTree::KeepMinimumWidth(int column, int, int newSize) {
    if (column == TRecordTreeModel::colNotes) {
        return;  // it follows the window
    }
    const int minimum = MinimumColumnWidth(column);
    if (newSize < minimum) {
        header()->resizeSection(column, minimum);
    }
    FitNotesColumn();
}

void TPassTree::FitNotesColumn() {
    QHeaderView* head = header();
    if (FFittingNotes || head->count() <= TRecordTreeModel::colNotes) {
        return;
    }
    int others = 0;
    for (int column = 0; column < head->count(); ++column) {
        if (column != TRecordTreeModel::colNotes && !head->isSectionHidden(column)) {
            others += head->sectionSize(column);
        }
    }
    FFittingNotes = true;
    head->resizeSection(TRecordTreeModel::colNotes,
                        std::max(viewport()->width() - others, head->minimumSectionSize()));
    FFittingNotes = false;
}

std::vector<PNode> TPassTree::SelectedNodes() const {
    std::vector<PNode> nodes;
    if (!FModel || !selectionModel()) {
        return nodes;
    }
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        const PNode parent = FModel->NodeOf(range.parent());
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (PNode node = FModel->NodeAt(parent, row)) {
                nodes.push_back(node);
            }
        }
    }
    const TRecordTree& tree = FModel->Tree();
    std::vector<std::pair<std::vector<int>, PNode>> keyed;
    keyed.reserve(nodes.size());
    for (PNode node : nodes) {
        keyed.emplace_back(PreOrderPath(tree, node), node);
    }
    std::sort(keyed.begin(), keyed.end());
    nodes.clear();
    for (const auto& [path, node] : keyed) {
        if (nodes.empty() || nodes.back() != node) {
            nodes.push_back(node);
        }
    }
    return nodes;
}

PNode TPassTree::FirstSelected() const {
    if (!FModel || !selectionModel()) {
        return nullptr;
    }
    const TRecordTree& tree = FModel->Tree();
    PNode first = nullptr;
    std::vector<int> firstPath;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        // Within a range the top row comes first; only the ranges need comparing.
        const PNode node = FModel->NodeAt(FModel->NodeOf(range.parent()), range.top());
        if (!node) {
            continue;
        }
        std::vector<int> path = PreOrderPath(tree, node);
        if (!first || path < firstPath) {
            first = node;
            firstPath = std::move(path);
        }
    }
    return first;
}

bool TPassTree::HasSelection() const {
    return selectionModel() && selectionModel()->hasSelection();
}

void TPassTree::ScrollToNode(const TRecordTree::TNode* node) {
    if (!FModel || !node) {
        return;
    }
    const TRecordTree& tree = FModel->Tree();
    for (const TRecordTree::TNode* up = tree.Parent(node); up; up = tree.Parent(up)) {
        expand(FModel->IndexOf(up));
    }
    scrollTo(FModel->IndexOf(node), QAbstractItemView::PositionAtCenter);
}

void TPassTree::AddToSelection(const TRecordTree::TNode* node) {
    if (FModel && node && selectionModel()) {
        selectionModel()->select(FModel->IndexOf(node),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void TPassTree::SelectOnly(const TRecordTree::TNode* node) {
    if (!FModel || !node || !selectionModel()) {
        return;
    }
    const QModelIndex index = FModel->IndexOf(node);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TPassTree::keyReleaseEvent(QKeyEvent* event) {
    QTreeView::keyReleaseEvent(event);
    if (event->key() == Qt::Key_F && (event->modifiers() & Qt::ControlModifier)) {
        emit FindKeyReleased();
    }
}

void TPassTree::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();  // the context menu still comes, from its own event
        return;
    }
    QTreeView::mousePressEvent(event);
}

void TPassTree::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QTreeView::mouseReleaseEvent(event);
    emit TreeClicked();
}

void TPassTree::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}

bool TPassTree::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        return ShowToolTipIfCut(event);
    }
    const bool handled = QTreeView::viewportEvent(event);
    if (event->type() == QEvent::Resize) {
        FitNotesColumn();
    }
    return handled;
}

bool TPassTree::ShowToolTipIfCut(QEvent* event) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString text = index.data(Qt::DisplayRole).toString();
    const QRect cell = visualRect(index);
    // The icon and the margins take room too; count them roughly so a nearly full cell tips.
    constexpr int kMargins = 8;
    constexpr int kIconRoom = 16 + kMargins;
    const int room = cell.width() - (index.column() == 0 ? kIconRoom + kMargins : kMargins);
    if (!text.isEmpty() && fontMetrics().horizontalAdvance(text) > room) {
        QToolTip::showText(help->globalPos(), text, viewport(), cell);
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}
