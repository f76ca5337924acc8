#pragma once

#include <optional>
#include <vector>

#include "vault/NodeKey.h"

class TPassTree;

// What the user sees of the tree beyond its content: which groups are open, which rows are
// selected, where the focus is and how far the view is scrolled. Nodes are held by their keys,
// so that the state survives a reload of the vault, which makes all nodes anew (and gives
// groups fresh GUIDs: they are found again by name).
struct TTreeViewState {
    std::vector<TNodeKey> Expanded;
    std::vector<TNodeKey> Selected;
    std::optional<TNodeKey> Current;
    int ScrollPosition = 0;

    static TTreeViewState Capture(const TPassTree& view);
    // Applies the state to the nodes that its keys name now; the others are gone.
    void Restore(TPassTree& view) const;
};
