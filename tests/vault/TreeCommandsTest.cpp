#include <gtest/gtest.h>

#include "vault/Clock.h"
#include "vault/TreeCommands.h"

namespace {

TNodeData Fields(const std::string& title, const std::string& notes = "") {
    TNodeData data;
    data.Title = title;
    data.UserName = title + "@example.org";
    data.Password = "pw-" + title;
    data.Url = "https://" + title + ".example.org";
    data.Notes = notes;
    return data;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text must end with CR LF";
    return lines;
}

const std::string kSeparator(38, '-');

}  // namespace

TEST(CaseFoldedCompare, FoldsOnlyAsciiLettersAndFallsBackToLength) {
    EXPECT_EQ(CaseFoldedCompare("Mail", "mAIL"), 0);
    EXPECT_EQ(CaseFoldedCompare("a", "b"), 'A' - 'B');
    EXPECT_EQ(CaseFoldedCompare("b", "A"), 'B' - 'A');
    EXPECT_EQ(CaseFoldedCompare("abc", "ab"), 1);
    EXPECT_EQ(CaseFoldedCompare("", "abcd"), -4);
    // Bytes outside a..z are compared as they are, unsigned.
    EXPECT_EQ(CaseFoldedCompare("\xE9", "\xC9"), 0xE9 - 0xC9);
    EXPECT_EQ(CaseFoldedCompare("_", "a"), '_' - 'A');
    EXPECT_EQ(CaseFoldedCompare("{", "["), '{' - '[');
}

TEST(TreeCommands, GroupsAreFoundByFoldedNameOnlyWithChildren) {
    TRecordTree tree;
    PNode empty = AddGroupNode(tree, "Mail");
    EXPECT_EQ(FindGroupByName(tree, "mail"), nullptr);
    PNode record = AddRecordNode(tree, "MAIL", Fields("one"));
    // The childless "Mail" is not found, so a second group of that name is made.
    PNode second = tree.Parent(record);
    EXPECT_NE(second, empty);
    EXPECT_EQ(second->Data.Title, "MAIL");
    EXPECT_EQ(FindGroupByName(tree, "mail"), second);
    AddRecordNode(tree, "mail", Fields("two"));
    EXPECT_EQ(tree.ChildCount(second), 2);
    EXPECT_EQ(tree.ChildCount(nullptr), 2);
}

TEST(TreeCommands, NewRecordsAndGroupsGetTheirFields) {
    TRecordTree tree;
    const TDateTime before = NowAsDateTime();
    PNode record = AddRecordNode(tree, "Bank", Fields("acct", "n"));
    const TNodeData& data = record->Data;
    const TNodeData& group = tree.Parent(record)->Data;
    EXPECT_TRUE(group.IsGroup);
    EXPECT_EQ(group.ImageIndex, kGroupImageIndex);
    EXPECT_EQ(group.AddedTime, 0);
    EXPECT_NE(group.Guid, TGuid{});
    EXPECT_FALSE(data.IsGroup);
    EXPECT_EQ(data.ImageIndex, kRecordImageIndex);
    EXPECT_EQ(data.Title, "acct");
    EXPECT_EQ(data.UserName, "acct@example.org");
    EXPECT_EQ(data.Password, "pw-acct");
    EXPECT_EQ(data.Url, "https://acct.example.org");
    EXPECT_EQ(data.Notes, "n");
    EXPECT_GE(data.AddedTime, before);
    EXPECT_GE(data.AddedTime2, data.AddedTime);
    EXPECT_EQ(data.SpareValue, TSpareValue{});
    EXPECT_NE(data.Guid, group.Guid);
    EXPECT_NE(data.Guid, AddRecordNode(tree, "Bank", Fields("b"))->Data.Guid);
}

TEST(TreeCommands, MovingARecordBetweenGroups) {
    TRecordTree tree;
    PNode record = AddRecordNode(tree, "Mail", Fields("one"));
    PNode mail = tree.Parent(record);
    AddRecordNode(tree, "Mail", Fields("two"));
    EXPECT_EQ(GroupNameOf(tree, record), "Mail");
    EXPECT_FALSE(MoveRecordToGroup(tree, record, "MAIL"));
    EXPECT_EQ(tree.Parent(record), mail);

    EXPECT_TRUE(MoveRecordToGroup(tree, record, "Work"));
    PNode work = tree.Parent(record);
    EXPECT_EQ(work->Data.Title, "Work");
    EXPECT_EQ(work->Row, 1);  // made at the end of the top level
    EXPECT_EQ(tree.ChildCount(mail), 1);

    // Moving the last record out leaves the group, empty.
    EXPECT_TRUE(MoveRecordToGroup(tree, tree.Child(mail, 0), "work"));
    EXPECT_EQ(tree.ChildCount(mail), 0);
    EXPECT_EQ(tree.ChildCount(work), 2);

    PNode loose = tree.AddChild(nullptr);
    EXPECT_EQ(GroupNameOf(tree, loose), "Default Group");
}

TEST(TreeCommands, FindLooksAtUserPasswordAndNotesFoldingOnlyAToZ) {
    TNodeData data;
    data.Title = "Bank";
    data.UserName = "alice";
    data.Password = "S3cret";
    data.Url = "https://example.org";
    data.Notes = "PIN\r\n\xE9t\xE9";
    EXPECT_TRUE(RecordMatchesText(data, "ALICE"));
    EXPECT_TRUE(RecordMatchesText(data, "s3C"));
    EXPECT_TRUE(RecordMatchesText(data, "pin\r\n\xE9"));
    EXPECT_FALSE(RecordMatchesText(data, "bank"));     // the title is not searched
    EXPECT_FALSE(RecordMatchesText(data, "example"));  // nor the URL
    EXPECT_FALSE(RecordMatchesText(data, "\xC9T"));    // only a..z fold
    EXPECT_FALSE(RecordMatchesText(data, ""));
}

TEST(ExportList, OneGroupWithOneRecordIsFourteenLines) {
    TRecordTree tree;
    AddRecordNode(tree, "Mail", Fields("box"));
    EXPECT_EQ(Lines(ExportListText(tree)),
              (std::vector<std::string>{
                  kSeparator, "[Mail]", "ID=", "Password=", "Url=", "Remark=", kSeparator,
                  kSeparator, "[box]", "ID=box@example.org", "Password=pw-box",
                  "Url=https://box.example.org", "Remark=", kSeparator}));
}

TEST(ExportList, NotesWithLineBreaksContinueTheRemarkLine) {
    TRecordTree tree;
    AddRecordNode(tree, "g", Fields("r", "first\r\nsecond\r\n\u00E9"));
    const std::vector<std::string> lines = Lines(ExportListText(tree));
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[12], "Remark=first");
    EXPECT_EQ(lines[13], "second");
    EXPECT_EQ(lines[14], "\xE9");  // a format-101 vault exports its own bytes
    EXPECT_EQ(lines[15], kSeparator);
    EXPECT_EQ(Lines(ExportListText(tree, TVaultTextKind::Unicode))[14], "\u00E9");
}

TEST(ExportList, EmptyTreeIsEmptyText) {
    TRecordTree tree;
    EXPECT_EQ(ExportListText(tree), "");
}
