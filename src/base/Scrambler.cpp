#include "base/Scrambler.h"

#include <cstdint>

#include "base/Random.h"
#include "base/Wipe.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Walks the key bytes in the order 1, 2, ..., length, 1, 2, ...; an empty key is "marlik".
class TKeyCycle {
public:
    explicit TKeyCycle(const std::string& key) : FKey(key.empty() ? kDefaultScrambleKey : key) {}

    unsigned Next() {
        FPosition = FPosition < FKey.size() ? FPosition + 1 : 1;
        return static_cast<unsigned char>(FKey[FPosition - 1]);
    }

private:
    std::string FKey;
    std::size_t FPosition = 0;
};

void AppendHex(std::string& out, unsigned value) {
    out.push_back(kHexDigits[(value >> 4) & 0x0F]);
    out.push_back(kHexDigits[value & 0x0F]);
}

int HexDigitValue(char ch) {
    if (ch >= '0' && ch <= '9') {
        return ch - '0';
    }
    if (ch >= 'A' && ch <= 'F') {
        return ch - 'A' + 10;
    }
    if (ch >= 'a' && ch <= 'f') {
        return ch - 'a' + 10;
    }
    return -1;
}

// Reads the (up to) two characters from offset as "$" + pair, the way the standard integer
// conversion reads a hexadecimal literal: one or two hex digits, nothing else.
unsigned ReadPair(const std::string& text, std::size_t offset) {
    const std::string pair = offset < text.size() ? text.substr(offset, 2) : std::string();
    unsigned value = 0;
    for (const char ch : pair) {
        const int digit = HexDigitValue(ch);
        if (digit < 0) {
            value = 0x100;  // marks the failure below
            break;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    if (pair.empty() || value > 0xFF) {
        throw EConvertError("'$" + pair + "' is not a valid integer value");
    }
    return value;
}

}  // namespace

std::string ScrambleText(const std::string& text, const std::string& key) {
    TKeyCycle keyCycle(key);
    Random::Reseed();
    unsigned previous = Random::Below(256);
    std::string result;
    result.reserve(2 + 2 * text.size());
    AppendHex(result, previous);
    for (const char ch : text) {
        const unsigned plain = static_cast<unsigned char>(ch);
        // Modulus 255, not 256: the defined format, which is why 0 and 255 do not survive.
        const unsigned scrambled = ((plain + previous) % 255) ^ keyCycle.Next();
        AppendHex(result, scrambled);
        previous = scrambled;
    }
    return result;
}

std::string UnscrambleText(const std::string& text, const std::string& key) {
    TKeyCycle keyCycle(key);
    unsigned previous = ReadPair(text, 0);
    std::string result;
    try {
        // Pairs start at offsets 2, 4, ...; an odd last character is left unread, except in a
        // text of three characters, whose third character is read alone.
        std::size_t offset = 2;
        do {
            const unsigned scrambled = ReadPair(text, offset);
            const unsigned mixed = scrambled ^ keyCycle.Next();
            const unsigned plain = previous < mixed ? mixed - previous : mixed + 255 - previous;
            result.push_back(static_cast<char>(plain));
            previous = scrambled;
            offset += 2;
        } while (offset + 1 < text.size());
    } catch (...) {
        WipeString(result);
        throw;
    }
    return result;
}
