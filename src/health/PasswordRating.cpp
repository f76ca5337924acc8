#include "health/PasswordRating.h"

#include <zxcvbn.h>

#include <algorithm>
#include <cmath>

namespace {

TPasswordStrength LevelOfBits(int bits) {
    if (bits < kVeryWeakBits) {
        return TPasswordStrength::VeryWeak;
    }
    if (bits < kWeakBits) {
        return TPasswordStrength::Weak;
    }
    return TPasswordStrength::VeryStrong;
}

}  // namespace

bool THealthRating::IsWeak() const {
    return Level == TPasswordStrength::Weak || Level == TPasswordStrength::VeryWeak;
}

THealthRating RatePassword(const std::string& password) {
    THealthRating rating;
    rating.Meter = PasswordStrengthOf(CalcPasswordScore(password));
    if (!password.empty()) {
        // zxcvbn reads up to the first zero byte; the vault holds none in a password.
        rating.Bits = static_cast<int>(std::floor(ZxcvbnMatch(password.c_str(), nullptr, nullptr)));
    }
    // The enumeration runs from strongest to weakest: the weaker of the two is the larger.
    rating.Level = std::max(rating.Meter, LevelOfBits(rating.Bits));
    return rating;
}

std::string RatingText(const THealthRating& rating) {
    return std::string(PasswordStrengthText(rating.Level)) + ", " + std::to_string(rating.Bits) +
           " bits";
}
