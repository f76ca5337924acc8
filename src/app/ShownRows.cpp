#include "app/ShownRows.h"

#include <algorithm>

#include "base/VaultRules.h"
#include "base/Wipe.h"

namespace {

bool ByRow(const TRecordTree::TNode* a, const TRecordTree::TNode* b) {
    return a->Row < b->Row;
}

// Where node stands in a list of shown siblings in tree order, or would stand.
std::vector<PNode>::const_iterator PlaceIn(const std::vector<PNode>& rows,
                                           const TRecordTree::TNode* node) {
    return std::lower_bound(rows.begin(), rows.end(), node, ByRow);
}

// The text with its letters A to Z in lower case, as the folded comparison sees it.
std::string Folded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        c = static_cast<char>(FoldAZ(c));
    }
    return folded;
}

// ContainsCaseFolded for a needle folded once beforehand: the filter runs it on every field of
// every record at a keystroke.
bool HoldsFolded(std::string_view haystack, std::string_view needle) {
    if (needle.empty() || haystack.size() < needle.size()) {
        return false;
    }
    const auto first = static_cast<unsigned char>(needle[0]);
    const std::size_t last = haystack.size() - needle.size();
    for (std::size_t at = 0; at <= last; ++at) {
        if (FoldAZ(haystack[at]) != first) {
            continue;
        }
        std::size_t k = 1;
        while (k < needle.size() &&
               FoldAZ(haystack[at + k]) == static_cast<unsigned char>(needle[k])) {
            ++k;
        }
        if (k == needle.size()) {
            return true;
        }
    }
    return false;
}

}  // namespace

TShownRows::~TShownRows() {
    WipeString(FNeedle);  // the text may be part of a password
}

bool TShownRows::IsNeedle(std::string_view needle) const {
    return CaseFoldedCompare(needle, FNeedle) == 0;
}

void TShownRows::SetNeedle(std::string_view needle) {
    std::string folded = Folded(needle);
    // Every record that holds the longer text holds the shorter one.
    const bool narrows = IsFiltering() && HoldsFolded(folded, FNeedle);
    WipeString(FNeedle);
    FNeedle.swap(folded);
    if (narrows) {
        Narrow(nullptr);
    } else {
        Rebuild();
    }
}

bool TShownRows::Matches(const TNodeData& data) const {
    return HoldsFolded(data.Title, FNeedle) || HoldsFolded(data.UserName, FNeedle) ||
           HoldsFolded(data.Url, FNeedle) || HoldsFolded(data.Notes, FNeedle);
}

void TShownRows::Rebuild() {
    FRows.clear();
    if (IsFiltering()) {
        Collect(nullptr);
    }
}

// Lists the shown children of parent; true when it has any. A group shows when a record below
// it does, never for its own name.
bool TShownRows::Collect(const TNode* parent) {
    std::vector<PNode> rows;
    const int count = FTree.ChildCount(parent);
    for (int row = 0; row < count; ++row) {
        const PNode child = FTree.Child(parent, row);
        const bool shown =
            child->Children.empty() ? !child->Data.IsGroup && Matches(child->Data) : Collect(child);
        if (shown) {
            rows.push_back(child);
        }
    }
    const bool any = !rows.empty();
    if (any || !parent) {
        FRows[parent] = std::move(rows);
    }
    return any;
}

// Drops from parent's list what the longer text no longer matches; true when a child stays.
bool TShownRows::Narrow(const TNode* parent) {
    const auto found = FRows.find(parent);
    if (found == FRows.end()) {
        return false;
    }
    std::vector<PNode>& rows = found->second;
    std::erase_if(rows, [this](PNode child) {
        return child->Children.empty() ? !Matches(child->Data) : !Narrow(child);
    });
    if (rows.empty() && parent) {
        FRows.erase(found);
        return false;
    }
    return true;
}

void TShownRows::SortByRows() {
    for (auto& [parent, rows] : FRows) {
        std::sort(rows.begin(), rows.end(), ByRow);
    }
}

const std::vector<PNode>* TShownRows::ChildrenOf(const TNode* parent) const {
    const auto found = FRows.find(parent);
    return found == FRows.end() ? nullptr : &found->second;
}

int TShownRows::RowOf(const TNode* node) const {
    const std::vector<PNode>* rows = ChildrenOf(FTree.Parent(node));
    if (!rows) {
        return -1;
    }
    const auto at = PlaceIn(*rows, node);
    return at != rows->end() && *at == node ? static_cast<int>(at - rows->begin()) : -1;
}

int TShownRows::PlaceOf(const TNode* node) const {
    const std::vector<PNode>* rows = ChildrenOf(FTree.Parent(node));
    return rows ? static_cast<int>(PlaceIn(*rows, node) - rows->begin()) : 0;
}

void TShownRows::Add(const TNode* node) {
    std::vector<PNode>& rows = FRows[FTree.Parent(node)];
    rows.insert(PlaceIn(rows, node), const_cast<PNode>(node));
}

bool TShownRows::Remove(const TNode* node) {
    const PNode parent = FTree.Parent(node);
    std::vector<PNode>& rows = FRows[parent];
    rows.erase(PlaceIn(rows, node));
    ForgetBelow(node);
    return parent && rows.empty();
}

void TShownRows::ForgetBelow(const TNode* node) {
    const auto found = FRows.find(node);
    if (found == FRows.end()) {
        return;
    }
    for (const PNode child : found->second) {
        ForgetBelow(child);
    }
    FRows.erase(found);
}
