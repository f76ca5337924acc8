#include "app/TreeViewState.h"

#include <QItemSelectionModel>
#include <QScrollBar>
#include <map>

#include "app/PassTree.h"

namespace {

using TNodesByGuid = std::map<std::array<std::uint8_t, 16>, PNode>;

TNodesByGuid NodesByGuid(const TRecordTree& tree) {
    TNodesByGuid nodes;
    tree.ForEach([&](TRecordTree::TNode& node) { nodes.emplace(node.Data.Guid.Bytes, &node); });
    return nodes;
}

PNode Find(const TNodesByGuid& nodes, const TGuid& guid) {
    const auto found = nodes.find(guid.Bytes);
    return found == nodes.end() ? nullptr : found->second;
}

}  // namespace

TTreeViewState TTreeViewState::Capture(const TPassTree& view) {
    TTreeViewState state;
    const TRecordTreeModel* model = view.RecordModel();
    if (!model) {
        return state;
    }
    model->Tree().ForEach([&](TRecordTree::TNode& node) {
        if (!node.Children.empty() && view.isExpanded(model->IndexOf(&node))) {
            state.Expanded.push_back(node.Data.Guid);
        }
    });
    for (const PNode node : view.SelectedNodes()) {
        state.Selected.push_back(node->Data.Guid);
    }
    if (const PNode current = model->NodeOf(view.currentIndex())) {
        state.Current = current->Data.Guid;
    }
    state.ScrollPosition = view.verticalScrollBar()->value();
    return state;
}

void TTreeViewState::Restore(TPassTree& view) const {
    TRecordTreeModel* model = view.RecordModel();
    if (!model || !view.selectionModel()) {
        return;
    }
    const TNodesByGuid nodes = NodesByGuid(model->Tree());
    for (const TGuid& guid : Expanded) {
        if (const PNode node = Find(nodes, guid)) {
            view.expand(model->IndexOf(node));
        }
    }
    QItemSelectionModel& selection = *view.selectionModel();
    if (Current) {
        if (const PNode node = Find(nodes, *Current)) {
            selection.setCurrentIndex(model->IndexOf(node), QItemSelectionModel::NoUpdate);
        }
    }
    for (const TGuid& guid : Selected) {
        if (const PNode node = Find(nodes, guid)) {
            view.AddToSelection(node);
        }
    }
    view.verticalScrollBar()->setValue(ScrollPosition);
}
