#include "app/TreeViewState.h"

#include <QItemSelectionModel>
#include <QScrollBar>

#include "app/PassTree.h"

TTreeViewState TTreeViewState::Capture(const TPassTree& view) {
    TTreeViewState state;
    const TRecordTreeModel* model = view.RecordModel();
    if (!model) {
        return state;
    }
    model->Tree().ForEach([&](TRecordTree::TNode& node) {
        if (!node.Children.empty() && view.isExpanded(model->IndexOf(&node))) {
            state.Expanded.push_back(TNodeKey::Of(node));
        }
    });
    for (const PNode node : view.SelectedNodes()) {
        state.Selected.push_back(TNodeKey::Of(*node));
    }
    if (const PNode current = model->NodeOf(view.currentIndex())) {
        state.Current = TNodeKey::Of(*current);
    }
    state.ScrollPosition = view.verticalScrollBar()->value();
    return state;
}

void TTreeViewState::Restore(TPassTree& view) const {
    TRecordTreeModel* model = view.RecordModel();
    if (!model || !view.selectionModel()) {
        return;
    }
    const TNodeIndex nodes(model->Tree());
    for (const TNodeKey& key : Expanded) {
        if (const PNode node = nodes.Find(key)) {
            view.expand(model->IndexOf(node));
        }
    }
    QItemSelectionModel& selection = *view.selectionModel();
    if (Current) {
        if (const PNode node = nodes.Find(*Current)) {
            selection.setCurrentIndex(model->IndexOf(node), QItemSelectionModel::NoUpdate);
        }
    }
    for (const TNodeKey& key : Selected) {
        if (const PNode node = nodes.Find(key)) {
            view.AddToSelection(node);
        }
    }
    view.verticalScrollBar()->setValue(ScrollPosition);
}
