#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

// The generator's ranges and starting values, which the generator window and the
// command-line tool's generate share.
inline constexpr int kGeneratorMinLength = 6;
inline constexpr int kGeneratorMaxLength = 128;
inline constexpr int kGeneratorDefaultLength = 20;
inline constexpr int kGeneratorMinCount = 1;
inline constexpr int kGeneratorMaxCount = 65000;
inline constexpr int kGeneratorDefaultCount = 1;
// The sets ticked when the generator window opens; also the record editor's preset.
inline constexpr TCharSets kDefaultCharSets{true, true, true, true};
// The record editor's Create Random Password: the default sets, this many characters.
inline constexpr int kRecordPasswordLength = 16;

// One password of the given length from the chosen sets; empty when the length is below
// kGeneratorMinLength or no set is chosen. Every index comes from the system's cryptographic
// generator.
std::string CreateRandomPassword(bool smallLetters, bool capitalLetters, bool digits,
                                 bool punctuation, bool brackets, bool space, bool minus,
                                 bool underline, int length);
std::string CreateRandomPassword(const TCharSets& sets, int length);
// The record editor's preset password.
std::string CreateRecordPassword();

// Weakness score: the lower, the stronger. 10 for empty, 10 - length below 6 characters.
int CalcPasswordScore(const std::string& password);

// The record editor's meter: the level a weakness score shows, strongest first.
enum class TPasswordStrength { VeryStrong, Strong, Weak, VeryWeak };
// Score 4 (one case or only digits, few runs) has no level of its own; it shows as its
// neighbour 3, Very Weak.
TPasswordStrength PasswordStrengthOf(int score);
// "Very Strong", "Strong", "Weak" or "Very Weak", as the meter shows it.
std::string_view PasswordStrengthText(TPasswordStrength strength);

namespace PasswordToolsTesting {

// Replaces the draw of an index below n; null restores the system's generator. Lets a test
// script the indices to see which character each one picks.
using TDrawFunction = std::uint32_t (*)(std::uint32_t n);
void SetDrawFunction(TDrawFunction function);

}  // namespace PasswordToolsTesting
