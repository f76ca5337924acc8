#pragma once

#include <cstdint>
#include <string>

// The eight character sets of the password generator, in pool order.
struct TCharSets {
    bool SmallLetters = false;
    bool CapitalLetters = false;
    bool Digits = false;
    bool Punctuation = false;
    bool Brackets = false;
    bool Space = false;
    bool Minus = false;
    bool Underline = false;
};

// One password of the given length from the chosen sets; empty when the length is below 6
// or no set is chosen. Every index comes from the system's cryptographic generator.
std::string CreateRandomPassword(bool smallLetters, bool capitalLetters, bool digits,
                                 bool punctuation, bool brackets, bool space, bool minus,
                                 bool underline, int length);
std::string CreateRandomPassword(const TCharSets& sets, int length);

// Weakness score: the lower, the stronger. 10 for empty, 10 - length below 6 characters.
int CalcPasswordScore(const std::string& password);

namespace PasswordToolsTesting {

// Replaces the draw of an index below n; null restores the system's generator. Lets a test
// script the indices to see which character each one picks.
using TDrawFunction = std::uint32_t (*)(std::uint32_t n);
void SetDrawFunction(TDrawFunction function);

}  // namespace PasswordToolsTesting
