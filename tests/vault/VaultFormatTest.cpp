#include <gtest/gtest.h>

#include "VaultTestSupport.h"
#include "vault/Clock.h"
#include "vault/VaultFormat.h"

using namespace VaultFormat;

namespace {

TBytes EncodedSlot(const TNodeData& node, std::int32_t index = 0) {
    TBytes slot(kSlotSize, 0xCC);
    EncodeSlot(node, index, slot.data());
    return slot;
}

TNodeData RecordWithTexts() {
    TNodeData node;
    node.Title = "title";
    node.UserName = "user";
    node.Password = "secret";
    node.Url = "https://example.org/";
    node.Notes = "line 1\r\nline 2";
    return node;
}

}  // namespace

TEST(VaultFormatHeader, FreshHeaderBytes) {
    const TDateTime before = NowAsDateTime();
    TBytes bytes(kHeaderSize, 0xCC);
    EncodeHeader(FreshHeader(), bytes.data());
    const TDateTime after = NowAsDateTime();
    EXPECT_EQ(TBytes(bytes.begin(), bytes.begin() + 12), HexBytes("6500000000000000ffbb55aa"));
    const TDateTime created = ReadDateTime(bytes.data() + 12);
    const TDateTime passwordSet = ReadDateTime(bytes.data() + 20);
    EXPECT_GE(created, before);
    EXPECT_LE(created, passwordSet);
    EXPECT_LE(passwordSet, after);
    EXPECT_TRUE(
        std::all_of(bytes.begin() + 28, bytes.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(VaultFormatHeader, RoundTripKeepsReservedBytes) {
    TVaultHeader header;
    header.Version = 102;
    header.RecordCount = -3;
    header.HeaderMagic = kMagic;
    header.CreateTime = 45000.25;
    header.PasswordTime = 45001.5;
    header.Reserved[0] = 0x11;
    header.Reserved[483] = 0x99;
    TBytes bytes(kHeaderSize);
    EncodeHeader(header, bytes.data());
    EXPECT_EQ(bytes[28], 0x11);
    EXPECT_EQ(bytes[511], 0x99);
    EXPECT_EQ(TBytes(bytes.begin() + 4, bytes.begin() + 8), HexBytes("fdffffff"));
    const TVaultHeader back = DecodeHeader(bytes.data());
    EXPECT_EQ(back.Version, 102);
    EXPECT_EQ(back.RecordCount, -3);
    EXPECT_EQ(back.CreateTime, 45000.25);
    EXPECT_EQ(back.PasswordTime, 45001.5);
    EXPECT_EQ(back.Reserved, header.Reserved);
}

TEST(VaultFormatSlot, FixedFieldsAtTheirOffsets) {
    TNodeData node = RecordWithTexts();
    node.Guid.Bytes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    node.SpareValue = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8};
    node.AddedTime = 44000.5;
    node.AddedTime2 = 44000.75;
    const TBytes slot = EncodedSlot(node, 7);
    EXPECT_EQ(TBytes(slot.begin(), slot.begin() + 16),
              HexBytes("00080000ffbb55aa0700000000000000"));
    EXPECT_EQ(TBytes(slot.begin() + 16, slot.begin() + 32),
              TBytes(node.Guid.Bytes.begin(), node.Guid.Bytes.end()));
    EXPECT_EQ(slot[32], 'u');
    EXPECT_EQ(slot[160], 't');
    EXPECT_EQ(slot[288], 's');
    EXPECT_EQ(slot[544], 'l');
    EXPECT_EQ(slot[1568], 'h');
    EXPECT_TRUE(std::all_of(slot.begin() + 1824, slot.begin() + 2020,
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(TBytes(slot.begin() + 2020, slot.begin() + 2028), HexBytes("a1a2a3a4a5a6a7a8"));
    EXPECT_EQ(ReadDateTime(slot.data() + 2028), 44000.5);
    EXPECT_EQ(ReadDateTime(slot.data() + 2036), 44000.75);
    EXPECT_EQ(TBytes(slot.begin() + 2044, slot.end()), HexBytes("ddccbbaa"));

    TNodeData back;
    DecodeSlotFields(slot.data(), back);
    EXPECT_EQ(back.Guid, node.Guid);
    EXPECT_EQ(back.Title, node.Title);
    EXPECT_EQ(back.UserName, node.UserName);
    EXPECT_EQ(back.Password, node.Password);
    EXPECT_EQ(back.Url, node.Url);
    EXPECT_EQ(back.Notes, node.Notes);
    EXPECT_EQ(back.SpareValue, node.SpareValue);
    EXPECT_EQ(back.AddedTime2, node.AddedTime2);
    const TSlotInfo info = DecodeSlotInfo(slot.data());
    EXPECT_EQ(info.SlotIndex, 7);
    EXPECT_EQ(info.GroupFlag, 0u);
    EXPECT_EQ(info.SlotTrailer, kSlotTrailer);
}

TEST(VaultFormatSlot, GroupFlagIsAllOnes) {
    TNodeData group;
    group.IsGroup = true;
    group.Title = "Mail";
    const TBytes slot = EncodedSlot(group, 0);
    EXPECT_EQ(TBytes(slot.begin() + 12, slot.begin() + 16), HexBytes("ffffffff"));
}

TEST(VaultFormatText, FieldsOfExactSizeHaveNoTerminatorAndLeaveTheirNeighbour) {
    TNodeData node = RecordWithTexts();
    node.Title = std::string(128, 'T');
    node.UserName = std::string(128, 'U');
    node.Notes = std::string(1024, 'N');
    const TBytes slot = EncodedSlot(node);
    EXPECT_EQ(slot[160 + 127], 'T');
    EXPECT_EQ(slot[288], 's');   // Password follows Title untouched
    EXPECT_EQ(slot[160], 'T');   // Title follows UserName untouched
    EXPECT_EQ(slot[1568], 'h');  // Url follows Notes untouched
    TNodeData back;
    DecodeSlotFields(slot.data(), back);
    EXPECT_EQ(back.Title, node.Title);
    EXPECT_EQ(back.UserName, node.UserName);
    EXPECT_EQ(back.Notes, node.Notes);
    EXPECT_EQ(back.Password, "secret");
    EXPECT_EQ(back.Url, "https://example.org/");
}

TEST(VaultFormatText, LongerTextsAreCutToTheirField) {
    TNodeData group;
    group.IsGroup = true;
    group.Title = std::string(100, 'a') + std::string(100, 'b');
    TNodeData back;
    DecodeSlotFields(EncodedSlot(group).data(), back);
    EXPECT_EQ(back.Title, group.Title.substr(0, 128));

    TNodeData record = RecordWithTexts();
    record.Password = std::string(300, 'p');
    record.Url = std::string(257, 'w');
    DecodeSlotFields(EncodedSlot(record).data(), back);
    EXPECT_EQ(back.Password, std::string(256, 'p'));
    EXPECT_EQ(back.Url, std::string(256, 'w'));
}

TEST(VaultFormatText, ShorterTextsAreZeroFilledAndReadToTheFirstZero) {
    std::uint8_t field[8];
    std::fill(std::begin(field), std::end(field), 0xCC);
    WriteTextField(field, 8, "abc");
    EXPECT_EQ(TBytes(field, field + 8), HexBytes("6162630000000000"));
    const std::uint8_t embedded[6] = {'x', 'y', 0, 'z', 'z', 'z'};
    EXPECT_EQ(ReadTextField(embedded, 6), "xy");
    const std::uint8_t high[3] = {0xE9, 0xFF, 0x80};
    EXPECT_EQ(ReadTextField(high, 3), "\xE9\xFF\x80");
}
