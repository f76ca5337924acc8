#include "vault/TreeCommands.h"

#include <set>

#include "base/StringTable.h"
#include "base/Wipe.h"
#include "vault/Clock.h"
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

}  // namespace

PNode FindGroupByName(const TRecordTree& tree, const std::string& name) {
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        if (!node->Children.empty() && CaseFoldedCompare(node->Data.Title, name) == 0) {
            return node;
        }
    }
    return nullptr;
}

PNode AddGroupNode(TRecordTree& tree, const std::string& name, ITreeObserver* observer) {
    TInsertion insertion(observer, nullptr, tree.ChildCount(nullptr));
    PNode group = tree.AddChild(nullptr);
    group->Data.Guid = CreateGuid();
    group->Data.Title = name;
    group->Data.IsGroup = true;
    group->Data.ImageIndex = kGroupImageIndex;
    return group;
}

PNode AddRecordNode(TRecordTree& tree, const std::string& groupName, const TNodeData& fields,
                    ITreeObserver* observer) {
    PNode group = FindGroupByName(tree, groupName);
    if (!group) {
        group = AddGroupNode(tree, groupName, observer);
    }
    TInsertion insertion(observer, group, tree.ChildCount(group));
    PNode record = tree.AddChild(group);
    TNodeData& data = record->Data;
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
    return record;
}

std::string GroupNameOf(const TRecordTree& tree, const TRecordTree::TNode* record) {
    const PNode parent = tree.Parent(record);
    return parent ? parent->Data.Title : std::string(Str::sDefaultGroup);
}

bool MoveRecordToGroup(TRecordTree& tree, PNode record, const std::string& groupName,
                       ITreeObserver* observer) {
    if (!record || CaseFoldedCompare(GroupNameOf(tree, record), groupName) == 0) {
        return false;
    }
    PNode group = FindGroupByName(tree, groupName);
    if (!group) {
        group = AddGroupNode(tree, groupName, observer);
    }
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
                      const std::string& groupName, ITreeObserver* observer) {
    TNodeData& data = record->Data;
    data.Title = std::move(fields.Title);
    data.UserName = std::move(fields.UserName);
    data.Password.swap(fields.Password);
    data.Notes.swap(fields.Notes);
    data.Url = std::move(fields.Url);
    if (observer) {
        observer->NodeChanged(record);
    }
    MoveRecordToGroup(tree, record, groupName, observer);
}

void RenameNode(PNode node, const std::string& title, ITreeObserver* observer) {
    node->Data.Title = title;
    if (observer) {
        observer->NodeChanged(node);
    }
}

void RemoveNodes(TRecordTree& tree, const std::vector<PNode>& nodes, ITreeObserver* observer) {
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
