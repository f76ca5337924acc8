#include <gtest/gtest.h>

#include <vector>

#include "vault/RecordTree.h"

namespace {

std::vector<std::string> TitlesInOrder(const TRecordTree& tree) {
    std::vector<std::string> titles;
    for (PNode n = tree.First(); n; n = tree.Next(n)) {
        titles.push_back(n->Data.Title);
    }
    return titles;
}

PNode Add(TRecordTree& tree, PNode parent, const std::string& title, const std::string& user = "") {
    PNode node = tree.AddChild(parent);
    node->Data.Title = title;
    node->Data.UserName = user;
    return node;
}

}  // namespace

TEST(RecordTree, NewNodesAreZeroFilledAndWalkedInPreOrder) {
    TRecordTree tree;
    PNode g1 = Add(tree, nullptr, "g1");
    EXPECT_TRUE(g1->Data.Title == "g1" && g1->Data.UserName.empty() && !g1->Data.IsGroup);
    EXPECT_EQ(g1->Data.AddedTime, 0);
    Add(tree, g1, "r1");
    PNode g2 = Add(tree, nullptr, "g2");
    Add(tree, g1, "r2");
    Add(tree, g2, "r3");
    EXPECT_EQ(TitlesInOrder(tree), (std::vector<std::string>{"g1", "r1", "r2", "g2", "r3"}));
    EXPECT_EQ(tree.Count(), 5u);
    EXPECT_EQ(tree.ChildCount(nullptr), 2);
    EXPECT_EQ(tree.ChildCount(g1), 2);
    EXPECT_EQ(tree.Parent(tree.Child(g1, 1)), g1);
    EXPECT_EQ(tree.Parent(g1), nullptr);
}

TEST(RecordTree, DeleteTakesChildrenAndKeepsRowsCurrent) {
    TRecordTree tree;
    PNode g1 = Add(tree, nullptr, "g1");
    Add(tree, g1, "r1");
    PNode g2 = Add(tree, nullptr, "g2");
    PNode g3 = Add(tree, nullptr, "g3");
    tree.Delete(g1);
    EXPECT_EQ(tree.Count(), 2u);
    EXPECT_EQ(g2->Row, 0);
    EXPECT_EQ(g3->Row, 1);
    EXPECT_FALSE(tree.Contains(g1));
    EXPECT_EQ(TitlesInOrder(tree), (std::vector<std::string>{"g2", "g3"}));
    tree.Clear();
    EXPECT_TRUE(tree.IsEmpty());
    EXPECT_EQ(tree.First(), nullptr);
}

TEST(RecordTree, MoveMakesLastChildOfTheNewParent) {
    TRecordTree tree;
    PNode g1 = Add(tree, nullptr, "g1");
    PNode r1 = Add(tree, g1, "r1");
    Add(tree, g1, "r2");
    PNode g2 = Add(tree, nullptr, "g2");
    Add(tree, g2, "r3");
    tree.MoveToLastChild(r1, g2);
    EXPECT_EQ(TitlesInOrder(tree), (std::vector<std::string>{"g1", "r2", "g2", "r3", "r1"}));
    EXPECT_EQ(tree.Parent(r1), g2);
    EXPECT_EQ(tree.Child(g1, 0)->Row, 0);
    EXPECT_EQ(tree.Count(), 5u);
}

TEST(RecordTree, SortIsStableOnEveryLevelInBothDirections) {
    TRecordTree tree;
    PNode g1 = Add(tree, nullptr, "g1");
    Add(tree, g1, "a", "2");
    Add(tree, g1, "b", "1");
    Add(tree, g1, "c", "2");
    Add(tree, nullptr, "g2");
    auto byUser = [](const TNodeData& a, const TNodeData& b) { return a.UserName.compare(b.UserName); };
    tree.Sort(byUser, false);
    EXPECT_EQ(TitlesInOrder(tree), (std::vector<std::string>{"g1", "b", "a", "c", "g2"}));
    tree.Sort(byUser, true);
    EXPECT_EQ(TitlesInOrder(tree), (std::vector<std::string>{"g1", "a", "c", "b", "g2"}));
    EXPECT_EQ(tree.Child(g1, 2)->Row, 2);
}
