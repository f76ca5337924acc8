#include "vault/NodeKey.h"

#include "base/VaultRules.h"

TNodeKey TNodeKey::Of(const TRecordTree::TNode& node) {
    return {node.Data.Guid, node.Data.IsGroup, node.Data.IsGroup ? node.Data.Title : ""};
}

namespace {

std::string Folded(const std::string& text) {
    std::string folded(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        folded[i] = static_cast<char>(FoldAZ(text[i]));
    }
    return folded;
}

}  // namespace

PNode TNodeKey::Find(const TRecordTree& tree) const {
    return TNodeIndex(tree).Find(*this);
}

TNodeIndex::TNodeIndex(const TRecordTree& tree) {
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        FByGuid.emplace(node->Data.Guid.Bytes, node);
        if (node->Data.IsGroup) {
            FGroupsByFoldedName.emplace(Folded(node->Data.Title), node);  // the first one
        }
    }
}

PNode TNodeIndex::Find(const TNodeKey& key) const {
    if (const auto found = FByGuid.find(key.Guid.Bytes);
        found != FByGuid.end() && found->second->Data.IsGroup == key.IsGroup) {
        return found->second;
    }
    if (!key.IsGroup) {
        return nullptr;
    }
    const auto named = FGroupsByFoldedName.find(Folded(key.Title));
    return named == FGroupsByFoldedName.end() ? nullptr : named->second;
}
