#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// Values under a hash, in one open-addressing array with linear probing: an index of a large
// change keeps an entry for each of many records without an allocation for each. Several values
// may share a hash, in no particular order; a lookup walks the values of its hash and asks a
// predicate which one it wants, so the caller compares the keys. A pointer to a value stays
// valid until the next Insert.
template <typename TValue>
class TFlatIndex {
public:
    void Reserve(std::size_t count) {
        if (count * 2 > FSlots.size()) {
            Rebuild(std::bit_ceil(count * 2));
        }
    }
    void Clear() {
        FSlots.clear();
        FUsed = 0;
        FLive = 0;
    }

    void Insert(std::size_t hash, TValue value) {
        if ((FUsed + 1) * 2 > FSlots.size()) {
            Rebuild(std::bit_ceil(std::max<std::size_t>(16, (FLive + 1) * 4)));
        }
        TSlot* slot = &FSlots[Start(hash)];
        while (slot->State == kFull) {
            slot = Following(slot);
        }
        FUsed += slot->State == kEmpty ? 1 : 0;
        ++FLive;
        *slot = TSlot{hash, std::move(value), kFull};
    }

    // The first value of hash that match accepts; null when there is none.
    template <typename TMatch>
    TValue* Find(std::size_t hash, TMatch match) {
        TSlot* slot = FindSlot(hash, match);
        return slot ? &slot->Value : nullptr;
    }
    template <typename TMatch>
    const TValue* Find(std::size_t hash, TMatch match) const {
        return const_cast<TFlatIndex*>(this)->Find(hash, match);
    }

    // Removes the first value of hash that match accepts; false when there is none.
    template <typename TMatch>
    bool Erase(std::size_t hash, TMatch match) {
        TSlot* slot = FindSlot(hash, match);
        if (slot) {
            slot->State = kGone;  // still counted in FUsed: probes go on past it
            --FLive;
        }
        return slot != nullptr;
    }

private:
    static constexpr std::uint8_t kEmpty = 0;
    static constexpr std::uint8_t kFull = 1;
    static constexpr std::uint8_t kGone = 2;
    struct TSlot {
        std::size_t Hash = 0;
        TValue Value{};
        std::uint8_t State = kEmpty;
    };

    // Fibonacci hashing: the top bits of the product, so that weak low bits of hash do no harm.
    std::size_t Start(std::size_t hash) const {
        const auto shift = 64 - std::countr_zero(FSlots.size());
        return static_cast<std::size_t>((std::uint64_t{hash} * 0x9E3779B97F4A7C15ull) >> shift);
    }
    TSlot* Following(TSlot* slot) {
        return ++slot == FSlots.data() + FSlots.size() ? FSlots.data() : slot;
    }
    template <typename TMatch>
    TSlot* FindSlot(std::size_t hash, TMatch& match) {
        if (FSlots.empty()) {
            return nullptr;
        }
        for (TSlot* slot = &FSlots[Start(hash)]; slot->State != kEmpty; slot = Following(slot)) {
            if (slot->State == kFull && slot->Hash == hash && match(slot->Value)) {
                return slot;
            }
        }
        return nullptr;
    }
    // size slots, the removed values dropped.
    void Rebuild(std::size_t size) {
        std::vector<TSlot> former = std::exchange(FSlots, std::vector<TSlot>(size));
        FUsed = 0;
        FLive = 0;
        for (TSlot& slot : former) {
            if (slot.State == kFull) {
                Insert(slot.Hash, std::move(slot.Value));
            }
        }
    }

    std::vector<TSlot> FSlots;  // empty, or a power of two long, at most half in use
    std::size_t FUsed = 0;      // full and removed slots
    std::size_t FLive = 0;      // full slots
};
