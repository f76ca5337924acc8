#include "vault/UnsavedChanges.h"

#include <algorithm>

#include "vault/GroupIndex.h"
#include "vault/TreeCommands.h"

void TUnsavedChanges::Clear() {
    FSteps.clear();
    FPutAt.Clear();
    FSuperseded = 0;
}

void TUnsavedChanges::Compact() {
    std::erase_if(FSteps, [](const TStep& step) { return step.Kind == TKind::Superseded; });
    FSuperseded = 0;
    FPutAt.Clear();
    for (std::size_t at = 0; at < FSteps.size(); ++at) {
        if (FSteps[at].Kind == TKind::PutRecord) {
            FPutAt.Insert(TGuidHash{}(FSteps[at].Guid), at);
        }
    }
}

std::size_t* TUnsavedChanges::LivePut(const TGuid& guid) {
    return FPutAt.Find(TGuidHash{}(guid), [&](std::size_t at) { return FSteps[at].Guid == guid; });
}

void TUnsavedChanges::KeepRecord(TStep& step) {
    if (step.Record) {
        step.Copy = std::make_unique<TNodeData>(step.Record->Data);
        step.Record = nullptr;
    }
}

void TUnsavedChanges::KeepRecords() {
    for (TStep& step : FSteps) {
        KeepRecord(step);
    }
}

void TUnsavedChanges::RecordPut(const TRecordTree& tree, const TRecordTree::TNode& record) {
    // A later put of the same record says all that an earlier one said.
    if (std::size_t* put = LivePut(record.Data.Guid)) {
        TStep& earlier = FSteps[*put];
        earlier.Kind = TKind::Superseded;
        earlier.Record = nullptr;
        earlier.Copy.reset();
        ++FSuperseded;
        *put = FSteps.size();
    } else {
        FPutAt.Insert(TGuidHash{}(record.Data.Guid), FSteps.size());
    }
    TStep& step = FSteps.emplace_back(TKind::PutRecord, record.Data.Guid, &record);
    if (const PNode parent = tree.Parent(&record)) {
        step.InGroup = true;
        step.Name = parent->Data.Title;
    }
    if (FSuperseded > FSteps.size() / 2) {
        Compact();
    }
}

void TUnsavedChanges::NodeRemoved(const TRecordTree::TNode& node) {
    for (const auto& child : node.Children) {
        NodeRemoved(*child);
    }
    if (const std::size_t* put = LivePut(node.Data.Guid); put && FSteps[*put].Record == &node) {
        KeepRecord(FSteps[*put]);
    }
    TStep& step = FSteps.emplace_back(node.Data.IsGroup ? TKind::RemoveGroup : TKind::RemoveRecord,
                                      node.Data.Guid);
    step.Name = node.Data.Title;
}

void TUnsavedChanges::GroupRenamed(const std::string& oldName, const std::string& newName) {
    TStep& step = FSteps.emplace_back(TKind::RenameGroup);
    step.Name = oldName;
    step.NewName = newName;
}

void TUnsavedChanges::GroupAdded(const std::string& name) {
    FSteps.emplace_back(TKind::AddGroup).Name = name;
}

void TUnsavedChanges::ApplyPut(TRecordTree& tree, TGroupIndex& groups, TRecordsByGuid& records,
                               const TStep& step) const {
    PNode group = nullptr;
    if (step.InGroup) {
        group = groups.FindAny(step.Name);
        if (!group) {
            group = AddGroupNode(tree, step.Name, nullptr, &groups);
        }
    }
    PNode& record = records[step.Guid.Bytes];
    if (!record) {
        record = tree.AddChild(group);
    } else if (tree.Parent(record) != group) {
        tree.MoveToLastChild(record, group);
    }
    record->Data = step.Data();
}

void TUnsavedChanges::ApplyTo(TRecordTree& tree) const {
    if (FSteps.empty()) {
        return;
    }
    // Looked up once, not walked for every step: a removal may hold thousands of records. A
    // group is the first top-level group of its name, empty or not.
    TGroupIndex groups(tree);
    TRecordsByGuid records;
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        if (!node->Data.IsGroup) {
            records.emplace(node->Data.Guid.Bytes, node);
        }
    }
    for (const TStep& step : FSteps) {
        switch (step.Kind) {
            case TKind::PutRecord:
                ApplyPut(tree, groups, records, step);
                break;
            case TKind::RemoveRecord:
                if (const auto found = records.find(step.Guid.Bytes); found != records.end()) {
                    tree.Delete(found->second);
                    records.erase(found);
                }
                break;
            case TKind::RemoveGroup:
                if (const PNode group = groups.FindAny(step.Name);
                    group && group->Children.empty()) {
                    groups.Forget(group);
                    tree.Delete(group);
                }
                break;
            case TKind::RenameGroup:
                if (const PNode group = groups.FindAny(step.Name)) {
                    RenameNode(group, step.NewName, nullptr, &groups);
                }
                break;
            case TKind::AddGroup:
                if (!groups.FindAny(step.Name)) {
                    AddGroupNode(tree, step.Name, nullptr, &groups);
                }
                break;
            case TKind::Superseded:
                break;
        }
    }
}
