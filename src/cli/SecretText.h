#pragma once

#include <cstddef>
#include <string>

#include "vault/NodeData.h"

// A text that holds a password. Its storage is reserved once, so that appending never moves
// the bytes and leaves a copy behind, and it is wiped when the text goes.
class TSecretText {
public:
    static constexpr std::size_t kCapacity = 4096;

    TSecretText() { FValue.reserve(kCapacity); }
    ~TSecretText() { Wipe(); }
    TSecretText(const TSecretText&) = delete;
    TSecretText& operator=(const TSecretText&) = delete;

    std::string& Value() { return FValue; }
    const std::string& Value() const { return FValue; }
    // Wipes the whole reserved storage, also the bytes of longer texts held before.
    void Wipe() {
        FValue.resize(FValue.capacity());
        WipeBytes(FValue.data(), FValue.size());
        FValue.clear();
    }

private:
    std::string FValue;
};

// Wipes a text that holds passwords in clear (an export), however the command ends.
struct TWipeOnExit {
    std::string& Text;
    ~TWipeOnExit() { WipeString(Text); }
};
