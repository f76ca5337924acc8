#include "vault/NodeKey.h"

#include "base/VaultRules.h"

TNodeKey TNodeKey::Of(const TRecordTree::TNode& node) {
    return {node.Data.Guid, node.Data.IsGroup, node.Data.IsGroup ? node.Data.Title : ""};
}

PNode TNodeKey::Find(const TRecordTree& tree) const {
    PNode byName = nullptr;
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        if (node->Data.IsGroup != IsGroup) {
            continue;
        }
        if (node->Data.Guid == Guid) {
            return node;
        }
        if (IsGroup && !byName && CaseFoldedCompare(node->Data.Title, Title) == 0) {
            byName = node;
        }
    }
    return byName;
}
