#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "vault/RecordTree.h"

// What finds a node again after the tree was made anew (a reload): a record by its GUID; a
// group by its GUID while it lasts, else by its name, since a load gives groups fresh GUIDs.
struct TNodeKey {
    TGuid Guid;
    bool IsGroup = false;
    std::string Title;

    static TNodeKey Of(const TRecordTree::TNode& node);
    // The node the key names in tree now; null when it is gone. For many keys, TNodeIndex.
    PNode Find(const TRecordTree& tree) const;
};

// Finds many keys in one tree, each in logarithmic time: a view puts back thousands of
// selected rows after a reload.
class TNodeIndex {
public:
    explicit TNodeIndex(const TRecordTree& tree);
    // The node the key names: the GUID's node if it is of the key's kind, else for a group
    // the first group of that name (A to Z in either case); null when there is none.
    PNode Find(const TNodeKey& key) const;

private:
    std::map<std::array<std::uint8_t, 16>, PNode> FByGuid;
    std::map<std::string, PNode> FGroupsByFoldedName;
};
