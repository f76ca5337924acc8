#include <gtest/gtest.h>

#include <optional>

#include "VaultFixture.h"
#include "vault/ElAES.h"

// Save, load and the change of password move a vault between file and tree a chunk of up to
// 1024 slots (2 MiB) at a time. The file must still hold exactly what one pass of the codec
// over the whole plaintext gives, on either cipher path, whatever falls on a chunk boundary.

using namespace VaultFormat;

namespace {

// 2100 nodes: more than two chunks' worth of slots, the last chunk partial.
constexpr int kGroups = 21;
constexpr int kRecordsPerGroup = 99;
constexpr std::size_t kNodes = kGroups * (kRecordsPerGroup + 1);

std::string Numbered(const char* prefix, int number) {
    std::string text = prefix;
    text += std::to_string(number);
    return text;
}

}  // namespace

// The parameter: true runs the cipher on the processor's AES instructions, false on the
// tables.
class VaultChunkingTest : public TVaultFixture, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        if (GetParam() && !AesHardwareAvailable()) {
            GTEST_SKIP() << "this processor has no AES instructions";
        }
        FPath.emplace(GetParam());
    }

    static void BuildLargeTree(TRecordTree& tree) {
        for (int g = 0; g < kGroups; ++g) {
            PNode group = AddNode(tree, nullptr, Group(Numbered("group ", g)));
            for (int r = 0; r < kRecordsPerGroup; ++r) {
                TNodeData record = Record(Numbered("record ", g * kRecordsPerGroup + r));
                record.Notes = std::string(static_cast<std::size_t>(r * 10), 'n');
                AddNode(tree, group, record);
            }
        }
    }

    // header (512 bytes) with the tree's node count, then one slot per node in pre-order.
    static TBytes PlaintextOf(const TRecordTree& tree, TBytes header) {
        WriteUint32(header.data() + kRecordCountOffset, static_cast<std::uint32_t>(tree.Count()));
        std::int32_t index = 0;
        for (PNode node = tree.First(); node; node = tree.Next(node)) {
            AppendSlot(header, node->Data, index++);
        }
        return header;
    }

    // The codec's ciphertext, on the tables whatever path the test runs on.
    static TBytes TableCiphertext(const TBytes& plain, const std::string& password) {
        const TCipherPathScope tables(false);
        return EncryptBytes(plain, password);
    }

    TBytes HeaderOfTheFile() const {
        const TBytes plain = Plaintext();
        return TBytes(plain.begin(), plain.begin() + kHeaderSize);
    }

private:
    std::optional<TCipherPathScope> FPath;
};

TEST_P(VaultChunkingTest, SaveWritesOnePassOfTheCodecOverHeaderAndSlots) {
    VaultCreate(VaultPath(), kPassword);
    const TBytes header = HeaderOfTheFile();
    TRecordTree tree;
    BuildLargeTree(tree);
    ASSERT_EQ(tree.Count(), kNodes);
    VaultSave(VaultPath(), kPassword, tree);
    EXPECT_EQ(ReadFileBytes(VaultPath()), TableCiphertext(PlaintextOf(tree, header), kPassword));

    TRecordTree loaded;
    VaultLoad(VaultPath(), kPassword, loaded);
    EXPECT_EQ(Titles(loaded), Titles(tree));
    EXPECT_EQ(loaded.Child(loaded.Child(nullptr, kGroups - 1), 98)->Data.Notes,
              std::string(98 * 10, 'n'));
}

TEST_P(VaultChunkingTest, ShrinkingSaveEndsTheFileAfterItsLastSlot) {
    VaultCreate(VaultPath(), kPassword);
    const TBytes header = HeaderOfTheFile();
    TRecordTree tree;
    BuildLargeTree(tree);
    VaultSave(VaultPath(), kPassword, tree);

    // Two chunks' worth of former slots lie beyond the new end.
    while (tree.ChildCount(nullptr) > 1) {
        tree.Delete(tree.Child(nullptr, 1));
    }
    VaultSave(VaultPath(), kPassword, tree);
    EXPECT_EQ(ReadFileBytes(VaultPath()), TableCiphertext(PlaintextOf(tree, header), kPassword));

    TRecordTree loaded;
    VaultLoad(VaultPath(), kPassword, loaded);
    EXPECT_EQ(loaded.Count(), std::size_t{kRecordsPerGroup + 1});
}

// Slot 1023 ends the first chunk and slot 1024 starts the second: a damaged slot and a group
// sit there. 1100 slots and half of another are present, though the header counts 2200.
TEST_P(VaultChunkingTest, LoadReadsTheCountedSlotsAcrossChunkBoundaries) {
    TBytes plain = HeaderBytes(2200);
    AppendSlot(plain, Group("first"), 0);
    for (int i = 1; i < 1100; ++i) {
        AppendSlot(plain, i == 1024 ? Group("second") : Record(Numbered("r", i)), i);
    }
    WriteUint32(plain.data() + kHeaderSize + 1023 * kSlotSize + kSlotMagicOffset, 0x12345678);
    plain.resize(plain.size() + 1024, 0);
    WritePlaintext(plain);

    TRecordTree tree;
    VaultLoad(VaultPath(), kPassword, tree);
    ASSERT_EQ(tree.ChildCount(nullptr), 2);
    EXPECT_EQ(tree.ChildCount(tree.Child(nullptr, 0)), 1022);  // slots 1..1022
    EXPECT_EQ(tree.Child(tree.Child(nullptr, 0), 1021)->Data.Title, "r1022");
    EXPECT_EQ(tree.Child(nullptr, 1)->Data.Title, "second");
    EXPECT_EQ(tree.ChildCount(tree.Child(nullptr, 1)), 75);  // slots 1025..1099

    // A count below the slots present stops there, inside the second chunk.
    WriteUint32(plain.data() + kRecordCountOffset, 1050);
    WritePlaintext(plain);
    VaultLoad(VaultPath(), kPassword, tree);
    EXPECT_EQ(tree.ChildCount(tree.Child(nullptr, 1)), 25);  // slots 1025..1049
}

// The counted slots end inside the second chunk; slots and a partial one follow them.
TEST_P(VaultChunkingTest, ChangeOfPasswordRekeysEveryChunkUpToTheLastCountedSlot) {
    constexpr int kCounted = 1030;
    TBytes plain = HeaderBytes(kCounted);
    AppendSlot(plain, Group("g"), 0);
    for (int i = 1; i < 1100; ++i) {
        AppendSlot(plain, Record(Numbered("r", i)), i);
    }
    for (int i = 0; i < 48; ++i) {
        plain.push_back(static_cast<std::uint8_t>(i * 37));
    }
    WritePlaintext(plain);

    VaultChangePassword(VaultPath(), kPassword, "new password");
    const TBytes after = Plaintext("new password");
    ASSERT_EQ(after.size(), kHeaderSize + std::size_t{kSlotSize} * kCounted);
    EXPECT_TRUE(std::equal(after.begin() + kHeaderReservedOffset, after.end(),
                           plain.begin() + kHeaderReservedOffset));
    EXPECT_EQ(ReadFileBytes(VaultPath()), TableCiphertext(after, "new password"));
}

INSTANTIATE_TEST_SUITE_P(BothCipherPaths, VaultChunkingTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Hardware" : "Tables";
                         });
