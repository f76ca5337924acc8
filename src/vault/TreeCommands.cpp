#include "vault/TreeCommands.h"

#include <limits>

#include "common/StringTable.h"
#include "vault/Clock.h"

namespace {

unsigned char FoldCase(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - ('a' - 'A')) : byte;
}

int ClampToInt(std::ptrdiff_t value) {
    if (value > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (value < std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

void AppendLine(std::string& text, std::string_view a, std::string_view b = {},
                std::string_view c = {}) {
    text.append(a).append(b).append(c).append("\r\n");
}

constexpr std::string_view kExportSeparator = "--------------------------------------";

}  // namespace

int CaseFoldedCompare(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = FoldCase(a[i]);
        const unsigned char y = FoldCase(b[i]);
        if (x != y) {
            return int{x} - int{y};
        }
    }
    return ClampToInt(static_cast<std::ptrdiff_t>(a.size()) -
                      static_cast<std::ptrdiff_t>(b.size()));
}

PNode FindGroupByName(const TRecordTree& tree, const std::string& name) {
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        if (!node->Children.empty() && CaseFoldedCompare(node->Data.Title, name) == 0) {
            return node;
        }
    }
    return nullptr;
}

PNode AddGroupNode(TRecordTree& tree, const std::string& name) {
    PNode group = tree.AddChild(nullptr);
    group->Data.Guid = CreateGuid();
    group->Data.Title = name;
    group->Data.IsGroup = true;
    group->Data.ImageIndex = kGroupImageIndex;
    return group;
}

PNode AddRecordNode(TRecordTree& tree, const std::string& groupName, const TNodeData& fields) {
    PNode group = FindGroupByName(tree, groupName);
    if (!group) {
        group = AddGroupNode(tree, groupName);
    }
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

bool MoveRecordToGroup(TRecordTree& tree, PNode record, const std::string& groupName) {
    if (CaseFoldedCompare(GroupNameOf(tree, record), groupName) == 0) {
        return false;
    }
    PNode group = FindGroupByName(tree, groupName);
    if (!group) {
        group = AddGroupNode(tree, groupName);
    }
    tree.MoveToLastChild(record, group);
    return true;
}

std::string ExportListText(const TRecordTree& tree) {
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
    return text;
}
