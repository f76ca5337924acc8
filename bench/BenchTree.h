#pragma once

#include <string>

#include "vault/RecordTree.h"

// The benchmarks' vault content: records in groups of 100, every text field in use. Built
// node by node: looking each record's group up by name would make this quadratic in the
// number of records.
inline void FillBenchTree(TRecordTree& tree, int records) {
    constexpr int kRecordsPerGroup = 100;
    PNode group = nullptr;
    for (int i = 0; i < records; ++i) {
        if (i % kRecordsPerGroup == 0) {
            group = tree.AddChild(nullptr);
            group->Data.IsGroup = true;
            group->Data.Title = "Group " + std::to_string(i / kRecordsPerGroup);
            group->Data.ImageIndex = kGroupImageIndex;
        }
        TNodeData& fields = tree.AddChild(group)->Data;
        fields.Guid.Bytes[0] = static_cast<std::uint8_t>(i);
        fields.Title = "Account number " + std::to_string(i);
        fields.UserName = "user" + std::to_string(i) + "@example.org";
        fields.Password = "p4ss-" + std::to_string(i * 7919) + "-word";
        fields.Url = "https://service" + std::to_string(i) + ".example.org/login";
        fields.Notes = "Security question: first pet?\r\nAnswer: none " + std::to_string(i);
        fields.AddedTime = 45000.5;
        fields.ImageIndex = kRecordImageIndex;
    }
}
