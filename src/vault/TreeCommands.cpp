#include "vault/TreeCommands.h"

#include <algorithm>
#include <set>

#include "base/StringTable.h"
#include "base/Wipe.h"
#include "vault/Clock.h"
#include "vault/GroupIndex.h"
#include "vault/TreeObserver.h"

namespace {

void AppendLine(std::string& text, std::string_view a, std::string_view b = {},
                std::string_view c = {}) {
    text.append(a).append(b).append(c).append("\r\n");
}

constexpr std::string_view kExportSeparator = "--------------------------------------";

// Announces one insertion around the scope it lives in.
class TInsertion {
public:
    TInsertion(ITreeObserver* observer, const TRecordTree::TNode* parent, int row)
        : FEnd(observer, &ITreeObserver::NodeInserted) {
        if (observer) {
            observer->NodeInserting(parent, row);
        }
    }

private:
    TObserverScopeEnd FEnd;
};

PNode FindOrAddGroup(TRecordTree& tree, const std::string& name, ITreeObserver* observer,
                     TGroupIndex* groups) {
    const PNode group = groups ? groups->Find(name) : FindGroupByName(tree, name);
    return group ? group : AddGroupNode(tree, name, observer, groups);
}

// A new record as the last child of the group found or made by name, its data filled in before
// the observer hears of it.
template <typename TFill>
PNode AddFilledRecord(TRecordTree& tree, const std::string& groupName, ITreeObserver* observer,
                      TGroupIndex* groups, TFill fill) {
    const PNode group = FindOrAddGroup(tree, groupName, observer, groups);
    TInsertion insertion(observer, group, tree.ChildCount(group));
    PNode record = tree.AddChild(group);
    fill(record->Data);
    return record;
}

}  // namespace

PNode FindGroupByName(const TRecordTree& tree, const std::string& name) {
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        if (!node->Children.empty() && CaseFoldedCompare(node->Data.Title, name) == 0) {
            return node;
        }
    }
    return nullptr;
}

PNode AddGroupNode(TRecordTree& tree, const std::string& name, ITreeObserver* observer,
                   TGroupIndex* groups) {
    TInsertion insertion(observer, nullptr, tree.ChildCount(nullptr));
    PNode group = tree.AddChild(nullptr);
    group->Data.Guid = CreateGuid();
    group->Data.Title = name;
    group->Data.IsGroup = true;
    group->Data.ImageIndex = kGroupImageIndex;
    if (groups) {
        groups->Added(group);
    }
    return group;
}

PNode AddRecordNode(TRecordTree& tree, const std::string& groupName, const TNodeData& fields,
                    ITreeObserver* observer, TGroupIndex* groups) {
    return AddFilledRecord(tree, groupName, observer, groups, [&](TNodeData& data) {
        data.Guid = CreateGuid();
        data.Title = fields.Title;
        data.UserName = fields.UserName;
        data.Password = fields.Password;
        data.Url = fields.Url;
        data.Notes = fields.Notes;
        data.IsGroup = false;
        data.ImageIndex = kRecordImageIndex;
        data.AddedTime = NowAsDateTime();
        data.AddedTime2 = NowAsDateTime();
    });
}

PNode AddRecordNodeAsIs(TRecordTree& tree, const std::string& groupName, TNodeData data,
                        ITreeObserver* observer, TGroupIndex* groups) {
    return AddFilledRecord(tree, groupName, observer, groups, [&](TNodeData& added) {
        added = std::move(data);  // the new node's texts are empty: nothing is left behind
        added.IsGroup = false;
        added.ImageIndex = kRecordImageIndex;
    });
}

namespace {

void CopyChildren(const TRecordTree& from, const TRecordTree::TNode* fromParent, TRecordTree& to,
                  TRecordTree::TNode* toParent) {
    for (int row = 0; row < from.ChildCount(fromParent); ++row) {
        const PNode source = from.Child(fromParent, row);
        const PNode copy = to.AddChild(toParent);
        copy->Data = source->Data;
        CopyChildren(from, source, to, copy);
    }
}

}  // namespace

void CopyTree(const TRecordTree& from, TRecordTree& to) {
    to.Clear();
    CopyChildren(from, nullptr, to, nullptr);
}

