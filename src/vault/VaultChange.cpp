#include "vault/VaultChange.h"

#include "vault/Clock.h"
#include "vault/TreeCommands.h"
#include "vault/UnsavedChanges.h"

void TVaultChange::RecordPut(PNode record) {
    FUnsaved.RecordPut(FTree, *record);
}

PNode TVaultChange::AddRecord(const std::string& groupName, const TNodeData& fields) {
    const PNode record = AddRecordNode(FTree, groupName, fields, FObserver);
    record->Data.ModifiedTime = NowAsDateTime();
    record->Data.PasswordChangedTime = record->Data.ModifiedTime;
    RecordPut(record);
    return record;
}

void TVaultChange::ModifyRecord(PNode record, TNodeData& fields, const std::string& groupName) {
    const TNodeData& data = record->Data;
    const bool passwordChanged = fields.Password != data.Password;
    const bool changed = passwordChanged || fields.Title != data.Title ||
                         fields.UserName != data.UserName || fields.Notes != data.Notes ||
                         fields.Url != data.Url;
    ModifyRecordNode(FTree, record, fields, groupName, FObserver);
    // Format 2 keeps when a record last changed and when its password did; 101 has no room.
    const TDateTime now = NowAsDateTime();
    if (changed) {
        record->Data.ModifiedTime = now;
    }
    if (passwordChanged) {
        record->Data.PasswordChangedTime = now;
    }
    RecordPut(record);
}

bool TVaultChange::MoveRecord(PNode record, const std::string& groupName) {
    const bool moved = MoveRecordToGroup(FTree, record, groupName, FObserver);
    if (moved) {
        RecordPut(record);
    }
    return moved;
}

void TVaultChange::RenameGroup(PNode group, const std::string& name) {
    const std::string oldName = group->Data.Title;
    RenameNode(group, name, FObserver);
    FUnsaved.GroupRenamed(oldName, name);
}

void TVaultChange::Remove(const std::vector<PNode>& nodes) {
    for (const PNode node : nodes) {
        FUnsaved.NodeRemoved(*node);
    }
    RemoveNodes(FTree, nodes, FObserver);
}
