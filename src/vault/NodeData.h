#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/Wipe.h"

// Days since 1899-12-30 00:00, the fraction being the local time of day.
using TDateTime = double;

// A GUID as its 16 bytes in the Windows layout: a little-endian 32-bit part, two
// little-endian 16-bit parts, then 8 bytes.
struct TGuid {
    std::array<std::uint8_t, 16> Bytes{};
    friend bool operator==(const TGuid&, const TGuid&) = default;
};

// For hashed containers keyed by Guid. Every byte counts: Guids from other writers need not
// be random.
struct TGuidHash {
    std::size_t operator()(const TGuid& guid) const noexcept {
        std::uint64_t low = 0;
        std::uint64_t high = 0;
        std::memcpy(&low, guid.Bytes.data(), sizeof low);
        std::memcpy(&high, guid.Bytes.data() + sizeof low, sizeof high);
        const std::uint64_t mixed = (low ^ (high * 0x9E3779B97F4A7C15ull)) * 0xBF58476D1CE4E5B9ull;
        return static_cast<std::size_t>(mixed ^ (mixed >> 31));
    }
};

using TSpareValue = std::array<std::uint8_t, 8>;

constexpr std::int32_t kRecordImageIndex = 0;
constexpr std::int32_t kGroupImageIndex = 1;

// The data every tree node carries, group or record. A default-constructed value is the
// zero-filled block a new node starts with. Text is UTF-8, line breaks in the notes CR LF.
struct TNodeData {
    TGuid Guid;
    std::string Title;
    std::string UserName;
    std::string Password;
    std::string Url;
    std::string Notes;
    bool IsGroup = false;
    TDateTime AddedTime = 0;
    TDateTime AddedTime2 = 0;
    // When any field last changed, and when the password did; 0 when not known (format 101
    // records neither).
    TDateTime ModifiedTime = 0;
    TDateTime PasswordChangedTime = 0;
    TSpareValue SpareValue{};
    std::int32_t ImageIndex = 0;

    TNodeData() = default;
    TNodeData(const TNodeData&) = default;
    TNodeData(TNodeData&&) noexcept = default;
    TNodeData& operator=(const TNodeData&) = default;
    TNodeData& operator=(TNodeData&&) noexcept = default;
    // Wipes every text (a lock drops the records, titles and addresses too).
    void Wipe();
    // Passwords and notes are secrets: the texts are wiped before the memory goes back.
    ~TNodeData() { Wipe(); }
};
