#include "vault/SlotLoader.h"

#include <algorithm>
#include <string>

#include "base/Cp1252.h"
#include "base/StringTable.h"
#include "vault/Clock.h"

using namespace VaultFormat;

namespace {

PNode AddLoadedGroup(TRecordTree& tree, std::string title) {
    PNode group = tree.AddChild(nullptr);
    group->Data.Guid = CreateGuid();
    group->Data.Title = std::move(title);
    group->Data.IsGroup = true;
    group->Data.ImageIndex = kGroupImageIndex;
    return group;
}

}  // namespace

void TSlotLoader::Add(const std::uint8_t* slot) {
    const TSlotInfo info = DecodeSlotInfo(slot);
    if (info.SlotMagic != kMagic) {
        return;
    }
    if (info.GroupFlag != 0) {
        FGroup =
            AddLoadedGroup(FTree, Cp1252ToUtf8(ReadTextField(slot + kTitleOffset, kTitleSize)));
        return;
    }
    if (!FGroup) {
        FGroup = AddLoadedGroup(FTree, std::string(Str::sDefaultGroup));
    }
    PNode record = FTree.AddChild(FGroup);
    DecodeSlotFields(slot, record->Data);
    record->Data.IsGroup = false;
    record->Data.ImageIndex = kRecordImageIndex;
}

std::uint32_t CountedSlotsHeld(const TVaultHeader& header, std::uint32_t size) {
    const auto counted = static_cast<std::uint32_t>(std::max(header.RecordCount, 0));
    return std::min(counted, (size - kHeaderSize) / kSlotSize);
}
