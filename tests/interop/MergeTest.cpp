// Another copy of the vault merged into this one, record by record (matched by Guid), and the
// copies that sync services leave beside a vault.

#include <filesystem>

#include "InteropVaultFixture.h"
#include "interop/ImportApply.h"
#include "vault/FileIdentity.h"

namespace {

TGuid GuidOf(std::uint8_t number) {
    TGuid guid;
    guid.Bytes[0] = number;
    guid.Bytes[15] = 0xA5;
    return guid;
}

TNodeData Record(std::uint8_t guid, const std::string& title, const std::string& password,
                 TDateTime modified, const std::string& notes = "") {
    TNodeData data;
    data.Guid = GuidOf(guid);
    data.Title = title;
    data.UserName = "user";
    data.Password = password;
    data.Notes = notes;
    data.AddedTime = 44000;
    data.AddedTime2 = 44000;
    data.ModifiedTime = modified;
    data.PasswordChangedTime = modified;
    return data;
}

// A record of other's tree, under the top-level group of that exact title (made when missing).
void Put(TRecordTree& tree, const std::string& group, const TNodeData& data) {
    PNode parent = nullptr;
    for (int row = 0; row < tree.ChildCount(nullptr) && !parent; ++row) {
        if (tree.Child(nullptr, row)->Data.Title == group) {
            parent = tree.Child(nullptr, row);
        }
    }
    if (!parent) {
        parent = tree.AddChild(nullptr);
        parent->Data.Title = group;
        parent->Data.IsGroup = true;
    }
    tree.AddChild(parent)->Data = data;
}

class MergeTest : public TInteropVaultFixture {
protected:
    static TMergeSummary Merge(TVaultSession& session, const TRecordTree& other) {
        TMergeSummary summary;
        session.Change([&](TVaultChange& change) { summary = MergeVault(change, other); });
        return summary;
    }
    static void TakeIn(TVaultSession& session, const std::string& group, const TNodeData& data) {
        session.Change([&](TVaultChange& change) { change.TakeInRecord(group, data); });
    }
};

TEST_F(MergeTest, EveryCaseOfTwoFormat2CopiesAndASecondMergeChangesNothing) {
    TVaultSession session;
    Create(session, TVaultFormat::Format2);
    TakeIn(session, "Web", Record(1, "Here", "h", 45000));
    TakeIn(session, "Web", Record(5, "Same", "s", 45000));
    TakeIn(session, "Web", Record(3, "Shop", "new here", 45200));
    TakeIn(session, "Web", Record(4, "Forum", "f", 45000, "old notes"));
    TakeIn(session, "Web", Record(7, "Legacy", "ours", 45000));
    TakeIn(session, "Mail", Record(6, "Inbox", "i", 45000));
    TRecordTree other;
    Put(other, "WEB", Record(5, "Same", "s", 45000));          // the group differs in case only
    Put(other, "WEB", Record(3, "Shop", "old there", 45100));  // older than ours
    Put(other, "WEB", Record(7, "Legacy", "theirs", 0));       // from a side without times
    Put(other, "Forums", Record(4, "Forum", "f", 45300, "new notes"));  // newer, moved
    Put(other, "Bank", Record(2, "Card", "c", 45050));                  // only there
    Put(other, "Archive", Record(6, "Inbox", "i", 45100));              // newer, only moved
    other.AddChild(nullptr)->Data.IsGroup = true;
    other.Child(nullptr, other.ChildCount(nullptr) - 1)->Data.Title = "Empty";

    const TMergeSummary first = Merge(session, other);

    EXPECT_EQ(first.Added, 1u);
    EXPECT_EQ(first.Updated, 2u);
    EXPECT_EQ(first.KeptAsCopies, 3u);
    EXPECT_EQ(first.Unchanged, 1u);
    EXPECT_TRUE(first.LeftOut.empty());
    TRecordTree file;
    LoadFile(file);
    EXPECT_EQ(Listing(file), (std::vector<std::string>{
                                 "Web",
                                 "  Here | user | h | ",
                                 "  Same | user | s | ",
                                 "  Shop | user | new here | ",
                                 "  Legacy | user | ours | ",
                                 "  Shop (merged copy) | user | old there | ",
                                 "  Legacy (merged copy) | user | theirs | ",
                                 "Mail",
                                 "Forums",
                                 "  Forum | user | f | new notes",
                                 "  Forum (merged copy) | user | f | old notes",
                                 "Bank",
                                 "  Card | user | c | ",
                                 "Archive",
                                 "  Inbox | user | i | ",
                                 "Empty",
                             }));
    const TNodeData& forum = FindTitle(file, "Forum")->Data;
    EXPECT_EQ(forum.Guid, GuidOf(4));
    EXPECT_EQ(forum.ModifiedTime, 45300);
    EXPECT_EQ(FindTitle(file, "Card")->Data.Guid, GuidOf(2));
    EXPECT_EQ(FindTitle(file, "Card")->Data.ModifiedTime, 45050);
    const TNodeData& copy = FindTitle(file, "Shop (merged copy)")->Data;
    EXPECT_EQ(copy.ModifiedTime, 45100);
    for (std::uint8_t guid = 1; guid <= 7; ++guid) {
        EXPECT_NE(copy.Guid, GuidOf(guid));
        EXPECT_NE(FindTitle(file, "Forum (merged copy)")->Data.Guid, GuidOf(guid));
    }

    const TBytes bytes = ReadFileBytes(VaultPath());
    const TMergeSummary second = Merge(session, other);
    EXPECT_EQ(second.Added + second.Updated + second.KeptAsCopies, 0u);
    EXPECT_EQ(second.Unchanged, 6u);
    EXPECT_EQ(ReadFileBytes(VaultPath()), bytes);  // format 2: any save would change them
}

// Format 101 keeps no time of last change: both versions stay. What it cannot hold (a character
// outside Windows-1252, a title too long once marked) stays out, listed, and is never cut.
TEST_F(MergeTest, Format101SideKeepsBothVersionsAndLeavesOutWhatItCannotHold) {
    TVaultSession session;
    Create(session, TVaultFormat::Format101);
    const std::string longTitle(120, 'L');
    TakeIn(session, "Web", Record(3, "Shop", "ours", 45200));
    TakeIn(session, "Web", Record(9, longTitle, "ours", 45200));
    session.Load();  // as the file gives them: no time of last change
    TRecordTree other;
    Put(other, "Web", Record(3, "Shop", "theirs", 45300));
    Put(other, "Web", Record(9, longTitle, "theirs", 45300));
    Put(other, "Web", Record(8, "Key \U0001F511", "k", 45300));

    const TMergeSummary first = Merge(session, other);

    EXPECT_EQ(first.KeptAsCopies, 1u);
    EXPECT_EQ(first.Added + first.Updated, 0u);
    EXPECT_EQ(first.LeftOut,
              (std::vector<std::string>{
                  "Web / " + longTitle +
                      ": the title is longer than format 101's 128 characters; convert the "
                      "database to format 2 to keep it",
                  "Web / Key \U0001F511: the title holds the character U+1F511 outside "
                  "Windows-1252, which format 101 cannot hold; convert the database to format 2 "
                  "to keep it"}));
    TRecordTree file;
    LoadFile(file);
    EXPECT_EQ(Listing(file), (std::vector<std::string>{"Web", "  Shop | user | ours | ",
                                                       "  " + longTitle + " | user | ours | ",
                                                       "  Shop (merged copy) | user | theirs | "}));

    const auto identity = TFileIdentity::OfPath(VaultPath());
    const TMergeSummary second = Merge(session, other);
    EXPECT_EQ(second.KeptAsCopies, 0u);
    EXPECT_FALSE(session.HasUnsavedChanges());
    EXPECT_TRUE(TFileIdentity::OfPath(VaultPath()) == identity);  // not even rewritten
}

TEST(ConflictCopies, TheThreeServicesNamesAreFoundAndLookAlikesAreNot) {
    const TTempFolder folder;
    const std::vector<std::string> copies{
        "UserData (Laptop's conflicted copy 2024-01-15 (1)).dat",
        "UserData (Laptop's conflicted copy 2024-01-15) (1).dat",
        "UserData (Laptop's conflicted copy 2024-01-15).dat",
        "UserData (Laptop\u2019s conflicted copy 2024-01-16).dat",
        "UserData (conflicted copy 2024-01-15 102030).dat",
        "UserData.sync-conflict-20240115-102030-ABCDEF7.dat",
    };
    const std::vector<std::string> lookAlikes{
        "UserData.dat",
        "UserData (copy).dat",
        "UserData (conflicted copy).dat",
        "UserData (conflicted copy 2024-01-15 102030).dat.bak",
        "UserData (conflicted copy 2024-01-15 102030).txt",
        "UserData.sync-conflict-2024-01-15-ABCDEF7.dat",
        "UserDataX.sync-conflict-20240115-102030-ABCDEF7.dat",
        "Other (Laptop's conflicted copy 2024-01-15).dat",
        ".UserData.dat.tmp-Ab3dEf",
    };
    for (const std::string& name : copies) {
        WriteFileBytes(folder.File(name), TBytes{1});
    }
    for (const std::string& name : lookAlikes) {
        WriteFileBytes(folder.File(name), TBytes{1});
    }
    std::filesystem::create_directory(
        folder.File("UserData (conflicted copy 2024-02-01 090000).dat"));

    std::vector<std::string> expected;
    for (const std::string& name : copies) {
        expected.push_back(folder.File(name));
    }
    EXPECT_EQ(FindConflictCopies(folder.File("UserData.dat")), expected);

    // A name without a dot, and a folder that cannot be read.
    WriteFileBytes(folder.File("vault.sync-conflict-20240115-102030-ABCDEF7"), TBytes{1});
    WriteFileBytes(folder.File("vault (conflicted copy 2024-01-15 102030)"), TBytes{1});
    EXPECT_EQ(
        FindConflictCopies(folder.File("vault")),
        (std::vector<std::string>{folder.File("vault (conflicted copy 2024-01-15 102030)"),
                                  folder.File("vault.sync-conflict-20240115-102030-ABCDEF7")}));
    EXPECT_TRUE(FindConflictCopies(folder.File("missing/UserData.dat")).empty());
}

}  // namespace
