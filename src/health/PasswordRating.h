#pragma once

#include <string>

#include "dialogs/PasswordTools.h"

// How strong a password is, by the record editor's meter and by zxcvbn's estimate of the bits
// a guesser needs. The level is the meter's, lowered to Weak below kWeakBits and to Very Weak
// below kVeryWeakBits: the meter counts character classes and runs and rates "Password1" Very
// Strong, where zxcvbn knows the word.
struct THealthRating {
    TPasswordStrength Meter = TPasswordStrength::VeryWeak;
    TPasswordStrength Level = TPasswordStrength::VeryWeak;
    int Bits = 0;  // zxcvbn's estimate, rounded down

    // The report's weak rule: Weak or Very Weak (an empty password is Very Weak).
    bool IsWeak() const;
};

inline constexpr int kWeakBits = 40;
inline constexpr int kVeryWeakBits = 20;

// Rates password; keeps nothing of it. libzxcvbn looks at the first 100 characters in detail
// and counts the rest as a sequence, so a password of thousands of characters costs a few
// milliseconds at most.
THealthRating RatePassword(const std::string& password);

// "Weak, 4 bits".
std::string RatingText(const THealthRating& rating);
