#include "interop/RecordContentIndex.h"

#include <functional>

#include "base/StringTable.h"
#include "base/VaultRules.h"

namespace {

std::size_t ContentHash(std::string_view group, std::string_view title, const TNodeData& data) {
    const std::hash<std::string_view> hash;
    std::size_t combined = CaseFoldedHash(group);
    for (const std::string_view text :
         {title, std::string_view(data.UserName), std::string_view(data.Password),
          std::string_view(data.Url), std::string_view(data.Notes)}) {
        combined = (combined ^ hash(text)) * 0x9E3779B97F4A7C15ull;
        combined ^= combined >> 29;
    }
    return combined;
}

}  // namespace

std::string_view GroupNameViewOf(const TRecordTree& tree, const TRecordTree::TNode* record) {
    const PNode parent = tree.Parent(record);
    return parent ? std::string_view(parent->Data.Title) : Str::sDefaultGroup;
}

TRecordContentIndex::TRecordContentIndex(const TRecordTree& tree, std::size_t more) : FTree(tree) {
    FRecords.Reserve(tree.Count() + more);
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        if (!node->Data.IsGroup) {
            Add(node);
        }
    }
}

PNode TRecordContentIndex::Find(std::string_view group, std::string_view title,
                                const TNodeData& data) const {
    const PNode* found = FRecords.Find(ContentHash(group, title, data), [&](PNode record) {
        const TNodeData& held = record->Data;
        return held.Title == title && held.UserName == data.UserName &&
               held.Password == data.Password && held.Url == data.Url && held.Notes == data.Notes &&
               CaseFoldedCompare(GroupNameViewOf(FTree, record), group) == 0;
    });
    return found ? *found : nullptr;
}

void TRecordContentIndex::Add(PNode record) {
    const TNodeData& data = record->Data;
    FRecords.Insert(ContentHash(GroupNameViewOf(FTree, record), data.Title, data), record);
}

void TRecordContentIndex::Forget(PNode record) {
    const TNodeData& data = record->Data;
    FRecords.Erase(ContentHash(GroupNameViewOf(FTree, record), data.Title, data),
                   [record](PNode held) { return held == record; });
}
