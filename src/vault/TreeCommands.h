#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/VaultRules.h"
#include "base/VaultText.h"
#include "vault/RecordTree.h"

class ITreeObserver;
class TGroupIndex;

// Rules on the record tree that the main window and the command-line tool share. Every change
// is announced to the observer, when one is given. The commands that find or make a group by
// name take an index of the tree's groups (GroupIndex), when one is given, instead of walking
// the tree, and keep it current; the answers are the same.

// The first node in pre-order that has at least one child and whose title equals name by
// the case-folded comparison; null when there is none.
PNode FindGroupByName(const TRecordTree& tree, const std::string& name);

// A new top-level group node: fresh Guid, the name, IsGroup, ImageIndex 1, times zero.
PNode AddGroupNode(TRecordTree& tree, const std::string& name, ITreeObserver* observer = nullptr,
                   TGroupIndex* groups = nullptr);

// Puts a new record under the group found by name, or under a new group at the end of the
// top level. The record gets a fresh Guid, the current time twice, ImageIndex 0 and a zero
// spare value; its five texts come from fields.
PNode AddRecordNode(TRecordTree& tree, const std::string& groupName, const TNodeData& fields,
                    ITreeObserver* observer = nullptr, TGroupIndex* groups = nullptr);

// Puts a new record with all of data (Guid and times too) under the group found by name, or
// under a new group at the end of the top level.
PNode AddRecordNodeAsIs(TRecordTree& tree, const std::string& groupName, TNodeData data,
                        ITreeObserver* observer = nullptr, TGroupIndex* groups = nullptr);

// Empties to, then gives it a copy of every node of from, in the same places.
void CopyTree(const TRecordTree& from, TRecordTree& to);

// Puts a node with all of data (Guid, kind and times too) back as child number row of parent
// (null: the top level); a row past the end puts it last. The caller sees that its Guid is
// not in the tree.
PNode InsertNodeAsIs(TRecordTree& tree, PNode parent, int row, TNodeData data,
                     ITreeObserver* observer = nullptr, TGroupIndex* groups = nullptr);

// The group name of a record: its parent's title, or "Default Group" at the top level.
std::string GroupNameOf(const TRecordTree& tree, const TRecordTree::TNode* record);

// Moves a record to the group named groupName (found or made) when that name differs from its
// current group's name by the case-folded comparison. The group it leaves stays. Answers true
// when it moved.
bool MoveRecordToGroup(TRecordTree& tree, PNode record, const std::string& groupName,
                       ITreeObserver* observer = nullptr, TGroupIndex* groups = nullptr);

// Replaces a record's five texts with those of fields (the rest of its data stays), then
// moves it to the group named groupName as MoveRecordToGroup does.
void ModifyRecordNode(TRecordTree& tree, PNode record, TNodeData& fields,
                      const std::string& groupName, ITreeObserver* observer = nullptr,
                      TGroupIndex* groups = nullptr);

// Gives a node a new title (a group's rename).
void RenameNode(PNode node, const std::string& title, ITreeObserver* observer = nullptr,
                TGroupIndex* groups = nullptr);

// Removes the nodes with everything below them. A node below another one of the list goes
// with that one; the list may hold both.
void RemoveNodes(TRecordTree& tree, const std::vector<PNode>& nodes,
                 ITreeObserver* observer = nullptr, TGroupIndex* groups = nullptr);

// The find rule: the record's user name, password or notes contain needle by the case-folded
// comparison. An empty needle matches nothing.
bool RecordMatchesText(const TNodeData& data, std::string_view needle);

// The "Export List" text: seven CR LF lines for every node in pre-order, in the vault's own
// text: Windows-1252 bytes for format 101, UTF-8 for format 2.
std::string ExportListText(const TRecordTree& tree,
                           TVaultTextKind kind = TVaultTextKind::CodePage1252);
