#pragma once

#include <cstddef>
#include <vector>

#include "vault/NodeKey.h"
#include "vault/RecordTree.h"

class TVaultChange;

// What one delete took from the tree, kept so that it can be put back: each removed node with
// everything below it, its parent and its row. The copies wipe their texts when they go, so
// whoever holds this drops it at a lock.
class TRemovedNodes {
public:
    // What a put-back did.
    struct TPutBack {
        // The put-back nodes that stand highest, in tree order: what the view shows selected.
        std::vector<TNodeKey> Placed;
        std::size_t Records = 0;
        // Records left out because a record with their Guid is in the vault again.
        std::size_t AlreadyPresent = 0;
    };

    // The nodes as tree holds them now, before they are removed; a node below another one of
    // the list goes with that one.
    TRemovedNodes(const TRecordTree& tree, const std::vector<PNode>& nodes);
    TRemovedNodes(const TRemovedNodes&) = delete;
    TRemovedNodes& operator=(const TRemovedNodes&) = delete;

    bool IsEmpty() const { return FEntries.empty(); }
    // The records taken, those inside the groups taken too.
    std::size_t RecordCount() const { return FRecords; }

    // Puts the nodes back where they were: under the same parent (a group by its Guid, else
    // by its name, made anew at the end when gone), at the same row where the rows allow. A
    // group whose name is in use again gives its records to that group. Records keep their
    // Guids and times; one whose Guid is in the tree again stays out, and a group whose Guid
    // a record took gets a fresh one, so no Guid is ever doubled.
    TPutBack PutBack(TVaultChange& change) const;

private:
    struct TSaved {
        TNodeData Data;
        int Row = 0;
        std::vector<TSaved> Children;
    };
    struct TEntry {
        bool AtTopLevel = true;
        TNodeKey Parent;        // unless AtTopLevel
        std::vector<int> Path;  // rows from the top, to put the entries back in tree order
        TSaved Node;
    };
    class TPutter;

    static TSaved Save(const TRecordTree::TNode& node, std::size_t& records);

    std::vector<TEntry> FEntries;
    std::size_t FRecords = 0;
};
