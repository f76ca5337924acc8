#include "vault/UnsavedChanges.h"

#include <algorithm>

#include "base/VaultRules.h"
#include "vault/TreeCommands.h"

namespace {

// The first top-level group of that name, empty or not.
PNode FindGroupNode(const TRecordTree& tree, const std::string& name) {
    for (int row = 0; row < tree.ChildCount(nullptr); ++row) {
        const PNode node = tree.Child(nullptr, row);
        if (node->Data.IsGroup && CaseFoldedCompare(node->Data.Title, name) == 0) {
            return node;
        }
    }
    return nullptr;
}

}  // namespace

void TUnsavedChanges::RecordPut(const TRecordTree& tree, const TRecordTree::TNode& record) {
    // A later put of the same record says all that an earlier one said.
    std::erase_if(FSteps, [&](const TStep& step) {
        return step.Kind == TKind::PutRecord && step.Data.Guid == record.Data.Guid;
    });
    TStep step{TKind::PutRecord, record.Data, std::nullopt, {}};
    if (const PNode parent = tree.Parent(&record)) {
        step.Group = parent->Data.Title;
    }
    FSteps.push_back(std::move(step));
}

void TUnsavedChanges::NodeRemoved(const TRecordTree::TNode& node) {
    for (const auto& child : node.Children) {
        NodeRemoved(*child);
    }
    TStep step{node.Data.IsGroup ? TKind::RemoveGroup : TKind::RemoveRecord, {}, {}, {}};
    step.Data.Guid = node.Data.Guid;
    step.OldName = node.Data.Title;
    FSteps.push_back(std::move(step));
}

void TUnsavedChanges::GroupRenamed(const std::string& oldName, const std::string& newName) {
    TStep step{TKind::RenameGroup, {}, std::nullopt, oldName};
    step.Data.Title = newName;
    FSteps.push_back(std::move(step));
}

void TUnsavedChanges::ApplyPut(TRecordTree& tree, TRecordsByGuid& records,
                               const TStep& step) const {
    PNode group = nullptr;
    if (step.Group) {
        group = FindGroupNode(tree, *step.Group);
        if (!group) {
            group = AddGroupNode(tree, *step.Group);
        }
    }
    PNode& record = records[step.Data.Guid.Bytes];
    if (!record) {
        record = tree.AddChild(group);
    } else if (tree.Parent(record) != group) {
        tree.MoveToLastChild(record, group);
    }
    record->Data = step.Data;
}

void TUnsavedChanges::ApplyTo(TRecordTree& tree) const {
    if (FSteps.empty()) {
        return;
    }
    // Looked up once, not walked for every step: a removal may hold thousands of records.
    TRecordsByGuid records;
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        if (!node->Data.IsGroup) {
            records.emplace(node->Data.Guid.Bytes, node);
        }
    }
    for (const TStep& step : FSteps) {
        switch (step.Kind) {
            case TKind::PutRecord:
                ApplyPut(tree, records, step);
                break;
            case TKind::RemoveRecord:
                if (const auto found = records.find(step.Data.Guid.Bytes); found != records.end()) {
                    tree.Delete(found->second);
                    records.erase(found);
                }
                break;
            case TKind::RemoveGroup:
                if (const PNode group = FindGroupNode(tree, step.OldName);
                    group && group->Children.empty()) {
                    tree.Delete(group);
                }
                break;
            case TKind::RenameGroup:
                if (const PNode group = FindGroupNode(tree, step.OldName)) {
                    group->Data.Title = step.Data.Title;
                }
                break;
        }
    }
}
