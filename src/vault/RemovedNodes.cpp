#include "vault/RemovedNodes.h"

#include <algorithm>
#include <set>
#include <unordered_set>

#include "vault/Clock.h"
#include "vault/VaultChange.h"

namespace {

std::vector<int> RowsFromTop(const TRecordTree& tree, const TRecordTree::TNode* node) {
    std::vector<int> rows;
    for (; node; node = tree.Parent(node)) {
        rows.push_back(node->Row);
    }
    std::reverse(rows.begin(), rows.end());
    return rows;
}

bool UnderOneOf(const TRecordTree& tree, const TRecordTree::TNode* node,
                const std::set<const TRecordTree::TNode*>& nodes) {
    for (const TRecordTree::TNode* up = tree.Parent(node); up; up = tree.Parent(up)) {
        if (nodes.count(up) != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

// One put-back: the Guids in the tree, and the parents as the tree held them before it began
// (nothing goes meanwhile, so its pointers stay good).
class TRemovedNodes::TPutter {
public:
    TPutter(TVaultChange& change, TPutBack& result)
        : FChange(change), FResult(result), FIndex(change.Tree()) {
        const TRecordTree& tree = change.Tree();
        for (PNode node = tree.First(); node; node = tree.Next(node)) {
            FGuids.insert(node->Data.Guid);
        }
    }

    PNode ParentOf(const TEntry& entry) {
        if (entry.AtTopLevel) {
            return nullptr;
        }
        if (const PNode found = FIndex.Find(entry.Parent)) {
            return found;
        }
        return entry.Parent.IsGroup ? FChange.AddGroup(entry.Parent.Title) : nullptr;
    }

    void Put(PNode parent, const TSaved& saved, bool highest) {
        const TNodeData& data = saved.Data;
        PNode node = nullptr;
        if (data.IsGroup && !parent) {
            node = FIndex.Find(TNodeKey{data.Guid, true, data.Title});
        }
        const bool placed = node == nullptr;
        if (placed) {
            if (!data.IsGroup && FGuids.count(data.Guid) != 0) {
                ++FResult.AlreadyPresent;  // back already: its Guid must not be doubled
                return;
            }
            node = data.IsGroup && FGuids.count(data.Guid) != 0
                       ? PutGroupAnew(parent, saved)
                       : FChange.PutBack(parent, saved.Row, data);
            FGuids.insert(node->Data.Guid);
            FResult.Records += data.IsGroup ? 0 : 1;
            if (highest) {
                FResult.Placed.push_back(TNodeKey::Of(*node));
            }
        }
        for (const TSaved& child : saved.Children) {
            Put(node, child, !placed);
        }
    }

private:
    PNode PutGroupAnew(PNode parent, const TSaved& saved) {
        TNodeData data = saved.Data;
        data.Guid = CreateGuid();
        return FChange.PutBack(parent, saved.Row, data);
    }

    TVaultChange& FChange;
    TPutBack& FResult;
    TNodeIndex FIndex;
    std::unordered_set<TGuid, TGuidHash> FGuids;
};

TRemovedNodes::TRemovedNodes(const TRecordTree& tree, const std::vector<PNode>& nodes) {
    const std::set<const TRecordTree::TNode*> chosen(nodes.begin(), nodes.end());
    std::set<const TRecordTree::TNode*> taken;
    for (const PNode node : nodes) {
        if (UnderOneOf(tree, node, chosen) || !taken.insert(node).second) {
            continue;
        }
        TEntry entry;
        const PNode parent = tree.Parent(node);
        entry.AtTopLevel = parent == nullptr;
        if (parent) {
            entry.Parent = TNodeKey::Of(*parent);
        }
        entry.Path = RowsFromTop(tree, node);
        entry.Node = Save(*node, FRecords);
        FEntries.push_back(std::move(entry));
    }
    // In tree order, each parent's rows rising: every row is right once those before it are.
    std::sort(FEntries.begin(), FEntries.end(),
              [](const TEntry& a, const TEntry& b) { return a.Path < b.Path; });
}

TRemovedNodes::TSaved TRemovedNodes::Save(const TRecordTree::TNode& node, std::size_t& records) {
    TSaved saved;
    saved.Data = node.Data;
    saved.Row = node.Row;
    records += node.Data.IsGroup ? 0 : 1;
    saved.Children.reserve(node.Children.size());
    for (const auto& child : node.Children) {
        saved.Children.push_back(Save(*child, records));
    }
    return saved;
}

TRemovedNodes::TPutBack TRemovedNodes::PutBack(TVaultChange& change) const {
    TPutBack result;
    TPutter putter(change, result);
    for (const TEntry& entry : FEntries) {
        putter.Put(putter.ParentOf(entry), entry.Node, true);
    }
    return result;
}
