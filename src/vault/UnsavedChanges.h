#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "vault/RecordTree.h"

// The changes made to an open vault's tree since it was last saved, as steps that can be made
// again on another copy of the vault: what another program saved meanwhile is loaded, and
// these steps put the unsaved changes back on top of it. Records are known by their GUID and
// groups by their name, since a load gives groups fresh GUIDs. Each step keeps a copy of the
// record it puts; the copies are wiped when the steps go.
class TUnsavedChanges {
public:
    TUnsavedChanges() = default;
    TUnsavedChanges(const TUnsavedChanges&) = delete;
    TUnsavedChanges& operator=(const TUnsavedChanges&) = delete;

    bool IsEmpty() const { return FSteps.empty(); }
    void Clear() { FSteps.clear(); }

    // The record as it is now in tree, in the group it is in now: added, edited or moved.
    void RecordPut(const TRecordTree& tree, const TRecordTree::TNode& record);
    // A record or a group with everything below it, removed from tree (called before).
    void NodeRemoved(const TRecordTree::TNode& node);
    void GroupRenamed(const std::string& oldName, const std::string& newName);

    // Makes the steps again on tree, in their order: a put record replaces the one with its
    // GUID (or is added to its group, found by name or made); a removed record goes if it is
    // there; a removed group goes once nothing that another program put in it is left; a
    // renamed group is found by its old name.
    void ApplyTo(TRecordTree& tree) const;

private:
    enum class TKind { PutRecord, RemoveRecord, RemoveGroup, RenameGroup };
    struct TStep {
        TKind Kind;
        TNodeData Data;                    // PutRecord: the record; RemoveRecord: its GUID
        std::optional<std::string> Group;  // PutRecord: its group, none at the top level
        std::string OldName;               // RemoveGroup, RenameGroup
    };

    using TRecordsByGuid = std::map<std::array<std::uint8_t, 16>, PNode>;

    void ApplyPut(TRecordTree& tree, TRecordsByGuid& records, const TStep& step) const;

    std::vector<TStep> FSteps;
};
