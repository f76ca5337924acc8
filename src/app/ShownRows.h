#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "vault/RecordTree.h"

// The rows a filtered record tree shows: the records whose title, user name, URL or notes hold
// the filter text (never the password), letters A to Z matched in either case as the find
// does, under their groups. Every shown level keeps its shown children in tree order, so a
// node's row is found by its place in the tree. The lists follow the tree only as told: the
// record tree model adds and removes rows as the tree changes.
class TShownRows {
public:
    using TNode = TRecordTree::TNode;

    explicit TShownRows(const TRecordTree& tree) : FTree(tree) {}
    TShownRows(const TShownRows&) = delete;
    TShownRows& operator=(const TShownRows&) = delete;
    ~TShownRows();

    // True while there is a filter text.
    bool IsFiltering() const { return !FNeedle.empty(); }
    // True when needle is the filter text now, but for the case of letters A to Z.
    bool IsNeedle(std::string_view needle) const;
    // Takes the filter text and lists what it shows: from what is shown already when the text
    // holds the last one (a keystroke that narrows), else from the whole tree. An empty text
    // lists nothing.
    void SetNeedle(std::string_view needle);
    bool Matches(const TNodeData& data) const;

    // The lists made anew from the tree, and dropped (before the tree's nodes go).
    void Rebuild();
    void Drop() { FRows.clear(); }
    // After a sort of the tree's levels.
    void SortByRows();

    // The shown children of parent (null: the top level); null when parent is not shown.
    const std::vector<PNode>* ChildrenOf(const TNode* parent) const;
    // The node's row among its parent's shown children, or -1.
    int RowOf(const TNode* node) const;
    // The row the node takes among its parent's shown children when added.
    int PlaceOf(const TNode* node) const;
    // Adds the node to its parent's shown children; the parent is shown or the top level.
    void Add(const TNode* node);
    // Takes the shown node out with everything below it; true when its parent, a group, has
    // no shown child left.
    bool Remove(const TNode* node);

private:
    bool Collect(const TNode* parent);
    bool Narrow(const TNode* parent);
    void ForgetBelow(const TNode* node);

    const TRecordTree& FTree;
    // Letters A to Z in lower case.
    std::string FNeedle;
    std::unordered_map<const TNode*, std::vector<PNode>> FRows;
};
