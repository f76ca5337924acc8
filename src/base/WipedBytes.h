#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/Wipe.h"

// A buffer of a fixed size, zero-filled when made and wiped before its memory goes back: for
// plaintext that holds secrets. It never grows, so no copy is left behind by a reallocation.
class TWipedBytes {
public:
    TWipedBytes() = default;
    explicit TWipedBytes(std::size_t size)
        : FData(size ? std::make_unique<std::uint8_t[]>(size) : nullptr), FSize(size) {}
    ~TWipedBytes() { Wipe(); }
    TWipedBytes(TWipedBytes&& other) noexcept : FData(std::move(other.FData)), FSize(other.FSize) {
        other.FSize = 0;
    }
    TWipedBytes& operator=(TWipedBytes&& other) noexcept {
        if (this != &other) {
            Wipe();
            FData = std::move(other.FData);
            FSize = other.FSize;
            other.FSize = 0;
        }
        return *this;
    }
    TWipedBytes(const TWipedBytes&) = delete;
    TWipedBytes& operator=(const TWipedBytes&) = delete;

    std::uint8_t* Data() { return FData.get(); }
    const std::uint8_t* Data() const { return FData.get(); }
    std::size_t Size() const { return FSize; }

private:
    void Wipe() {
        if (FData) {
            WipeBytes(FData.get(), FSize);
        }
    }

    std::unique_ptr<std::uint8_t[]> FData;
    std::size_t FSize = 0;
};
