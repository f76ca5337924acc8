#include "app/RecordTreeModel.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/VaultRules.h"
#include "common/TextCodec.h"
#include "vault/TreeCommands.h"

namespace {

// The record mask: one "*" whatever the password's length, so the length does not show.
constexpr const char* kPasswordMask = "*";

}  // namespace

TRecordTreeModel::TRecordTreeModel(const TRecordTree& tree, TSorter sorter, QObject* parent)
    : QAbstractItemModel(parent),
      FTree(tree),
      FSorter(std::move(sorter)),
      FRecordIcon(QStringLiteral(":/images/record.png")),
      FGroupIcon(QStringLiteral(":/images/group.png")),
      FShown(tree) {
    for (int column = 0; column < kColumnCount; ++column) {
        FCaptions << QString();
    }
}

PNode TRecordTreeModel::NodeOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) {
        return nullptr;
    }
    return static_cast<PNode>(index.internalPointer());
}

QModelIndex TRecordTreeModel::IndexOf(const TRecordTree::TNode* node, int column) const {
    if (!node || FWithheld) {
        return {};
    }
    if (!Filtering()) {
        return createIndex(node->Row, column, const_cast<TRecordTree::TNode*>(node));
    }
    const int row = FShown.RowOf(node);
    return row < 0 ? QModelIndex()
                   : createIndex(row, column, const_cast<TRecordTree::TNode*>(node));
}

QModelIndex TRecordTreeModel::ParentIndexOf(const TRecordTree::TNode* node) const {
    return IndexOf(FTree.Parent(node));
}

PNode TRecordTreeModel::NodeAt(const TRecordTree::TNode* parent, int row) const {
    if (FWithheld) {
        return nullptr;
    }
    if (!Filtering()) {
        return FTree.Child(parent, row);
    }
    const std::vector<PNode>* rows = FShown.ChildrenOf(parent);
    return rows && row >= 0 && row < static_cast<int>(rows->size()) ? (*rows)[row] : nullptr;
}

bool TRecordTreeModel::Shows(const TRecordTree::TNode* node) const {
    return IndexOf(node).isValid();
}

QModelIndex TRecordTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (FWithheld || column < 0 || column >= kColumnCount ||
        (parent.isValid() && parent.column() != 0)) {
        return {};
    }
    PNode child = NodeAt(NodeOf(parent), row);
    return child ? createIndex(row, column, child) : QModelIndex();
}

QModelIndex TRecordTreeModel::parent(const QModelIndex& child) const {
    return ParentIndexOf(NodeOf(child));
}

int TRecordTreeModel::rowCount(const QModelIndex& parent) const {
    if (FWithheld || (parent.isValid() && parent.column() != 0)) {
        return 0;
    }
    if (Filtering()) {
        const std::vector<PNode>* rows = FShown.ChildrenOf(NodeOf(parent));
        return rows ? static_cast<int>(rows->size()) : 0;
    }
    return FTree.ChildCount(NodeOf(parent));
}

int TRecordTreeModel::columnCount(const QModelIndex&) const {
    return kColumnCount;
}

QVariant TRecordTreeModel::data(const QModelIndex& index, int role) const {
    const PNode node = NodeOf(index);
    if (!node) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return CellText(node, index.column());
    }
    if (role == Qt::DecorationRole && index.column() == colTitle) {
        return node->Data.ImageIndex == kGroupImageIndex ? FGroupIcon : FRecordIcon;
    }
    return {};
}

Qt::ItemFlags TRecordTreeModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractItemModel::flags(index);
    const PNode node = NodeOf(index);
    if (node && !node->Data.IsGroup && node->Children.empty()) {
        flags |= Qt::ItemNeverHasChildren;
    }
    return flags;
}

QVariant TRecordTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return ColumnCaption(section);
    }
    return {};
}

