#pragma once

#include <cstdint>

#include "vault/RecordTree.h"
#include "vault/VaultFormat.h"

// How a format-101 vault's decrypted slots become tree nodes, one slot at a time: each record
// under the nearest group slot before it, or under a "Default Group" made for records that
// come before any group. A slot without the vault magic is skipped. Groups get fresh Guids.
class TSlotLoader {
public:
    explicit TSlotLoader(TRecordTree& tree) : FTree(tree) {}

    void Add(const std::uint8_t* slot);

private:
    TRecordTree& FTree;
    PNode FGroup = nullptr;
};

// The counted slots that a file of size bytes holds whole; a partial last slot is not one.
// Whatever lies beyond them is no part of the vault.
std::uint32_t CountedSlotsHeld(const VaultFormat::TVaultHeader& header, std::uint32_t size);
