#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/VaultRules.h"
#include "vault/NodeData.h"

// The plaintext layout of a vault: a 512-byte header, then one 2048-byte slot per tree node
// in pre-order. A file from another writer may go on beyond the counted slots (the remains of
// an earlier, longer content); readers ignore those bytes and our writes leave them out. Every
// field sits at an explicit offset and is little-endian; nothing relies on struct packing.

namespace VaultFormat {

constexpr std::int32_t kVersion = 101;
constexpr std::uint32_t kMagic = 0xAA55BBFF;
constexpr std::uint32_t kSlotTrailer = 0xAABBCCDD;
constexpr std::uint32_t kHeaderSize = kVaultHeaderSize;
constexpr std::uint32_t kSlotSize = 2048;
constexpr std::uint32_t kGroupFlagSet = 0xFFFFFFFF;

// Header offsets.
constexpr std::size_t kVersionOffset = 0;
constexpr std::size_t kRecordCountOffset = 4;
constexpr std::size_t kHeaderMagicOffset = 8;
constexpr std::size_t kCreateTimeOffset = 12;
constexpr std::size_t kPasswordTimeOffset = 20;
constexpr std::size_t kHeaderReservedOffset = 28;
constexpr std::size_t kHeaderReservedSize = kHeaderSize - kHeaderReservedOffset;

// Slot offsets and text field sizes.
constexpr std::size_t kSlotSizeOffset = 0;
constexpr std::size_t kSlotMagicOffset = 4;
constexpr std::size_t kSlotIndexOffset = 8;
constexpr std::size_t kGroupFlagOffset = 12;
constexpr std::size_t kGuidOffset = 16;
constexpr std::size_t kUserNameOffset = 32;
constexpr std::size_t kUserNameSize = 128;
constexpr std::size_t kTitleOffset = 160;
constexpr std::size_t kTitleSize = 128;
constexpr std::size_t kPasswordOffset = 288;
constexpr std::size_t kPasswordSize = 256;
constexpr std::size_t kNotesOffset = 544;
constexpr std::size_t kNotesSize = 1024;
constexpr std::size_t kUrlOffset = 1568;
constexpr std::size_t kUrlSize = 256;
constexpr std::size_t kSlotReservedOffset = 1824;
constexpr std::size_t kSpareValueOffset = 2020;
constexpr std::size_t kAddedTimeOffset = 2028;
constexpr std::size_t kAddedTime2Offset = 2036;
constexpr std::size_t kSlotTrailerOffset = 2044;

struct TVaultHeader {
    std::int32_t Version = 0;
    std::int32_t RecordCount = 0;
    std::uint32_t HeaderMagic = 0;
    TDateTime CreateTime = 0;
    TDateTime PasswordTime = 0;
    std::array<std::uint8_t, kHeaderReservedSize> Reserved{};  // carried through every write
};

// The fixed fields of a slot; its texts, Guid and times are read into node data.
struct TSlotInfo {
    std::int32_t SlotSize = 0;
    std::uint32_t SlotMagic = 0;
    std::int32_t SlotIndex = 0;
    std::uint32_t GroupFlag = 0;
    std::uint32_t SlotTrailer = 0;
};

// Version 101, no records, the magic, both times from two readings of the clock.
TVaultHeader FreshHeader();

void EncodeHeader(const TVaultHeader& header, std::uint8_t* out);  // writes kHeaderSize bytes
TVaultHeader DecodeHeader(const std::uint8_t* in);                 // reads kHeaderSize bytes

// Fills out (kSlotSize bytes) completely: zeros, the fixed fields with slotIndex and the
// group flag from node.IsGroup, then the node's Guid, texts (cut to their fields), spare
// value and times.
void EncodeSlot(const TNodeData& node, std::int32_t slotIndex, std::uint8_t* out);
TSlotInfo DecodeSlotInfo(const std::uint8_t* in);
// Guid, the five texts, the spare value and both times of a slot into node.
void DecodeSlotFields(const std::uint8_t* in, TNodeData& node);

// Text fields: a shorter text is zero-filled to the field's end, a text of the field's size
// fills it with no terminator, a longer text is cut. A reader stops at the first zero byte
// or at the field's end.
void WriteTextField(std::uint8_t* field, std::size_t fieldSize, const std::string& text);
std::string ReadTextField(const std::uint8_t* field, std::size_t fieldSize);

// Why a slot's text field of fieldSize bytes cannot hold model text as it is: the field keeps
// Windows-1252 bytes, a reader stops at a zero byte and a write cuts what does not fit.
enum class TSlotTextProblem { None, InvalidUtf8, ZeroCharacter, NotInCodePage, TooLong };
struct TSlotTextCheck {
    TSlotTextProblem Problem = TSlotTextProblem::None;
    char32_t CodePoint = 0;  // NotInCodePage: the first character the code page lacks
    bool Ok() const { return Problem == TSlotTextProblem::None; }
};
TSlotTextCheck CheckSlotText(std::string_view text, std::size_t fieldSize);

// A slot's text fields as messages name them, in the order SlotHoldsNode checks them.
struct TSlotTextField {
    std::string_view Name;
    std::size_t Size;
    std::string TNodeData::*Text;
};
inline constexpr TSlotTextField kSlotTextFields[] = {
    {"title", kTitleSize, &TNodeData::Title},
    {"user name", kUserNameSize, &TNodeData::UserName},
    {"password", kPasswordSize, &TNodeData::Password},
    {"notes", kNotesSize, &TNodeData::Notes},
    {"URL", kUrlSize, &TNodeData::Url},
};

// True when a slot holds every text of the node as it is, so that nothing is cut or changed
// on its way into a format-101 file.
bool SlotHoldsNode(const TNodeData& data);

std::uint32_t ReadUint32(const std::uint8_t* in);
void WriteUint32(std::uint8_t* out, std::uint32_t value);
TDateTime ReadDateTime(const std::uint8_t* in);
void WriteDateTime(std::uint8_t* out, TDateTime value);

}  // namespace VaultFormat
