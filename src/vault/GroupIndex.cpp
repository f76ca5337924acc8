#include "vault/GroupIndex.h"

#include "base/VaultRules.h"

void TGroupIndex::Build() {
    FBuilt = true;
    for (int row = 0; row < FTree.ChildCount(nullptr); ++row) {
        Added(FTree.Child(nullptr, row));
    }
}

template <typename TAccept>
PNode TGroupIndex::FindFirst(std::string_view name, TAccept accept) {
    if (!FBuilt) {
        Build();
    }
    PNode first = nullptr;
    const auto [from, to] = FGroups.equal_range(CaseFoldedHash(name));
    for (auto it = from; it != to; ++it) {
        const PNode group = it->second;
        if (accept(group) && (!first || group->Row < first->Row) &&
            CaseFoldedCompare(group->Data.Title, name) == 0) {
            first = group;
        }
    }
    return first;
}

PNode TGroupIndex::Find(std::string_view name) {
    return FindFirst(name, [](PNode group) { return !group->Children.empty(); });
}

PNode TGroupIndex::FindAny(std::string_view name) {
    return FindFirst(name, [](PNode) { return true; });
}

void TGroupIndex::Added(PNode node) {
    if (FBuilt && node->Data.IsGroup && !FTree.Parent(node)) {
        FGroups.emplace(CaseFoldedHash(node->Data.Title), node);
    }
}

void TGroupIndex::Forget(PNode node) {
    if (!FBuilt || !node->Data.IsGroup) {
        return;
    }
    const auto [from, to] = FGroups.equal_range(CaseFoldedHash(node->Data.Title));
    for (auto it = from; it != to; ++it) {
        if (it->second == node) {
            FGroups.erase(it);
            return;
        }
    }
}
