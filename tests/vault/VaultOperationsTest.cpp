#include <gtest/gtest.h>

#include "VaultFixture.h"
#include "vault/AtomicFile.h"
#include "vault/Clock.h"
#include "vault/CofferixError.h"

using namespace VaultFormat;

namespace {

// "r1", "r2", ...; built by appending, since GCC 12 at -O3 warns falsely (-Wrestrict) on
// a literal + std::string.
std::string RecordTitle(int number) {
    std::string title = "r";
    title += std::to_string(number);
    return title;
}

}  // namespace

// --- Create and check -------------------------------------------------------------------

using VaultCreateTest = TVaultFixture;

TEST_F(VaultCreateTest, NewVaultIsOneHeaderOf512Bytes) {
    const TDateTime before = NowAsDateTime();
    VaultCreate(VaultPath(), kPassword);
    EXPECT_EQ(ReadFileBytes(VaultPath()).size(), 512u);
    const TBytes plain = Plaintext();
    EXPECT_EQ(TBytes(plain.begin(), plain.begin() + 12), HexBytes("6500000000000000ffbb55aa"));
    EXPECT_GE(ReadDateTime(plain.data() + 12), before);
    EXPECT_LE(ReadDateTime(plain.data() + 12), ReadDateTime(plain.data() + 20));
    EXPECT_TRUE(
        std::all_of(plain.begin() + 28, plain.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(VaultCheckPassword(VaultPath(), kPassword));
}

TEST_F(VaultCreateTest, CreatesMissingFoldersWithAllParents) {
    const std::string path = Folder().File("a/b/c/vault.dat");
    VaultCreate(path, kPassword);
    EXPECT_TRUE(VaultCheckPassword(path, kPassword));
}

TEST_F(VaultCreateTest, AFailedCreateRemovesTheFoldersItMade) {
    ASSERT_TRUE(std::filesystem::create_directory(Folder().File("kept")));
    AtomicFileTesting::SetWriteFunction(
        [](int, const void*, std::size_t) -> ssize_t { return errno = ENOSPC, -1; });
    EXPECT_THROW(VaultCreate(Folder().File("kept/made/too/vault.dat"), kPassword), EVaultError);
    AtomicFileTesting::SetWriteFunction(nullptr);
    EXPECT_EQ(Folder().Entries(), std::vector<std::string>{"kept"});
    EXPECT_TRUE(std::filesystem::is_empty(Folder().File("kept")));
}

TEST_F(VaultCreateTest, FolderThatCannotBeMadeNamesTheFolderWithItsSeparator) {
    WriteFileBytes(Folder().File("plainfile"), TBytes(3, 1));
    const std::string folder = Folder().File("plainfile/sub/");
    EXPECT_EQ(ErrorText([&] { VaultCreate(folder + "vault.dat", kPassword); }),
              "Failed to create the installation path " + folder);
}

TEST_F(VaultCreateTest, ReplacesAnExistingFile) {
    WriteFileBytes(VaultPath(), TBytes(5000, 0x42));
    VaultCreate(VaultPath(), kPassword);
    EXPECT_EQ(ReadFileBytes(VaultPath()).size(), 512u);
    EXPECT_TRUE(VaultCheckPassword(VaultPath(), kPassword));
}

TEST_F(VaultCreateTest, AFolderInThePlaceOfTheFileCannotBeCreated) {
    std::filesystem::create_directory(VaultPath());
    EXPECT_EQ(ErrorText([&] { VaultCreate(VaultPath(), kPassword); }),
              "Cannot create file \"" + VaultPath() + "\". Is a directory");
}

using VaultCheckTest = TVaultFixture;

TEST_F(VaultCheckTest, ShortFileAndWrongPasswordAreFalseWithoutError) {
    WriteFileBytes(VaultPath(), TBytes(100, 0));
    EXPECT_FALSE(VaultCheckPassword(VaultPath(), kPassword));
    VaultCreate(VaultPath(), kPassword);
    EXPECT_FALSE(VaultCheckPassword(VaultPath(), "another password"));
    EXPECT_FALSE(VaultCheckPassword(VaultPath(), ""));
}

TEST_F(VaultCheckTest, MissingFileRaisesTheOpenError) {
    EXPECT_THROW(VaultCheckPassword(VaultPath(), kPassword), EVaultOpenError);
    EXPECT_EQ(ErrorText([&] { VaultCheckPassword(VaultPath(), kPassword); }),
              "Cannot open file \"" + VaultPath() + "\". No such file or directory");
}

TEST_F(VaultCheckTest, OnlyTheFirst32CharactersCount) {
    const std::string longPassword = "0123456789abcdefghij0123456789AB-first";
    VaultCreate(VaultPath(), longPassword);
    EXPECT_TRUE(VaultCheckPassword(VaultPath(), "0123456789abcdefghij0123456789AB-other"));
    EXPECT_FALSE(VaultCheckPassword(VaultPath(), "0123456789abcdefghij0123456789A"));
}

// The window's check reads the header alone; the check with the load's length rule refuses
// what the load refuses, with its text, whatever the password.
TEST_F(VaultCheckTest, OnlyTheHeaderIsReadSoALengthOffBlocksChecksUnlessTheLoadsRuleApplies) {
    VaultCreate(VaultPath(), kPassword);
    TBytes bytes = ReadFileBytes(VaultPath());
    bytes.resize(520, 0x33);
    WriteFileBytes(VaultPath(), bytes);
    EXPECT_TRUE(VaultCheckPassword(VaultPath(), kPassword));
    TRecordTree tree;
    const std::string loadError = ErrorText([&] { VaultLoad(VaultPath(), kPassword, tree); });
    EXPECT_EQ(loadError, "Invalid buffer size for decryption");
    EXPECT_EQ(ErrorText([&] { VaultCheckLoadable(VaultPath(), kPassword); }), loadError);
    EXPECT_EQ(ErrorText([&] { VaultCheckLoadable(VaultPath(), "wrong"); }), loadError);
    bytes.resize(512);
    WriteFileBytes(VaultPath(), bytes);
    EXPECT_TRUE(VaultCheckLoadable(VaultPath(), kPassword));
    EXPECT_FALSE(VaultCheckLoadable(VaultPath(), "wrong"));
}

TEST_F(VaultCheckTest, Version102LoadsAndSavesButFailsTheCheck) {
    TBytes plain = HeaderBytes(0);
    plain[0] = 102;
    WritePlaintext(plain);
    EXPECT_FALSE(VaultCheckPassword(VaultPath(), kPassword));
    TRecordTree tree;
    BuildGroupWithTwoRecords(tree);
    VaultSave(VaultPath(), kPassword, tree);
    VaultLoad(VaultPath(), kPassword, tree);
    EXPECT_EQ(tree.Count(), 3u);
    EXPECT_EQ(Plaintext()[0], 102);
}

// --- Load errors ------------------------------------------------------------------------

using VaultLoadTest = TVaultFixture;

TEST_F(VaultLoadTest, FailuresEmptyTheTreeFirstAndCarryTheirTexts) {
    TRecordTree tree;
    BuildGroupWithTwoRecords(tree);
    WriteFileBytes(VaultPath(), TBytes(511, 0));
    EXPECT_EQ(ErrorText([&] { VaultLoad(VaultPath(), kPassword, tree); }),
              "Invalid database!\r\n" + VaultPath());
    EXPECT_TRUE(tree.IsEmpty());

    VaultCreate(VaultPath(), kPassword);
    BuildGroupWithTwoRecords(tree);
    EXPECT_EQ(ErrorText([&] { VaultLoad(VaultPath(), "wrong", tree); }), "Invalid Password!");
    EXPECT_TRUE(tree.IsEmpty());

    TBytes bytes = ReadFileBytes(VaultPath());
    bytes.resize(520, 0);
    WriteFileBytes(VaultPath(), bytes);
    EXPECT_EQ(ErrorText([&] { VaultLoad(VaultPath(), kPassword, tree); }),
              "Invalid buffer size for decryption");

    EXPECT_EQ(
        ErrorText([&] { VaultLoad(Folder().File("missing.dat"), kPassword, tree); }),
        "Cannot open file \"" + Folder().File("missing.dat") + "\". No such file or directory");
}

TEST_F(VaultLoadTest, RecordBeforeAnyGroupGoesUnderDefaultGroup) {
    TBytes plain = HeaderBytes(3);
    AppendSlot(plain, Record("orphan"), 0);
    AppendSlot(plain, Group("Bank"), 1);
    AppendSlot(plain, Record("account"), 2);
    WritePlaintext(plain);
    TRecordTree tree;
    VaultLoad(VaultPath(), kPassword, tree);
    EXPECT_EQ(Titles(tree),
              (std::vector<std::string>{"Default Group", "  orphan", "Bank", "  account"}));
    EXPECT_TRUE(tree.First()->Data.IsGroup);
    EXPECT_EQ(tree.First()->Data.ImageIndex, kGroupImageIndex);
    EXPECT_NE(tree.First()->Data.Guid, TGuid{});

    // The next save writes the made-up group as a real group slot.
    VaultSave(VaultPath(), kPassword, tree);
    const TBytes saved = Plaintext();
    EXPECT_EQ(RecordCountOf(saved), 4);
    EXPECT_EQ(DecodeSlotInfo(saved.data() + 512).GroupFlag, kGroupFlagSet);
    EXPECT_EQ(ReadTextField(saved.data() + 512 + kTitleOffset, kTitleSize), "Default Group");
}

TEST_F(VaultLoadTest, DamagedSlotIsSkippedButCountedAndDroppedByTheNextSave) {
    TBytes plain = HeaderBytes(4);
    AppendSlot(plain, Group("Mail"), 0);
    AppendSlot(plain, Record("damaged"), 1);
    AppendSlot(plain, Record("kept"), 2);
    AppendSlot(plain, Record("fourth"), 3);
    plain[512 + 2048 + kSlotMagicOffset] ^= 0x01;
    plain.resize(512 + 5 * 2048, 0);  // a fifth, uncounted slot position
    AppendSlot(plain, Record("never read"), 4);
    WritePlaintext(plain);
    TRecordTree tree;
    VaultLoad(VaultPath(), kPassword, tree);
    EXPECT_EQ(Titles(tree), (std::vector<std::string>{"Mail", "  kept", "  fourth"}));
    VaultSave(VaultPath(), kPassword, tree);
    EXPECT_EQ(RecordCountOf(Plaintext()), 3);
}

TEST_F(VaultLoadTest, RecordCountBeyondTheSlotsPresentLoadsWhatIsThere) {
    TBytes plain = HeaderBytes(12);
    AppendSlot(plain, Group("g"), 0);
    for (int i = 1; i < 10; ++i) {
        AppendSlot(plain, Record(RecordTitle(i)), i);
    }
    plain.resize(plain.size() + 1024, 0);  // half a slot: not enough for another
    WritePlaintext(plain);
    TRecordTree tree;
    VaultLoad(VaultPath(), kPassword, tree);
    EXPECT_EQ(tree.Count(), 10u);
}

TEST_F(VaultLoadTest, ZeroOrNegativeRecordCountIsAnEmptyVault) {
    TBytes plain = HeaderBytes(-1);
    AppendSlot(plain, Group("ignored"), 0);
    WritePlaintext(plain);
    TRecordTree tree;
    BuildGroupWithTwoRecords(tree);
    VaultLoad(VaultPath(), kPassword, tree);
    EXPECT_TRUE(tree.IsEmpty());
}

// --- Save and load ----------------------------------------------------------------------

using VaultSaveTest = TVaultFixture;

TEST_F(VaultSaveTest, OneGroupWithTwoRecordsIsThreeSlotsInPreOrder) {
    VaultCreate(VaultPath(), kPassword);
    TRecordTree tree;
    BuildGroupWithTwoRecords(tree);
    VaultSave(VaultPath(), kPassword, tree);
    EXPECT_EQ(ReadFileBytes(VaultPath()).size(), 6656u);
    const TBytes plain = Plaintext();
    EXPECT_EQ(RecordCountOf(plain), 3);
    const std::uint32_t flags[] = {kGroupFlagSet, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const TSlotInfo info = DecodeSlotInfo(plain.data() + 512 + 2048 * i);
        EXPECT_EQ(info.SlotIndex, i);
        EXPECT_EQ(info.GroupFlag, flags[i]);
        EXPECT_EQ(info.SlotSize, 2048);
        EXPECT_EQ(info.SlotMagic, kMagic);
        EXPECT_EQ(info.SlotTrailer, kSlotTrailer);
    }
}

TEST_F(VaultSaveTest, RecordsKeepTheirIdentityWhileGroupsGetAFreshGuid) {
    VaultCreate(VaultPath(), kPassword);
    TRecordTree tree;
    BuildGroupWithTwoRecords(tree);
    PNode record = tree.Child(tree.First(), 0);
    record->Data.SpareValue = {1, 2, 3, 4, 5, 6, 7, 8};
    record->Data.Notes = "a\r\nb";
    record->Data.Url = "https://example.org";
    const TNodeData original = record->Data;
    VaultSave(VaultPath(), kPassword, tree);

    TRecordTree loaded;
    VaultLoad(VaultPath(), kPassword, loaded);
    ASSERT_EQ(Titles(loaded), (std::vector<std::string>{"Mail", "  r1", "  r2"}));
    const TGuid firstGroupGuid = loaded.First()->Data.Guid;
    const TNodeData& back = loaded.Child(loaded.First(), 0)->Data;
    EXPECT_EQ(back.Guid, original.Guid);
    EXPECT_EQ(back.AddedTime, original.AddedTime);
    EXPECT_EQ(back.AddedTime2, original.AddedTime2);
    EXPECT_EQ(back.SpareValue, original.SpareValue);
    EXPECT_EQ(back.Notes, original.Notes);
    EXPECT_EQ(back.Url, original.Url);
    EXPECT_EQ(back.Password, original.Password);
    EXPECT_FALSE(back.IsGroup);
    EXPECT_EQ(back.ImageIndex, kRecordImageIndex);
    EXPECT_TRUE(loaded.First()->Data.IsGroup);
    EXPECT_EQ(loaded.First()->Data.ImageIndex, kGroupImageIndex);

    VaultSave(VaultPath(), kPassword, loaded);
    TRecordTree again;
    VaultLoad(VaultPath(), kPassword, again);
    EXPECT_NE(again.First()->Data.Guid, firstGroupGuid);
    EXPECT_EQ(again.Child(again.First(), 0)->Data.Guid, original.Guid);
}

// A writer that never shortens the file keeps a deleted record's slot, readable to anyone
// with the password, beyond the new end. Neither a save nor a change of master password may.
TEST_F(VaultSaveTest, ADeletedRecordLeavesNoByteAfterASaveOrAChangeOfPassword) {
    TNodeData gone = Record("Gone title", "Gone-Password-7");
    gone.Notes = "gone notes";
    const auto expectOnlyCountedSlots = [&gone](const TBytes& plain) {
        EXPECT_EQ(plain.size(), kHeaderSize + std::size_t{kSlotSize} * RecordCountOf(plain));
        for (const std::string& text : {gone.Title, gone.UserName, gone.Password, gone.Notes}) {
            EXPECT_TRUE(std::search(plain.begin(), plain.end(), text.begin(), text.end()) ==
                        plain.end())
                << "the file still holds \"" << text << "\"";
        }
    };
    VaultCreate(VaultPath(), kPassword);
    TRecordTree tree;
    PNode group = AddNode(tree, nullptr, Group("g"));
    AddNode(tree, group, Record("kept"));
    PNode deleted = AddNode(tree, group, gone);
    VaultSave(VaultPath(), kPassword, tree);
    tree.Delete(deleted);
    VaultSave(VaultPath(), kPassword, tree);
    expectOnlyCountedSlots(Plaintext());
    EXPECT_EQ(RecordCountOf(Plaintext()), 2);

    // A file that such a writer left: the change of password leaves the remains out.
    TBytes plain = HeaderBytes(2);
    AppendSlot(plain, Group("g"), 0);
    AppendSlot(plain, Record("kept"), 1);
    AppendSlot(plain, gone, 2);
    WritePlaintext(plain);
    VaultChangePassword(VaultPath(), kPassword, "new password");
    const TBytes after = Plaintext("new password");
    expectOnlyCountedSlots(after);
    EXPECT_TRUE(std::equal(after.begin() + kHeaderReservedOffset, after.end(),
                           plain.begin() + kHeaderReservedOffset));
    VaultLoad(VaultPath(), "new password", tree);
    EXPECT_EQ(Titles(tree), (std::vector<std::string>{"g", "  kept"}));
}

TEST_F(VaultSaveTest, HeaderBytesIncludingReservedAreCarriedOver) {
    TBytes plain = HeaderBytes(0);
    plain[100] = 0x77;
    plain[511] = 0x88;
    WritePlaintext(plain);
    TRecordTree tree;
    BuildGroupWithTwoRecords(tree);
    VaultSave(VaultPath(), kPassword, tree);
    const TBytes saved = Plaintext();
    EXPECT_TRUE(std::equal(saved.begin() + 8, saved.begin() + 512, plain.begin() + 8));
    EXPECT_EQ(RecordCountOf(saved), 3);
}

TEST_F(VaultSaveTest, WrongPasswordOrShortFileLeavesTheFileUnchanged) {
    VaultCreate(VaultPath(), "someone else's password");
    const TBytes before = ReadFileBytes(VaultPath());
    TRecordTree tree;
    BuildGroupWithTwoRecords(tree);
    EXPECT_EQ(ErrorText([&] { VaultSave(VaultPath(), kPassword, tree); }), "Invalid Password!");
    EXPECT_EQ(ReadFileBytes(VaultPath()), before);

    TBytes offBlocks = before;
    offBlocks.resize(520, 0);
    WriteFileBytes(VaultPath(), offBlocks);
    EXPECT_EQ(ErrorText([&] { VaultSave(VaultPath(), "someone else's password", tree); }),
              "Invalid buffer size for decryption");
    EXPECT_EQ(ErrorText([&] { VaultChangePassword(VaultPath(), "someone else's password", "x"); }),
              "Invalid buffer size for decryption");
    EXPECT_EQ(ReadFileBytes(VaultPath()), offBlocks);

    WriteFileBytes(VaultPath(), TBytes(64, 0));
    EXPECT_EQ(ErrorText([&] { VaultSave(VaultPath(), kPassword, tree); }),
              "Invalid database!\r\n" + VaultPath());
    EXPECT_EQ(ReadFileBytes(VaultPath()), TBytes(64, 0));
    EXPECT_THROW(VaultSave(Folder().File("none.dat"), kPassword, tree), EVaultOpenError);
}

TEST_F(VaultSaveTest, EmptyTreeWritesAHeaderWithNoRecords) {
    VaultCreate(VaultPath(), kPassword);
    TRecordTree tree;
    VaultSave(VaultPath(), kPassword, tree);
    EXPECT_EQ(ReadFileBytes(VaultPath()).size(), 512u);
    EXPECT_EQ(RecordCountOf(Plaintext()), 0);
}

// --- Change of master password ----------------------------------------------------------

using VaultChangeTest = TVaultFixture;

TEST_F(VaultChangeTest, RekeysTheWholeVaultAndSetsOnlyThePasswordTime) {
    TBytes plain = HeaderBytes(2);
    WriteDateTime(plain.data() + kPasswordTimeOffset, 40000.0);
    plain[300] = 0x5C;  // a reserved header byte
    AppendSlot(plain, Group("g"), 0);
    AppendSlot(plain, Record("r"), 1);
    WritePlaintext(plain);
    const std::size_t length = ReadFileBytes(VaultPath()).size();

    VaultChangePassword(VaultPath(), kPassword, "new password");
    EXPECT_EQ(ReadFileBytes(VaultPath()).size(), length);
    EXPECT_FALSE(VaultCheckPassword(VaultPath(), kPassword));
    EXPECT_TRUE(VaultCheckPassword(VaultPath(), "new password"));
    const TBytes after = Plaintext("new password");
    EXPECT_EQ(ReadDateTime(after.data() + kCreateTimeOffset),
              ReadDateTime(plain.data() + kCreateTimeOffset));
    EXPECT_GT(ReadDateTime(after.data() + kPasswordTimeOffset), 40000.0);
    // Everything but the password time is the same plaintext.
    EXPECT_TRUE(std::equal(after.begin() + 28, after.end(), plain.begin() + 28));
    TRecordTree tree;
    EXPECT_THROW(VaultLoad(VaultPath(), kPassword, tree), EVaultError);
}

TEST_F(VaultChangeTest, WrongCurrentPasswordLeavesTheFileUnchanged) {
    VaultCreate(VaultPath(), kPassword);
    const TBytes before = ReadFileBytes(VaultPath());
    EXPECT_EQ(ErrorText([&] { VaultChangePassword(VaultPath(), "wrong", "new"); }),
              "Invalid Password!");
    EXPECT_EQ(ReadFileBytes(VaultPath()), before);
    WriteFileBytes(VaultPath(), TBytes(10, 0));
    EXPECT_EQ(ErrorText([&] { VaultChangePassword(VaultPath(), kPassword, "new"); }),
              "Invalid database!\r\n" + VaultPath());
}
