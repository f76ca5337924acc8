#include "app/RecordTreeModel.h"

#include <utility>
#include <vector>

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
      FGroupIcon(QStringLiteral(":/images/group.png")) {
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
    return createIndex(node->Row, column, const_cast<TRecordTree::TNode*>(node));
}

QModelIndex TRecordTreeModel::ParentIndexOf(const TRecordTree::TNode* node) const {
    return IndexOf(FTree.Parent(node));
}

QModelIndex TRecordTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (FWithheld || column < 0 || column >= kColumnCount ||
        (parent.isValid() && parent.column() != 0)) {
        return {};
    }
    PNode child = FTree.Child(NodeOf(parent), row);
    return child ? createIndex(row, column, child) : QModelIndex();
}

QModelIndex TRecordTreeModel::parent(const QModelIndex& child) const {
    return ParentIndexOf(NodeOf(child));
}

int TRecordTreeModel::rowCount(const QModelIndex& parent) const {
    if (FWithheld || (parent.isValid() && parent.column() != 0)) {
        return 0;
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
    endResetModel();
}

void TRecordTreeModel::SetDisplayPass(bool display) {
    if (display == FDisplayPass) {
        return;
    }
    FDisplayPass = display;
    // Only the Password column changes; announce it level by level.
    const int topCount = FWithheld ? 0 : FTree.ChildCount(nullptr);
    if (topCount == 0) {
        return;
    }
    emit dataChanged(index(0, colPassword), index(topCount - 1, colPassword));
    for (int row = 0; row < topCount; ++row) {
        const PNode group = FTree.Child(nullptr, row);
        const int count = FTree.ChildCount(group);
        if (count > 0) {
            const QModelIndex parent = IndexOf(group);
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
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    FSorter([column](const TNodeData& a, const TNodeData& b) { return CompareNodes(a, b, column); },
            FSortDescending);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        after << IndexOf(NodeOf(old), old.column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TRecordTreeModel::TreeResetting() {
    beginResetModel();
}

void TRecordTreeModel::TreeReset() {
    endResetModel();
}

void TRecordTreeModel::NodeInserting(const TNode* parent, int row) {
    if (FWithheld) {
        return;  // no rows shown, none to announce
    }
    beginInsertRows(IndexOf(parent), row, row);
}

void TRecordTreeModel::NodeInserted() {
    if (FWithheld) {
        return;
    }
    endInsertRows();
}

void TRecordTreeModel::NodeMoving(const TNode* node, const TNode* newParent, int row) {
    if (FWithheld) {
        return;
    }
    beginMoveRows(ParentIndexOf(node), node->Row, node->Row, IndexOf(newParent), row);
}

void TRecordTreeModel::NodeMoved() {
    if (FWithheld) {
        return;
    }
    endMoveRows();
}

void TRecordTreeModel::NodeRemoving(const TNode* node) {
    if (FWithheld) {
        return;
    }
    beginRemoveRows(ParentIndexOf(node), node->Row, node->Row);
}

void TRecordTreeModel::NodeRemoved() {
    if (FWithheld) {
        return;
    }
    endRemoveRows();
}

void TRecordTreeModel::NodeChanged(const TNode* node) {
    if (node && !FWithheld) {
        emit dataChanged(IndexOf(node, colTitle), IndexOf(node, kColumnCount - 1));
    }
}
