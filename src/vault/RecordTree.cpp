#include "vault/RecordTree.h"

#include <algorithm>

TRecordTree::TRecordTree() : FRoot(std::make_unique<TNode>()) {}

TRecordTree::TNode* TRecordTree::ContainerOf(TNode* parent) const {
    return parent ? parent : FRoot.get();
}

void TRecordTree::Renumber(TNode& parent, std::size_t from) {
    for (std::size_t i = from; i < parent.Children.size(); ++i) {
        parent.Children[i]->Row = static_cast<int>(i);
    }
}

std::size_t TRecordTree::CountSubtree(const TNode& node) {
    std::size_t count = 1;
    for (const auto& child : node.Children) {
        count += CountSubtree(*child);
    }
    return count;
}

TRecordTree::TNode* TRecordTree::AddChild(TNode* parent) {
    TNode* container = ContainerOf(parent);
    auto node = std::make_unique<TNode>();
    node->Parent = container;
    node->Row = static_cast<int>(container->Children.size());
    container->Children.push_back(std::move(node));
    ++FCount;
    return container->Children.back().get();
}

TRecordTree::TNode* TRecordTree::InsertChild(TNode* parent, int row) {
    TNode* container = ContainerOf(parent);
    const auto at =
        std::min(static_cast<std::size_t>(std::max(row, 0)), container->Children.size());
    auto node = std::make_unique<TNode>();
    node->Parent = container;
    TNode* inserted = node.get();
    container->Children.insert(container->Children.begin() + static_cast<std::ptrdiff_t>(at),
                               std::move(node));
    Renumber(*container, at);
    ++FCount;
    return inserted;
}

void TRecordTree::Delete(TNode* node) {
    if (!node) {
        return;
    }
    TNode* parent = node->Parent;
    const auto row = static_cast<std::size_t>(node->Row);
    FCount -= CountSubtree(*node);
    parent->Children.erase(parent->Children.begin() + static_cast<std::ptrdiff_t>(row));
    Renumber(*parent, row);
}

void TRecordTree::Clear() {
    FRoot->Children.clear();
    FCount = 0;
}

void TRecordTree::Swap(TRecordTree& other) noexcept {
    std::swap(FRoot, other.FRoot);
    std::swap(FCount, other.FCount);
}

void TRecordTree::MoveToLastChild(TNode* node, TNode* newParent) {
    TNode* oldParent = node->Parent;
    TNode* container = ContainerOf(newParent);
    const auto row = static_cast<std::size_t>(node->Row);
    std::unique_ptr<TNode> owned = std::move(oldParent->Children[row]);
    oldParent->Children.erase(oldParent->Children.begin() + static_cast<std::ptrdiff_t>(row));
    Renumber(*oldParent, row);
    owned->Parent = container;
    owned->Row = static_cast<int>(container->Children.size());
    container->Children.push_back(std::move(owned));
}

TRecordTree::TNode* TRecordTree::First() const {
    return FRoot->Children.empty() ? nullptr : FRoot->Children.front().get();
}

TRecordTree::TNode* TRecordTree::Next(const TNode* node) const {
    if (!node) {
        return nullptr;
    }
    if (!node->Children.empty()) {
        return node->Children.front().get();
    }
    while (node != FRoot.get()) {
        const TNode* parent = node->Parent;
        const auto nextRow = static_cast<std::size_t>(node->Row) + 1;
        if (nextRow < parent->Children.size()) {
            return parent->Children[nextRow].get();
        }
        node = parent;
    }
    return nullptr;
}

TRecordTree::TNode* TRecordTree::Parent(const TNode* node) const {
    if (!node || node->Parent == FRoot.get()) {
        return nullptr;
    }
    return node->Parent;
}

int TRecordTree::ChildCount(const TNode* parent) const {
    const TNode* container = parent ? parent : FRoot.get();
    return static_cast<int>(container->Children.size());
}

TRecordTree::TNode* TRecordTree::Child(const TNode* parent, int row) const {
    const TNode* container = parent ? parent : FRoot.get();
    if (row < 0 || static_cast<std::size_t>(row) >= container->Children.size()) {
        return nullptr;
    }
    return container->Children[static_cast<std::size_t>(row)].get();
}

bool TRecordTree::Contains(const TNode* node) const {
    if (!node) {
        return false;
    }
    for (const TNode* n = First(); n; n = Next(n)) {
        if (n == node) {
            return true;
        }
    }
    return false;
}

void TRecordTree::SortLevel(TNode& parent, const TCompare& compare, bool descending) {
    auto less = [&](const std::unique_ptr<TNode>& a, const std::unique_ptr<TNode>& b) {
        return descending ? compare(b->Data, a->Data) < 0 : compare(a->Data, b->Data) < 0;
    };
    std::stable_sort(parent.Children.begin(), parent.Children.end(), less);
    Renumber(parent, 0);
    for (auto& child : parent.Children) {
        if (!child->Children.empty()) {
            SortLevel(*child, compare, descending);
        }
    }
}

void TRecordTree::Sort(const TCompare& compare, bool descending) {
    SortLevel(*FRoot, compare, descending);
}

void TRecordTree::ForEach(const std::function<void(TNode&)>& visit) const {
    for (TNode* n = First(); n; n = Next(n)) {
        visit(*n);
    }
}
