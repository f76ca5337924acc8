#include "vault/VaultChange.h"

#include "vault/Clock.h"
#include "vault/TreeCommands.h"
#include "vault/TreeObserver.h"
#include "vault/UnsavedChanges.h"

void TVaultChange::RecordPut(PNode record) {
    FUnsaved.RecordPut(FTree, *record);
}

PNode TVaultChange::AddRecord(const std::string& groupName, const TNodeData& fields) {
    const PNode record = AddRecordNode(FTree, groupName, fields, FObserver, &FGroups);
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
    ModifyRecordNode(FTree, record, fields, groupName, FObserver, &FGroups);
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
    const bool moved = MoveRecordToGroup(FTree, record, groupName, FObserver, &FGroups);
    if (moved) {
        RecordPut(record);
    }
    return moved;
}

void TVaultChange::RenameGroup(PNode group, const std::string& name) {
    const std::string oldName = group->Data.Title;
    RenameNode(group, name, FObserver, &FGroups);
    FUnsaved.GroupRenamed(oldName, name);
}

void TVaultChange::Remove(const std::vector<PNode>& nodes) {
    for (const PNode node : nodes) {
        FUnsaved.NodeRemoved(*node);
    }
    RemoveNodes(FTree, nodes, FObserver, &FGroups);
}

PNode TVaultChange::TakeInRecord(const std::string& groupName, const TNodeData& data) {
    return TakeInRecord(groupName, TNodeData(data));
}

PNode TVaultChange::TakeInRecord(const std::string& groupName, TNodeData&& data) {
    const PNode record = AddRecordNodeAsIs(FTree, groupName, std::move(data), FObserver, &FGroups);
    RecordPut(record);
    return record;
}

void TVaultChange::TakeInContent(PNode record, const TNodeData& data) {
    TNodeData& kept = record->Data;
    kept.Title = data.Title;
    kept.UserName = data.UserName;
    WipeString(kept.Password);  // a shorter password would leave the old one's end behind
    kept.Password = data.Password;
    WipeString(kept.Notes);
    kept.Notes = data.Notes;
    kept.Url = data.Url;
    kept.AddedTime = data.AddedTime;
    kept.AddedTime2 = data.AddedTime2;
    kept.ModifiedTime = data.ModifiedTime;
    kept.PasswordChangedTime = data.PasswordChangedTime;
    if (FObserver) {
        FObserver->NodeChanged(record);
    }
    RecordPut(record);
}

PNode TVaultChange::PutBack(PNode parent, int row, const TNodeData& data) {
    const PNode node = InsertNodeAsIs(FTree, parent, row, data, FObserver, &FGroups);
    if (node->Data.IsGroup) {
        FUnsaved.GroupAdded(node->Data.Title);
    } else {
        RecordPut(node);
    }
    return node;
}

PNode TVaultChange::AddGroup(const std::string& name) {
    if (const PNode group = FGroups.FindAny(name)) {
        return group;
    }
    const PNode group = AddGroupNode(FTree, name, FObserver, &FGroups);
    FUnsaved.GroupAdded(name);
    return group;
}
