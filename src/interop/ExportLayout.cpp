#include "interop/ExportLayout.h"

#include <map>

#include "vault/Clock.h"

TExportLayout LayOutForExport(const TRecordTree& tree) {
    TExportLayout layout;
    std::map<const TRecordTree::TNode*, std::size_t> groupOf;
    const auto groupIndex = [&](const TRecordTree::TNode* node) {
        const auto [at, added] = groupOf.try_emplace(node, layout.Groups.size());
        if (added) {
            layout.Groups.push_back({&node->Data, {}});
        }
        return at->second;
    };
    tree.ForEach([&](TRecordTree::TNode& node) {
        if (node.Data.IsGroup) {
            groupIndex(&node);
        } else if (const TRecordTree::TNode* parent = tree.Parent(&node)) {
            layout.Groups[groupIndex(parent)].Records.push_back(&node.Data);
        } else {
            layout.TopRecords.push_back(&node.Data);
        }
    });
    return layout;
}

TGuid TUniqueGuids::Take(const TGuid& wanted) {
    TGuid guid = wanted;
    while (guid == TGuid{} || !FUsed.insert(guid.Bytes).second) {
        guid = CreateGuid();
    }
    return guid;
}