PNode InsertNodeAsIs(TRecordTree& tree, PNode parent, int row, TNodeData data,
                     ITreeObserver* observer, TGroupIndex* groups) {
    row = std::clamp(row, 0, tree.ChildCount(parent));
    PNode node = nullptr;
    {
        TInsertion insertion(observer, parent, row);
        node = tree.InsertChild(parent, row);
        node->Data = std::move(data);  // the new node's texts are empty: nothing is left behind
    }
    if (groups && !parent) {
        groups->Added(node);
    }
    return node;
}

std::string GroupNameOf(const TRecordTree& tree, const TRecordTree::TNode* record) {
    const PNode parent = tree.Parent(record);
    return parent ? parent->Data.Title : std::string(Str::sDefaultGroup);
}

bool MoveRecordToGroup(TRecordTree& tree, PNode record, const std::string& groupName,
                       ITreeObserver* observer, TGroupIndex* groups) {
    if (!record || CaseFoldedCompare(GroupNameOf(tree, record), groupName) == 0) {
        return false;
    }
    const PNode group = FindOrAddGroup(tree, groupName, observer, groups);
    if (observer) {
        observer->NodeMoving(record, group, tree.ChildCount(group));
    }
    tree.MoveToLastChild(record, group);
    if (observer) {
        observer->NodeMoved();
    }
    return true;
}

void ModifyRecordNode(TRecordTree& tree, PNode record, TNodeData& fields,
                      const std::string& groupName, ITreeObserver* observer, TGroupIndex* groups) {
    TNodeData& data = record->Data;
    data.Title = std::move(fields.Title);
    data.UserName = std::move(fields.UserName);
    data.Password.swap(fields.Password);
    data.Notes.swap(fields.Notes);
    data.Url = std::move(fields.Url);
    if (observer) {
        observer->NodeChanged(record);
    }
    MoveRecordToGroup(tree, record, groupName, observer, groups);
}

void RenameNode(PNode node, const std::string& title, ITreeObserver* observer,
                TGroupIndex* groups) {
    if (groups) {
        groups->Forget(node);
    }
    node->Data.Title = title;
    if (groups) {
        groups->Added(node);
    }
    if (observer) {
        observer->NodeChanged(node);
    }
}

void RemoveNodes(TRecordTree& tree, const std::vector<PNode>& nodes, ITreeObserver* observer,
                 TGroupIndex* groups) {
    // Drop the nodes below another listed node first, while every pointer is still alive.
    const std::set<const TRecordTree::TNode*> chosen(nodes.begin(), nodes.end());
    std::vector<PNode> doomed;
    for (const PNode node : nodes) {
        bool underChosen = false;
        for (auto* up = tree.Parent(node); up && !underChosen; up = tree.Parent(up)) {
            underChosen = chosen.count(up) != 0;
        }
        if (!underChosen) {
            doomed.push_back(node);
        }
    }
    // From the back, so that each removal leaves the rows before it alone.
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
        if (observer) {
            observer->NodeRemoving(*it);
        }
        if (groups) {
            groups->Forget(*it);
        }
        tree.Delete(*it);
        if (observer) {
            observer->NodeRemoved();
        }
    }
}

bool RecordMatchesText(const TNodeData& data, std::string_view needle) {
    return ContainsCaseFolded(data.UserName, needle) || ContainsCaseFolded(data.Password, needle) ||
           ContainsCaseFolded(data.Notes, needle);
}

std::string ExportListText(const TRecordTree& tree, TVaultTextKind kind) {
    std::string text;
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        const TNodeData& data = node->Data;
        AppendLine(text, kExportSeparator);
        AppendLine(text, "[", data.Title, "]");
        AppendLine(text, "ID=", data.UserName);
        AppendLine(text, "Password=", data.Password);
        AppendLine(text, "Url=", data.Url);
        AppendLine(text, "Remark=", data.Notes);
        AppendLine(text, kExportSeparator);
    }
    if (kind == TVaultTextKind::Unicode) {
        return text;
    }
    std::string ansi;
    Cp1252FromVaultText(text, "export", ansi);
    WipeString(text);
    return ansi;
}
