#include "dialogs/PasswordTools.h"

#include <array>
#include <atomic>
#include <string_view>

#include "base/StringTable.h"
#include "base/SystemRandom.h"

namespace {

// Below this length a password scores as weak whatever it holds.
constexpr int kScoredMinLength = 6;

std::atomic<PasswordToolsTesting::TDrawFunction> gDrawFunction{nullptr};

std::uint32_t DrawBelow(std::uint32_t n) {
    const PasswordToolsTesting::TDrawFunction hook = gDrawFunction.load();
    return hook ? hook(n) : SystemRandom::Below(n);
}

constexpr std::string_view kSmallLetters = "abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kCapitalLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::string_view kDigits = "0123456789";
// In this exact order: the pool order decides which character an index draws.
constexpr std::array<char, 19> kPunctuation = {
    '\x7E', '\x21', '\x40', '\x23', '\x24', '\x25', '\x5E', '\x26', '\x2A', '\x2B',
    '\x3D', '\x7C', '\x5C', '\x3A', '\x3B', '\x22', '\x3F', '\x2F', '\x2E'};
constexpr std::array<char, 8> kBrackets = {'\x7B', '\x7D', '\x5B', '\x5D',
                                           '\x3C', '\x3E', '\x28', '\x29'};

std::string BuildPool(const TCharSets& sets) {
    std::string pool;
    if (sets.SmallLetters)
        pool += kSmallLetters;
    if (sets.CapitalLetters)
        pool += kCapitalLetters;
    if (sets.Digits)
        pool += kDigits;
    if (sets.Punctuation)
        pool.append(kPunctuation.begin(), kPunctuation.end());
    if (sets.Brackets)
        pool.append(kBrackets.begin(), kBrackets.end());
    if (sets.Space)
        pool += ' ';
    if (sets.Minus)
        pool += '-';
    if (sets.Underline)
        pool += '_';
    return pool;
}

constexpr std::array<std::string_view, 2> kDigitSequences = {"0123456789", "1234567890"};
constexpr std::array<std::string_view, 5> kLetterSequences = {"ABCDEFGHIJKLMNOPQRSTUVWXYZ",
                                                              "abcdefghijklmnopqrstuvwxyz",
                                                              "qwertyuiop", "asdfghjkl", "zxcvbnm"};

template <std::size_t N>
bool IsPieceOfAny(const std::string& text, const std::array<std::string_view, N>& sequences) {
    for (std::string_view sequence : sequences) {
        if (sequence.find(text) != std::string_view::npos)
            return true;
    }
    return false;
}

bool IsDigit(unsigned char c) {
    return c >= 0x30 && c <= 0x39;
}
bool IsSmall(unsigned char c) {
    return c >= 0x61 && c <= 0x7A;
}
bool IsCapital(unsigned char c) {
    return c >= 0x41 && c <= 0x5A;
}
bool IsLetter(unsigned char c) {
    return IsSmall(c) || IsCapital(c);
}
// Printable non-alphanumerics except space, apostrophe and backquote.
bool IsSymbol(unsigned char c) {
    return (c >= 0x21 && c <= 0x26) || (c >= 0x28 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) ||
           (c >= 0x5B && c <= 0x5F) || (c >= 0x7B && c <= 0x7E);
}

template <typename Predicate>
bool AllOf(const std::string& text, Predicate predicate) {
    for (char c : text) {
        if (!predicate(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

int SameClassScore(const std::string& text) {
    if (AllOf(text, IsDigit) || AllOf(text, IsSmall) || AllOf(text, IsCapital))
        return 1;
    return 0;
}

int ClassMixScore(const std::string& text) {
    bool letter = false, digit = false, symbol = false;
    for (char c : text) {
        const auto code = static_cast<unsigned char>(c);
        letter = letter || IsLetter(code);
        digit = digit || IsDigit(code);
        symbol = symbol || IsSymbol(code);
    }
    const int classes = int(letter) + int(digit) + int(symbol);
    return classes >= 2 ? -2 : 1;
}

// A run continues while neighbouring codes are equal or one apart.
int CountRuns(const std::string& text) {
    int runs = 1;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const int step =
            static_cast<unsigned char>(text[i]) - static_cast<unsigned char>(text[i - 1]);
        if (step >= 2 || step <= -2)
            ++runs;
    }
    return runs;
}

}  // namespace

std::string CreateRandomPassword(const TCharSets& sets, int length) {
    std::string result;
    if (length < kGeneratorMinLength)
        return result;
    const std::string pool = BuildPool(sets);
    if (pool.empty())
        return result;
    const auto poolSize = static_cast<std::uint32_t>(pool.size());
    result.reserve(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) {
        char drawn = pool[DrawBelow(poolSize)];
        // One redraw makes repeats rarer; the second draw is taken whatever it holds.
        if (result.find(drawn) != std::string::npos)
            drawn = pool[DrawBelow(poolSize)];
        result += drawn;
    }
    return result;
}

std::string CreateRandomPassword(bool smallLetters, bool capitalLetters, bool digits,
                                 bool punctuation, bool brackets, bool space, bool minus,
                                 bool underline, int length) {
    TCharSets sets;
    sets.SmallLetters = smallLetters;
    sets.CapitalLetters = capitalLetters;
    sets.Digits = digits;
    sets.Punctuation = punctuation;
    sets.Brackets = brackets;
    sets.Space = space;
    sets.Minus = minus;
    sets.Underline = underline;
    return CreateRandomPassword(sets, length);
}

std::string CreateRecordPassword() {
    return CreateRandomPassword(kDefaultCharSets, kRecordPasswordLength);
}

namespace PasswordToolsTesting {

void SetDrawFunction(TDrawFunction function) {
    gDrawFunction.store(function);
}

}  // namespace PasswordToolsTesting

int CalcPasswordScore(const std::string& password) {
    if (password.empty())
        return 10;
    const int length = static_cast<int>(password.size());
    if (length < kScoredMinLength)
        return 10 - length;
    if (IsPieceOfAny(password, kDigitSequences))
        return 2;
    if (IsPieceOfAny(password, kLetterSequences))
        return 2;
    int score = 0;
    score += SameClassScore(password);
    score += ClassMixScore(password);
    score += CountRuns(password) < 6 ? 2 : -2;
    return score;
}

TPasswordStrength PasswordStrengthOf(int score) {
    if (score < 0)
        return TPasswordStrength::VeryStrong;
    if (score == 0)
        return TPasswordStrength::Strong;
    if (score == 1)
        return TPasswordStrength::Weak;
    return TPasswordStrength::VeryWeak;
}

std::string_view PasswordStrengthText(TPasswordStrength strength) {
    switch (strength) {
        case TPasswordStrength::VeryStrong:
            return Str::sVeryStrong;
        case TPasswordStrength::Strong:
            return Str::sStrong;
        case TPasswordStrength::Weak:
            return Str::sWeak;
        case TPasswordStrength::VeryWeak:
            break;
    }
    return Str::sVeryWeak;
}
