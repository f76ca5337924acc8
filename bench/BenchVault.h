#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "vault/RecordTree.h"
#include "vault/VaultOperations.h"

inline const std::string kBenchPassword = "benchmark master password";

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

// A vault of FillBenchTree's records in the given format, in a temporary folder under /tmp that
// goes with the object.
class TBenchVault {
public:
    explicit TBenchVault(int records, TVaultFormat format = TVaultFormat::Format101) {
        char pattern[] = "/tmp/cofferix-bench-XXXXXX";
        FFolder = ::mkdtemp(pattern) ? pattern : "";
        FPath = FFolder + "/UserData.dat";
        FillBenchTree(FTree, records);
        VaultCreate(FPath, kBenchPassword, format);
        VaultSave(FPath, kBenchPassword, FTree);
    }
    TBenchVault(const TBenchVault&) = delete;
    TBenchVault& operator=(const TBenchVault&) = delete;
    ~TBenchVault() {
        std::error_code ignored;
        std::filesystem::remove_all(FFolder, ignored);
    }

    const std::string& Path() const { return FPath; }
    const TRecordTree& Tree() const { return FTree; }
    std::uint64_t FileSize() const { return std::filesystem::file_size(FPath); }

private:
    std::string FFolder;
    std::string FPath;
    TRecordTree FTree;
};
