#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>

#include "vault/FlatIndex.h"
#include "vault/RecordTree.h"

class TGroupIndex;

// The changes made to an open vault's tree since it was last saved, as steps that can be made
// again on another copy of the vault: what another program saved meanwhile is loaded, and
// these steps put the unsaved changes back on top of it. Records are known by their GUID and
// groups by their name, since a load gives groups fresh GUIDs.
//
// A put step reads its record from the tree, where every later change of the record puts it
// again; it takes a copy only when the record or the tree is about to go (NodeRemoved,
// KeepRecords), so that a change of many records does not hold each one twice. The copies are
// wiped when the steps go.
class TUnsavedChanges {
public:
    TUnsavedChanges() = default;
    TUnsavedChanges(const TUnsavedChanges&) = delete;
    TUnsavedChanges& operator=(const TUnsavedChanges&) = delete;

    bool IsEmpty() const { return FSteps.empty(); }
    void Clear();

    // The record as it is now in tree, in the group it is in now: added, edited or moved.
    void RecordPut(const TRecordTree& tree, const TRecordTree::TNode& record);
    // A record or a group with everything below it, removed from tree (called before).
    void NodeRemoved(const TRecordTree::TNode& node);
    void GroupRenamed(const std::string& oldName, const std::string& newName);
    // An empty group made at the end of the top level.
    void GroupAdded(const std::string& name);
    // Copies every put record out of the tree, which goes next (a load replaces it).
    void KeepRecords();

    // Makes the steps again on tree, in their order: a put record replaces the one with its
    // GUID (or is added to its group, found by name or made); a removed record goes if it is
    // there; a removed group goes once nothing that another program put in it is left; a
    // renamed group is found by its old name; an added group is made unless a group of its
    // name is there.
    void ApplyTo(TRecordTree& tree) const;

private:
    // Superseded: a put that a later put of the same record made void, skipped until the steps
    // are compacted.
    enum class TKind { PutRecord, RemoveRecord, RemoveGroup, RenameGroup, AddGroup, Superseded };
    struct TStep {
        explicit TStep(TKind kind, const TGuid& guid = {},
                       const TRecordTree::TNode* record = nullptr)
            : Kind(kind), Guid(guid), Record(record) {}

        TKind Kind;
        TGuid Guid;                                  // PutRecord, RemoveRecord
        const TRecordTree::TNode* Record = nullptr;  // PutRecord: in the tree, until copied
        std::unique_ptr<TNodeData> Copy;             // PutRecord: once copied
        bool InGroup = false;                        // PutRecord: false at the top level
        std::string Name;     // PutRecord: its group; RemoveGroup, RenameGroup: the old name;
                              // AddGroup: the name
        std::string NewName;  // RenameGroup

        const TNodeData& Data() const { return Record ? Record->Data : *Copy; }
    };

    using TRecordsByGuid = std::map<std::array<std::uint8_t, 16>, PNode>;

    static void KeepRecord(TStep& step);
    void ApplyPut(TRecordTree& tree, TGroupIndex& groups, TRecordsByGuid& records,
                  const TStep& step) const;
    void Compact();

    std::deque<TStep> FSteps;  // never moved as it grows
    // The live put of each record, so that a put finds the one it supersedes at once.
    std::size_t* LivePut(const TGuid& guid);
    TFlatIndex<std::size_t> FPutAt;
    std::size_t FSuperseded = 0;
};
