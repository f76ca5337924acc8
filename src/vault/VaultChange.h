#pragma once

#include <string>
#include <vector>

#include "vault/RecordTree.h"

class ITreeObserver;
class TUnsavedChanges;

// The record and group changes of one TVaultSession::Change, and the only way to make them:
// each keeps the shared rules (TreeCommands), tells the session's observer and is remembered
// as unsaved until a save puts it into the file.
class TVaultChange {
public:
    TVaultChange(const TVaultChange&) = delete;
    TVaultChange& operator=(const TVaultChange&) = delete;

    const TRecordTree& Tree() const { return FTree; }

    PNode AddRecord(const std::string& groupName, const TNodeData& fields);
    // The record's five texts from fields (moved out), and its group by name.
    void ModifyRecord(PNode record, TNodeData& fields, const std::string& groupName);
    bool MoveRecord(PNode record, const std::string& groupName);
    void RenameGroup(PNode group, const std::string& name);
    // The nodes with everything below them.
    void Remove(const std::vector<PNode>& nodes);

private:
    friend class TVaultSession;
    TVaultChange(TRecordTree& tree, TUnsavedChanges& unsaved, ITreeObserver* observer)
        : FTree(tree), FUnsaved(unsaved), FObserver(observer) {}

    void RecordPut(PNode record);

    TRecordTree& FTree;
    TUnsavedChanges& FUnsaved;
    ITreeObserver* FObserver;
};