void TRecordTreeModel::SetColumnCaptions(const QStringList& captions) {
    for (int column = 0; column < kColumnCount && column < captions.size(); ++column) {
        FCaptions[column] = captions[column];
    }
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

QString TRecordTreeModel::ColumnCaption(int column) const {
    return column >= 0 && column < FCaptions.size() ? FCaptions[column] : QString();
}

void TRecordTreeModel::SetWithheld(bool withheld) {
    if (withheld == FWithheld) {
        return;
    }
    beginResetModel();
    FWithheld = withheld;
    // The shown rows do not follow the changes made while withheld.
    if (withheld) {
        FShown.Drop();
    } else {
        FShown.Rebuild();
    }
    endResetModel();
}

void TRecordTreeModel::SetDisplayPass(bool display) {
    if (display == FDisplayPass) {
        return;
    }
    FDisplayPass = display;
    // Only the Password column changes; announce it level by level.
    const int topCount = rowCount();
    if (topCount == 0) {
        return;
    }
    emit dataChanged(index(0, colPassword), index(topCount - 1, colPassword));
    for (int row = 0; row < topCount; ++row) {
        const QModelIndex parent = index(row, colTitle);
        const int count = rowCount(parent);
        if (count > 0) {
            emit dataChanged(index(0, colPassword, parent), index(count - 1, colPassword, parent));
        }
    }
}

std::string TRecordTreeModel::CellText(const TNodeData& data, int column, bool displayPass) {
    switch (column) {
        case colTitle:
            return data.Title;
        case colUserName:
            return data.UserName;
        case colPassword:
            if (displayPass) {
                return data.Password;
            }
            return data.IsGroup ? std::string() : std::string(kPasswordMask);
        case colUrl:
            return data.Url;
        case colNotes:
            return data.Notes;
        default:
            return {};
    }
}

QString TRecordTreeModel::CellText(const TRecordTree::TNode* node, int column) const {
    if (!node) {
        return {};
    }
    return AnsiToQString(CellText(node->Data, column, FDisplayPass));
}

int TRecordTreeModel::CompareNodes(const TNodeData& a, const TNodeData& b, int column) {
    switch (column) {
        case 0:
            return CaseFoldedCompare(a.UserName, b.UserName);
        case 1:
            return CaseFoldedCompare(a.Password, b.Password);
        case 2:
            return CaseFoldedCompare(a.Notes, b.Notes);
        default:
            return 0;
    }
}

void TRecordTreeModel::SortByColumn(int column) {
    FSortDescending = !FSortDescending;
    FSortColumn = column;
    SortTree();
}

void TRecordTreeModel::ReapplySort() {
    SortTree();
}

void TRecordTreeModel::SortTree() {
    const int column = FSortColumn;
    if (column < 0 || column > 2) {
        return;  // every pair compares equal there, and the sort is stable: nothing moves
    }
    ChangeLayout(QAbstractItemModel::VerticalSortHint, [&] {
        FSorter(
            [column](const TNodeData& a, const TNodeData& b) { return CompareNodes(a, b, column); },
            FSortDescending);
        FShown.SortByRows();
    });
}

// Makes change between the two layout signals; the persistent indexes follow their nodes, and
// those of nodes no longer shown go.
template <typename TChange>
void TRecordTreeModel::ChangeLayout(LayoutChangeHint hint, TChange change) {
    emit layoutAboutToBeChanged({}, hint);
    const QModelIndexList before = persistentIndexList();
    change();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        after << IndexOf(NodeOf(old), old.column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, hint);
}

// ---- The filter

void TRecordTreeModel::SetFilter(std::string_view needle) {
    if (FShown.IsNeedle(needle)) {
        return;
    }
    if (needle.empty()) {
        // A view closes the many groups the filter opened faster by a reset than one by one.
        beginResetModel();
        FShown.SetNeedle(needle);
        endResetModel();
        return;
    }
    // Rows come and go: not a sort.
    ChangeLayout(QAbstractItemModel::NoLayoutChangeHint, [&] { FShown.SetNeedle(needle); });
}

// Brings the node (a record, or every record below a group) in line with the filter.
void TRecordTreeModel::Reconcile(const TNode* node) {
    if (!node->Children.empty()) {
        for (const auto& child : node->Children) {
            Reconcile(child.get());
        }
        return;
    }
    const bool wanted = !node->Data.IsGroup && FShown.Matches(node->Data);
    if (wanted != Shows(node)) {
        wanted ? Show(node) : Hide(node);
    }
}

// Shows the node and the groups above it that are not shown yet.
void TRecordTreeModel::Show(const TNode* node) {
    const PNode parent = FTree.Parent(node);
    if (parent && !Shows(parent)) {
        Show(parent);
    }
    const int row = FShown.PlaceOf(node);
    beginInsertRows(IndexOf(parent), row, row);
    FShown.Add(node);
    endInsertRows();
}

// Hides the node with everything below it, and the groups above it left with nothing shown.
void TRecordTreeModel::Hide(const TNode* node) {
    const PNode parent = FTree.Parent(node);
    const int row = FShown.RowOf(node);
    beginRemoveRows(IndexOf(parent), row, row);
    const bool emptied = FShown.Remove(node);
    endRemoveRows();
    if (emptied) {
        Hide(parent);
    }
}

// ---- ITreeObserver

void TRecordTreeModel::TreeResetting() {
    beginResetModel();
    FShown.Drop();  // the nodes go
}

void TRecordTreeModel::TreeReset() {
    FShown.Rebuild();
    endResetModel();
}

void TRecordTreeModel::NodeInserting(const TNode* parent, int row) {
    if (FWithheld) {
        return;  // no rows shown, none to announce
    }
    if (Filtering()) {
        FInsertParent = parent;
        FInsertRow = row;
        return;  // the filter decides once the node is there
    }
    beginInsertRows(IndexOf(parent), row, row);
}

void TRecordTreeModel::NodeInserted() {
    if (FWithheld) {
        return;
    }
    if (Filtering()) {
        if (const PNode node = FTree.Child(FInsertParent, FInsertRow)) {
            Reconcile(node);
        }
        return;
    }
    endInsertRows();
}

void TRecordTreeModel::NodeMoving(const TNode* node, const TNode* newParent, int row) {
    if (FWithheld) {
        return;
    }
    if (Filtering()) {
        // Gone from its old place now; the filter places it again once it has moved.
        if (Shows(node)) {
            Hide(node);
        }
        FMoving = node;
        return;
    }
    beginMoveRows(ParentIndexOf(node), node->Row, node->Row, IndexOf(newParent), row);
}

void TRecordTreeModel::NodeMoved() {
    if (FWithheld) {
        return;
    }
    if (Filtering()) {
        if (FMoving) {
            Reconcile(FMoving);
        }
        FMoving = nullptr;
        return;
    }
    endMoveRows();
}

void TRecordTreeModel::NodeRemoving(const TNode* node) {
    emit NodeAboutToBeRemoved(node);
    if (FWithheld) {
        return;
    }
    if (Filtering()) {
        if (Shows(node)) {
            Hide(node);
        }
        return;
    }
    beginRemoveRows(ParentIndexOf(node), node->Row, node->Row);
}

void TRecordTreeModel::NodeRemoved() {
    if (FWithheld || Filtering()) {
        return;
    }
    endRemoveRows();
}

void TRecordTreeModel::NodeChanged(const TNode* node) {
    if (!node || FWithheld) {
        return;
    }
    if (Filtering()) {
        Reconcile(node);
    }
    if (Shows(node)) {
        emit dataChanged(IndexOf(node, colTitle), IndexOf(node, kColumnCount - 1));
    }
}
