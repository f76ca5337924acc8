// The changes of a session find groups through an index and remember their steps by Guid; both
// must answer exactly as the plain tree commands and the former step list did.

#include <random>
#include <set>

#include "VaultFixture.h"
#include "vault/FlatIndex.h"
#include "vault/TreeCommands.h"
#include "vault/VaultSession.h"

namespace {

PNode FindTitle(const TRecordTree& tree, const std::string& title) {
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        if (!node->Data.IsGroup && node->Data.Title == title) {
            return node;
        }
    }
    return nullptr;
}

TNodeData Fields(const std::string& title) {
    TNodeData fields;
    fields.Title = title;
    fields.Password = "pw " + title;
    return fields;
}

class ChangeIndexTest : public TVaultFixture {
protected:
    void SetUp() override { VaultCreate(VaultPath(), kPassword); }
    void TearDown() override { VaultOperationsTesting::SetAfterSaveCheck({}); }

    void Open(TVaultSession& session) const {
        session.SetPath(VaultPath());
        session.SetPassword(kPassword);
        session.Load();
    }
    std::vector<std::string> TitlesInFile() const {
        TRecordTree tree;
        VaultLoad(VaultPath(), kPassword, tree);
        return Titles(tree);
    }
};

// Groups whose names differ only in case, groups emptied by moves and removals, renames onto
// a name in use: every step made on a plain tree with the tree commands and in one change.
TEST_F(ChangeIndexTest, GroupIndexFindsWhatTheTreeWalkFinds) {
    const std::vector<std::string> names{"Mail", "MAIL", "mail", "Web", "WEB", "Bank"};
    std::mt19937 random(7);
    const auto pick = [&](std::size_t count) { return static_cast<int>(random() % count); };
    TRecordTree plain;
    std::vector<std::string> alive;
    TVaultSession session;
    Open(session);
    session.Change([&](TVaultChange& change) {
        const TRecordTree& indexed = change.Tree();
        for (int step = 0; step < 400; ++step) {
            const std::string& name = names[pick(names.size())];
            const int kind = pick(10);
            const int groups = plain.ChildCount(nullptr);
            if (kind <= 3 || alive.empty() || groups == 0) {
                std::string title(1, 'r');  // appended: "r" + string trips GCC's -O3 -Wrestrict
                title += std::to_string(step);
                AddRecordNode(plain, name, Fields(title));
                change.AddRecord(name, Fields(title));
                alive.push_back(title);
            } else if (kind <= 5) {
                const std::string& title = alive[pick(alive.size())];
                EXPECT_EQ(change.MoveRecord(FindTitle(indexed, title), name),
                          MoveRecordToGroup(plain, FindTitle(plain, title), name));
            } else if (kind == 6) {
                const std::size_t at = pick(alive.size());
                RemoveNodes(plain, {FindTitle(plain, alive[at])});
                change.Remove({FindTitle(indexed, alive[at])});
                alive.erase(alive.begin() + static_cast<std::ptrdiff_t>(at));
            } else if (kind == 7) {
                const int row = pick(groups);
                std::erase_if(alive, [&](const std::string& title) {
                    return plain.Parent(FindTitle(plain, title)) == plain.Child(nullptr, row);
                });
                RemoveNodes(plain, {plain.Child(nullptr, row)});
                change.Remove({indexed.Child(nullptr, row)});
            } else if (kind == 8) {
                const int row = pick(groups);
                RenameNode(plain.Child(nullptr, row), name);
                change.RenameGroup(indexed.Child(nullptr, row), name);
            } else {
                const std::string& title = alive[pick(alive.size())];
                TNodeData plainFields = Fields(title);
                TNodeData changeFields = Fields(title);
                ModifyRecordNode(plain, FindTitle(plain, title), plainFields, name);
                change.ModifyRecord(FindTitle(indexed, title), changeFields, name);
            }
            ASSERT_EQ(Titles(indexed), Titles(plain)) << "after step " << step;
        }
    });
    EXPECT_EQ(TitlesInFile(), Titles(plain));
}

// A later put of a record makes its earlier puts void, also after the steps were compacted
// and across a rename: the replay on the file's content puts each record once, where it is
// now, and loses no other record's put.
TEST_F(ChangeIndexTest, UnsavedStepsReplayOnlyTheLastPutOfEachRecord) {
    TVaultSession session;
    Open(session);
    session.Change([](TVaultChange& change) {
        for (const char* title : {"a", "b", "c"}) {
            change.AddRecord("Old", Fields(title));
        }
    });
    const auto modify = [](TVaultChange& change, const std::string& from, const std::string& to,
                           const std::string& group) {
        TNodeData fields = Fields(to);
        change.ModifyRecord(FindTitle(change.Tree(), from), fields, group);
    };
    VaultOperationsTesting::SetAfterSaveCheck([] { throw ECofferixError("refused for the test"); });
    EXPECT_THROW(session.Change([&](TVaultChange& change) {
        modify(change, "b", "b0", "Old");
        modify(change, "b0", "b1", "Old");
        modify(change, "b1", "b2", "Old");  // most steps are void now: they are compacted
        change.MoveRecord(FindTitle(change.Tree(), "a"), "X");
        modify(change, "c", "c2", "Old");
        modify(change, "b2", "b3", "Old");
        change.RenameGroup(FindGroupByName(change.Tree(), "X"), "Y");
        change.MoveRecord(FindTitle(change.Tree(), "a"), "X");
        modify(change, "a", "a2", "X");
    }),
                 ECofferixError);
    VaultOperationsTesting::SetAfterSaveCheck({});
    EXPECT_EQ(Titles(session.Tree()),
              (std::vector<std::string>{"Old", "  b3", "  c2", "Y", "X", "  a2"}));

    session.Load();  // the file still holds a, b and c in Old; the steps go on top
    const std::vector<std::string> replayed{"Old", "  b3", "  c2", "X", "  a2"};
    EXPECT_EQ(Titles(session.Tree()), replayed);
    session.SaveChanges();
    EXPECT_EQ(TitlesInFile(), replayed);
}

// The flat index under the other indexes, against a plain multiset: few distinct hashes, so
// that probes run long, wrap around the end and pass removed values, through several rebuilds.
TEST(FlatIndex, FindsWhatWasInsertedAndNotYetErased) {
    std::mt19937 random(11);
    TFlatIndex<int> index;
    std::multiset<std::pair<std::size_t, int>> reference;
    for (int step = 0; step < 20000; ++step) {
        const std::size_t hash = random() % 37 * 0x1000;  // weak low bits on purpose
        const int value = static_cast<int>(random() % 500);
        const auto is = [value](int held) { return held == value; };
        if (random() % 3 == 0) {
            const auto found = reference.find({hash, value});
            ASSERT_EQ(index.Erase(hash, is), found != reference.end());
            if (found != reference.end()) {
                reference.erase(found);
            }
        } else if (random() % 2 == 0) {
            index.Insert(hash, value);
            reference.insert({hash, value});
        } else {
            const int* held = index.Find(hash, is);
            ASSERT_EQ(held != nullptr, reference.count({hash, value}) != 0) << "step " << step;
            if (held) {
                EXPECT_EQ(*held, value);
            }
        }
    }
}

}  // namespace
