#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "interop/ImportedRecord.h"
#include "vault/Clock.h"
#include "vault/RecordTree.h"
#include "vault/TreeCommands.h"

inline std::string ReadSample(const std::string& name) {
    std::ifstream in(std::string(COFFERIX_INTEROP_SAMPLES) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

constexpr std::int64_t kAdded = 1705314030;     // 2024-01-15 10:20:30 UTC
constexpr std::int64_t kModified = 1706788800;  // 2024-02-01 12:00:00 UTC

inline PNode AddTestGroup(TRecordTree& tree, const std::string& name) {
    PNode group = tree.AddChild(nullptr);
    group->Data.IsGroup = true;
    group->Data.Title = name;
    group->Data.Guid = CreateGuid();
    return group;
}

inline PNode AddTestRecord(TRecordTree& tree, PNode group, const std::string& title,
                           std::int64_t modified = 0) {
    PNode record = tree.AddChild(group);
    record->Data.Title = title;
    record->Data.Guid = CreateGuid();
    record->Data.AddedTime = record->Data.AddedTime2 = DateTimeFromUnixSeconds(kAdded);
    record->Data.ModifiedTime = modified ? DateTimeFromUnixSeconds(modified) : 0;
    return record;
}

// A tree whose texts a careless writer gets wrong: markup and quotes, line breaks, non-Latin
// text and emoji, a group name holding "/", empty fields, an empty group and a record at the
// top level.
inline void BuildAwkwardTree(TRecordTree& tree) {
    PNode top = AddTestRecord(tree, nullptr, "Top-level", kModified);
    top->Data.UserName = "root";
    PNode internet = AddTestGroup(tree, "Internet & <Mail>");
    PNode mail = AddTestRecord(tree, internet, "Mail <Main> & \"Co\" 'x' ]]>", kModified);
    mail->Data.UserName = "Иван 🙂";
    mail->Data.Password = "p<&>\"'\\ }{ пароль 🔑";
    mail->Data.Url = "https://x.example/?a=1&b=2";
    mail->Data.Notes = "line 1\r\n  indented <b>&amp;</b>\r\n\r\nemoji 🙂 日本\r\n";
    PNode slashed = AddTestGroup(tree, "Work/Projects");
    AddTestRecord(tree, slashed, "Empty fields");
    AddTestGroup(tree, "No records");
}

// Every record of the tree came back: group, five texts, added and modified time.
inline void ExpectSameRecords(const TRecordTree& tree, const TImportedRecords& imported) {
    std::map<std::string, const TImportedRecord*> byTitle;
    for (const TImportedRecord& record : imported) {
        byTitle[record.Fields.Title] = &record;
    }
    std::size_t records = 0;
    tree.ForEach([&](TRecordTree::TNode& node) {
        if (node.Data.IsGroup) {
            return;
        }
        ++records;
        const TNodeData& want = node.Data;
        ASSERT_TRUE(byTitle.count(want.Title)) << want.Title;
        const TImportedRecord& got = *byTitle[want.Title];
        EXPECT_EQ(got.Group, GroupNameOf(tree, &node));
        EXPECT_EQ(got.Fields.UserName, want.UserName);
        EXPECT_EQ(got.Fields.Password, want.Password);
        EXPECT_EQ(got.Fields.Url, want.Url);
        EXPECT_EQ(got.Fields.Notes, want.Notes);
        EXPECT_EQ(UnixSecondsFromDateTime(got.Fields.AddedTime), kAdded);
        const std::int64_t modified = want.ModifiedTime != 0 ? kModified : kAdded;
        EXPECT_EQ(UnixSecondsFromDateTime(got.Fields.ModifiedTime), modified) << want.Title;
    });
    EXPECT_EQ(imported.size(), records);
}
