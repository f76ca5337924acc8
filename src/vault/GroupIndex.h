#pragma once

#include <cstddef>
#include <string_view>
#include <unordered_map>

#include "vault/RecordTree.h"

// The top-level groups of a tree by their case-folded name, so that a change of many records
// finds each record's group without walking the whole tree. Every load and change keeps
// groups at the top level and records right below them, so FindGroupByName's "first node in
// pre-order that has a child" is the group of lowest row that has one. The index follows the
// tree only through the calls below, and is built on first use.
class TGroupIndex {
public:
    explicit TGroupIndex(const TRecordTree& tree) : FTree(tree) {}
    TGroupIndex(const TGroupIndex&) = delete;
    TGroupIndex& operator=(const TGroupIndex&) = delete;

    // What FindGroupByName answers.
    PNode Find(std::string_view name);
    // The first top-level group of that name, empty or not; null when there is none.
    PNode FindAny(std::string_view name);

    // A node now at the top level; only groups are kept.
    void Added(PNode node);
    // A node about to go or to change its title.
    void Forget(PNode node);

private:
    template <typename TAccept>
    PNode FindFirst(std::string_view name, TAccept accept);
    void Build();

    const TRecordTree& FTree;
    bool FBuilt = false;
    std::unordered_multimap<std::size_t, PNode> FGroups;  // by CaseFoldedHash of the title
};
