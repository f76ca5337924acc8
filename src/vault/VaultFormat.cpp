#include "vault/VaultFormat.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "base/Cp1252.h"
#include "base/VaultText.h"
#include "base/Wipe.h"
#include "vault/Clock.h"

namespace VaultFormat {

std::uint32_t ReadUint32(const std::uint8_t* in) {
    return std::uint32_t{in[0]} | (std::uint32_t{in[1]} << 8) | (std::uint32_t{in[2]} << 16) |
           (std::uint32_t{in[3]} << 24);
}

void WriteUint32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

namespace {

std::int32_t ReadInt32(const std::uint8_t* in) {
    return static_cast<std::int32_t>(ReadUint32(in));
}

void WriteInt32(std::uint8_t* out, std::int32_t value) {
    WriteUint32(out, static_cast<std::uint32_t>(value));
}

}  // namespace

TDateTime ReadDateTime(const std::uint8_t* in) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) {
        bits = (bits << 8) | in[i];
    }
    return std::bit_cast<TDateTime>(bits);
}

void WriteDateTime(std::uint8_t* out, TDateTime value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i) {
        out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

void WriteTextField(std::uint8_t* field, std::size_t fieldSize, const std::string& text) {
    const std::size_t length = std::min(text.size(), fieldSize);
    std::memcpy(field, text.data(), length);
    std::memset(field + length, 0, fieldSize - length);
}

std::string ReadTextField(const std::uint8_t* field, std::size_t fieldSize) {
    const void* zero = std::memchr(field, 0, fieldSize);
    const std::size_t length =
        zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - field) : fieldSize;
    return std::string(reinterpret_cast<const char*>(field), length);
}

TVaultHeader FreshHeader() {
    TVaultHeader header;
    header.Version = kVersion;
    header.RecordCount = 0;
    header.HeaderMagic = kMagic;
    header.CreateTime = NowAsDateTime();
    header.PasswordTime = NowAsDateTime();
    return header;
}

void EncodeHeader(const TVaultHeader& header, std::uint8_t* out) {
    WriteInt32(out + kVersionOffset, header.Version);
    WriteInt32(out + kRecordCountOffset, header.RecordCount);
    WriteUint32(out + kHeaderMagicOffset, header.HeaderMagic);
    WriteDateTime(out + kCreateTimeOffset, header.CreateTime);
    WriteDateTime(out + kPasswordTimeOffset, header.PasswordTime);
    std::memcpy(out + kHeaderReservedOffset, header.Reserved.data(), kHeaderReservedSize);
}

TVaultHeader DecodeHeader(const std::uint8_t* in) {
    TVaultHeader header;
    header.Version = ReadInt32(in + kVersionOffset);
    header.RecordCount = ReadInt32(in + kRecordCountOffset);
    header.HeaderMagic = ReadUint32(in + kHeaderMagicOffset);
    header.CreateTime = ReadDateTime(in + kCreateTimeOffset);
    header.PasswordTime = ReadDateTime(in + kPasswordTimeOffset);
    std::memcpy(header.Reserved.data(), in + kHeaderReservedOffset, kHeaderReservedSize);
    return header;
}

namespace {

// The model's UTF-8 as the field's Windows-1252 bytes; the converted copy is wiped.
void WriteModelText(std::uint8_t* field, std::size_t fieldSize, const std::string& text,
                    std::string_view what) {
    std::string ansi;
    Cp1252FromVaultText(text, what, ansi);
    WriteTextField(field, fieldSize, ansi);
    WipeString(ansi);
}

std::string ReadModelText(const std::uint8_t* field, std::size_t fieldSize) {
    std::string ansi = ReadTextField(field, fieldSize);
    std::string utf8;
    utf8.reserve(ansi.size() * 3);  // no reallocation leaves a copy behind
    Cp1252ToUtf8(ansi, utf8);
    WipeString(ansi);
    return utf8;
}

}  // namespace

