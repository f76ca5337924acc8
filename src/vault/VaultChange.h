#pragma once

#include <string>
#include <vector>

#include "base/VaultText.h"
#include "vault/GroupIndex.h"
#include "vault/RecordTree.h"

class ITreeObserver;
class TUnsavedChanges;

// The record and group changes of one TVaultSession::Change, and the only way to make them:
// each keeps the shared rules (TreeCommands), tells the session's observer and is remembered
// as unsaved until a save puts it into the file. Groups are found through an index, so that
// a change of many records stays linear.
class TVaultChange {
public:
    TVaultChange(const TVaultChange&) = delete;
    TVaultChange& operator=(const TVaultChange&) = delete;

    const TRecordTree& Tree() const { return FTree; }
    // The text the vault's format holds.
    TVaultTextKind TextKind() const { return FKind; }

    PNode AddRecord(const std::string& groupName, const TNodeData& fields);
    // The record's five texts from fields (moved out), and its group by name.
    void ModifyRecord(PNode record, TNodeData& fields, const std::string& groupName);
    bool MoveRecord(PNode record, const std::string& groupName);
    void RenameGroup(PNode group, const std::string& name);
    // The nodes with everything below them.
    void Remove(const std::vector<PNode>& nodes);

    // A record from elsewhere (another vault, another manager's file) with all of data: its
    // Guid, which no record of the tree may have yet, and its times.
    PNode TakeInRecord(const std::string& groupName, const TNodeData& data);
    PNode TakeInRecord(const std::string& groupName, TNodeData&& data);
    // The five texts and the four times of data put into record in place; its Guid and group
    // stay.
    void TakeInContent(PNode record, const TNodeData& data);
    // A node that a delete took, put back with all of data as child number row of parent (null:
    // the top level; a row past the end puts it last). No node of the tree may have its Guid.
    PNode PutBack(PNode parent, int row, const TNodeData& data);
    // The first top-level group of that name, empty or not; when there is none, a new empty
    // one at the end of the top level.
    PNode AddGroup(const std::string& name);

private:
    friend class TVaultSession;
    TVaultChange(TRecordTree& tree, TUnsavedChanges& unsaved, ITreeObserver* observer,
                 TVaultTextKind kind)
        : FTree(tree), FUnsaved(unsaved), FObserver(observer), FKind(kind), FGroups(tree) {}

    void RecordPut(PNode record);

    TRecordTree& FTree;
    TUnsavedChanges& FUnsaved;
    ITreeObserver* FObserver;
    TVaultTextKind FKind;
    TGroupIndex FGroups;
};
