#pragma once

#include <string>

#include "vault/RecordTree.h"

// Rules on the record tree that the main window and the command-line tool share.

// Byte-by-byte comparison with "a" to "z" taken as "A" to "Z": the difference of the first
// differing folded bytes, else the difference of the lengths.
int CaseFoldedCompare(const std::string& a, const std::string& b);

// The first node in pre-order that has at least one child and whose title equals name by
// the case-folded comparison; null when there is none.
PNode FindGroupByName(const TRecordTree& tree, const std::string& name);

// A new top-level group node: fresh Guid, the name, IsGroup, ImageIndex 1, times zero.
PNode AddGroupNode(TRecordTree& tree, const std::string& name);

// Puts a new record under the group found by name, or under a new group at the end of the
// top level. The record gets a fresh Guid, the current time twice, ImageIndex 0 and a zero
// spare value; its five texts come from fields.
PNode AddRecordNode(TRecordTree& tree, const std::string& groupName, const TNodeData& fields);

// The group name of a record: its parent's title, or "Default Group" at the top level.
std::string GroupNameOf(const TRecordTree& tree, const TRecordTree::TNode* record);

// Moves a record to the group named groupName (found or made) when that name differs from its
// current group's name by the case-folded comparison. Answers true when it moved.
bool MoveRecordToGroup(TRecordTree& tree, PNode record, const std::string& groupName);

// The "Export List" text: seven CR LF lines for every node in pre-order.
std::string ExportListText(const TRecordTree& tree);