TSlotTextCheck CheckSlotText(std::string_view text, std::size_t fieldSize) {
    // Counted, not converted: no copy of the text (a password, say) is made to be judged.
    TSlotTextCheck check;
    std::size_t bytes = 0;
    bool zero = false;
    for (std::size_t at = 0; at < text.size();) {
        char32_t codePoint = 0;
        const std::size_t length = DecodeUtf8(text, at, codePoint);
        if (length == 0) {
            return {TSlotTextProblem::InvalidUtf8, 0};
        }
        if (Cp1252ByteOf(codePoint) < 0 && check.Ok()) {
            check = {TSlotTextProblem::NotInCodePage, codePoint};
        }
        zero = zero || codePoint == 0;
        ++bytes;  // one byte in Windows-1252 for each character it holds
        at += length;
    }
    if (check.Ok() && zero) {
        check.Problem = TSlotTextProblem::ZeroCharacter;
    } else if (check.Ok() && bytes > fieldSize) {
        check.Problem = TSlotTextProblem::TooLong;
    }
    return check;
}

bool SlotHoldsNode(const TNodeData& data) {
    for (const TSlotTextField& field : kSlotTextFields) {
        if (!CheckSlotText(data.*field.Text, field.Size).Ok()) {
            return false;
        }
    }
    return true;
}

void EncodeSlot(const TNodeData& node, std::int32_t slotIndex, std::uint8_t* out) {
    std::memset(out, 0, kSlotSize);
    WriteInt32(out + kSlotSizeOffset, static_cast<std::int32_t>(kSlotSize));
    WriteUint32(out + kSlotMagicOffset, kMagic);
    WriteInt32(out + kSlotIndexOffset, slotIndex);
    WriteUint32(out + kGroupFlagOffset, node.IsGroup ? kGroupFlagSet : 0);
    std::memcpy(out + kGuidOffset, node.Guid.Bytes.data(), node.Guid.Bytes.size());
    WriteModelText(out + kUserNameOffset, kUserNameSize, node.UserName, "user name");
    WriteModelText(out + kTitleOffset, kTitleSize, node.Title, "title");
    WriteModelText(out + kPasswordOffset, kPasswordSize, node.Password, "password");
    WriteModelText(out + kNotesOffset, kNotesSize, node.Notes, "notes");
    WriteModelText(out + kUrlOffset, kUrlSize, node.Url, "URL");
    std::memcpy(out + kSpareValueOffset, node.SpareValue.data(), node.SpareValue.size());
    WriteDateTime(out + kAddedTimeOffset, node.AddedTime);
    WriteDateTime(out + kAddedTime2Offset, node.AddedTime2);
    WriteUint32(out + kSlotTrailerOffset, kSlotTrailer);
}

TSlotInfo DecodeSlotInfo(const std::uint8_t* in) {
    TSlotInfo info;
    info.SlotSize = ReadInt32(in + kSlotSizeOffset);
    info.SlotMagic = ReadUint32(in + kSlotMagicOffset);
    info.SlotIndex = ReadInt32(in + kSlotIndexOffset);
    info.GroupFlag = ReadUint32(in + kGroupFlagOffset);
    info.SlotTrailer = ReadUint32(in + kSlotTrailerOffset);
    return info;
}

void DecodeSlotFields(const std::uint8_t* in, TNodeData& node) {
    std::memcpy(node.Guid.Bytes.data(), in + kGuidOffset, node.Guid.Bytes.size());
    node.UserName = ReadModelText(in + kUserNameOffset, kUserNameSize);
    node.Title = ReadModelText(in + kTitleOffset, kTitleSize);
    node.Password = ReadModelText(in + kPasswordOffset, kPasswordSize);
    node.Notes = ReadModelText(in + kNotesOffset, kNotesSize);
    node.Url = ReadModelText(in + kUrlOffset, kUrlSize);
    std::memcpy(node.SpareValue.data(), in + kSpareValueOffset, node.SpareValue.size());
    node.AddedTime = ReadDateTime(in + kAddedTimeOffset);
    node.AddedTime2 = ReadDateTime(in + kAddedTime2Offset);
}

}  // namespace VaultFormat
