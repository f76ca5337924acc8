#include "base/VaultRules.h"

#include <algorithm>
#include <limits>

int CaseFoldedCompare(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = FoldAZ(a[i]);
        const unsigned char y = FoldAZ(b[i]);
        if (x != y) {
            return int{x} - int{y};
        }
    }
    const auto difference =
        static_cast<std::ptrdiff_t>(a.size()) - static_cast<std::ptrdiff_t>(b.size());
    return static_cast<int>(std::clamp<std::ptrdiff_t>(difference, std::numeric_limits<int>::min(),
                                                       std::numeric_limits<int>::max()));
}

std::size_t CaseFoldedHash(std::string_view text) {
    std::uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a of the folded bytes
    for (const char c : text) {
        hash = (hash ^ FoldAZ(c)) * 0x100000001B3ull;
    }
    return static_cast<std::size_t>(hash);
}

bool ContainsCaseFolded(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) {
        return false;
    }
    const auto same = [](char a, char b) { return FoldAZ(a) == FoldAZ(b); };
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), same) !=
           haystack.end();
}

bool IsBlankGroupName(std::string_view name) {
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

TNewPasswordProblem CheckNewMasterPassword(std::string_view password,
                                           std::optional<std::string_view> confirmation) {
    if (password.size() < kMinMasterPasswordLength) {
        return TNewPasswordProblem::TooShort;
    }
    if (confirmation && *confirmation != password) {
        return TNewPasswordProblem::ConfirmationDiffers;
    }
    return TNewPasswordProblem::None;
}
