#pragma once

#include <string>

#include "base/CofferixError.h"

// The conversion error of a scrambled text that is not hexadecimal
// ("'$xx' is not a valid integer value").
class EConvertError : public ECofferixError {
public:
    using ECofferixError::ECofferixError;
};

// A reversible scrambling of a short 8-bit text under a key, written as uppercase hex.
// It hides a text from a casual look only; it is no encryption.

// "marlik", used in place of an empty key.
inline constexpr const char* kDefaultScrambleKey = "marlik";

std::string ScrambleText(const std::string& text, const std::string& key);
// Throws EConvertError ("'$xx' is not a valid integer value") on a pair that is not hex.
std::string UnscrambleText(const std::string& text, const std::string& key);
