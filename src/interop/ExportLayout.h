#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <vector>

#include "vault/RecordTree.h"

// The tree as the exports to other managers write it: its groups in tree order, each with its
// records, and the records at the top level, which belong to no group.
struct TExportGroup {
    const TNodeData* Group = nullptr;
    std::vector<const TNodeData*> Records;
};

struct TExportLayout {
    std::vector<TExportGroup> Groups;
    std::vector<const TNodeData*> TopRecords;
};

// Every group node (an empty one too) is a group; so is any other node that holds records.
TExportLayout LayOutForExport(const TRecordTree& tree);

// Ids unique within one file: a zero Guid, or one given out before, is replaced by a fresh one.
class TUniqueGuids {
public:
    TGuid Take(const TGuid& wanted);

private:
    std::set<std::array<std::uint8_t, 16>> FUsed;
};
