#pragma once

#include <cstddef>
#include <string_view>

#include "vault/FlatIndex.h"
#include "vault/RecordTree.h"

// The records of a tree by their content: the group name by the case-folded comparison (as
// groups are found), title, user name, password, URL and notes exactly. It keeps a hash and
// the node, never a copy of a text. The index follows the tree only through Add and Forget.
class TRecordContentIndex {
public:
    // Every record of tree, with room for adding more records without a rebuild.
    explicit TRecordContentIndex(const TRecordTree& tree, std::size_t more = 0);
    TRecordContentIndex(const TRecordContentIndex&) = delete;
    TRecordContentIndex& operator=(const TRecordContentIndex&) = delete;

    // A record of the group's name with data's texts, the title replaced by title; null when
    // there is none.
    PNode Find(std::string_view group, std::string_view title, const TNodeData& data) const;
    PNode Find(std::string_view group, const TNodeData& data) const {
        return Find(group, data.Title, data);
    }

    void Add(PNode record);
    // A record about to go, or to change its content or group.
    void Forget(PNode record);

private:
    const TRecordTree& FTree;
    TFlatIndex<PNode> FRecords;
};

// A record's group name as the tree gives it: its parent's title, or "Default Group" at the top
// level (GroupNameOf, without a copy).
std::string_view GroupNameViewOf(const TRecordTree& tree, const TRecordTree::TNode* record);
