#include "base/MasterPassword.h"

#include "base/Scrambler.h"
#include "base/StringTable.h"
#include "base/Wipe.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The scrambler turns bytes 0 and 255 into each other in some places, so it is only ever
// given hex digits, which it keeps exactly.
std::string ToHex(const std::string& bytes) {
    std::string hex;
    hex.reserve(2 * bytes.size());
    for (const char ch : bytes) {
        const auto byte = static_cast<unsigned char>(ch);
        hex.push_back(kHexDigits[byte >> 4]);
        hex.push_back(kHexDigits[byte & 0x0F]);
    }
    return hex;
}

int DigitValue(char digit) {
    return digit <= '9' ? digit - '0' : digit - 'A' + 10;
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(DigitValue(hex[i]) * 16 + DigitValue(hex[i + 1])));
    }
    return bytes;
}

std::string ScrambleKey() {
    return std::string(Str::sScrambleKey);
}

}  // namespace

TMasterPassword::~TMasterPassword() {
    Clear();
}

void TMasterPassword::Set(const std::string& password) {
    Clear();
    if (password.empty()) {
        return;  // the empty password is held as nothing at all
    }
    std::string hex = ToHex(password);
    FScrambled = ScrambleText(hex, ScrambleKey());
    WipeString(hex);
}

std::string TMasterPassword::Get() const {
    if (FScrambled.empty()) {
        return std::string();
    }
    std::string hex = UnscrambleText(FScrambled, ScrambleKey());
    std::string password = FromHex(hex);
    WipeString(hex);
    return password;
}

void TMasterPassword::Clear() {
    WipeString(FScrambled);
}
