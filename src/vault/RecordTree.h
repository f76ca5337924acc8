#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "vault/NodeData.h"

// The in-memory copy of an open vault: groups at the top level, records as their children.
// Every node owns one TNodeData, zero-filled when the node is made. Selection and other view
// state are the view's business and live elsewhere.
class TRecordTree {
public:
    struct TNode {
        TNodeData Data;
        TNode* Parent = nullptr;  // the tree's hidden root for a top-level node
        std::vector<std::unique_ptr<TNode>> Children;
        int Row = 0;  // position among the parent's children, kept current by the tree
    };

    // Answers a negative, zero or positive value, like strcmp.
    using TCompare = std::function<int(const TNodeData&, const TNodeData&)>;

    TRecordTree();
    TRecordTree(const TRecordTree&) = delete;
    TRecordTree& operator=(const TRecordTree&) = delete;

    // Adds a node with zero-filled data as the last child of parent, or at the end of the
    // top level when parent is null.
    TNode* AddChild(TNode* parent);
    // Adds a node with zero-filled data as child number row of parent (the top level when
    // null); a row past the end adds it last.
    TNode* InsertChild(TNode* parent, int row);
    // Deletes the node with all its children.
    void Delete(TNode* node);
    void Clear();
    // Exchanges the whole content with other; node pointers stay valid, in their new tree.
    void Swap(TRecordTree& other) noexcept;
    // Makes the node the last child of newParent (null: the end of the top level).
    void MoveToLastChild(TNode* node, TNode* newParent);

    // Depth-first pre-order over all nodes, collapsed or not. Null at the end.
    TNode* First() const;
    TNode* Next(const TNode* node) const;

    // The parent node, or null for a top-level node.
    TNode* Parent(const TNode* node) const;
    // Children of parent, or of the top level when parent is null.
    int ChildCount(const TNode* parent) const;
    TNode* Child(const TNode* parent, int row) const;

    std::size_t Count() const { return FCount; }
    bool IsEmpty() const { return FCount == 0; }
    // True when node is one of this tree's nodes now. Linear in the tree's size.
    bool Contains(const TNode* node) const;

    // Sorts every level by compare; nodes that compare equal keep their order.
    void Sort(const TCompare& compare, bool descending);

    // Calls visit for every node in pre-order.
    void ForEach(const std::function<void(TNode&)>& visit) const;

private:
    TNode* ContainerOf(TNode* parent) const;
    static void Renumber(TNode& parent, std::size_t from);
    static std::size_t CountSubtree(const TNode& node);
    void SortLevel(TNode& parent, const TCompare& compare, bool descending);

    std::unique_ptr<TNode> FRoot;
    std::size_t FCount = 0;
};

using PNode = TRecordTree::TNode*;
