#pragma once

#include <optional>
#include <vector>

#include "vault/NodeData.h"

class TPassTree;

// What the user sees of the tree beyond its content: which groups are open, which rows are
// selected, where the focus is and how far the view is scrolled. Nodes are held by their
// GUIDs, so that the state survives a reload of the vault, which makes all nodes anew.
struct TTreeViewState {
    std::vector<TGuid> Expanded;
    std::vector<TGuid> Selected;
    std::optional<TGuid> Current;
    int ScrollPosition = 0;

    static TTreeViewState Capture(const TPassTree& view);
    // Applies the state to the nodes that carry its GUIDs now; the others are gone.
    void Restore(TPassTree& view) const;
};
