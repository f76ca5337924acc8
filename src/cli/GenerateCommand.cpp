// generate: the generator window's passwords on standard output.

#include <charconv>

#include "cli/CliError.h"
#include "cli/Commands.h"
#include "dialogs/PasswordTools.h"
#include "vault/NodeData.h"

namespace {

// The ranges and defaults of the generator window's two numeric fields.
constexpr int kMinLength = 6;
constexpr int kMaxLength = 128;
constexpr int kDefaultLength = 20;
constexpr int kMinCount = 1;
constexpr int kMaxCount = 65000;
constexpr int kDefaultCount = 1;

int NumberOption(const TCliSession& session, std::string_view option, int minimum, int maximum,
                 int fallback) {
    const std::string* text = session.Call().Value(option);
    if (text == nullptr) {
        return fallback;
    }
    int value = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    if (text->empty() || error != std::errc() || stop != end || value < minimum ||
        value > maximum) {
        throw UsageError(std::string(option) + " takes a number from " + std::to_string(minimum) +
                         " to " + std::to_string(maximum));
    }
    return value;
}

TCharSets ChosenSets(const TCliSession& session) {
    const TInvocation& call = session.Call();
    TCharSets sets;
    sets.SmallLetters = call.Has("--lower");
    sets.CapitalLetters = call.Has("--upper");
    sets.Digits = call.Has("--digits");
    sets.Punctuation = call.Has("--punctuation");
    sets.Brackets = call.Has("--brackets");
    sets.Space = call.Has("--space");
    sets.Minus = call.Has("--minus");
    sets.Underline = call.Has("--underline");
    const bool anyChosen = sets.SmallLetters || sets.CapitalLetters || sets.Digits ||
                           sets.Punctuation || sets.Brackets || sets.Space || sets.Minus ||
                           sets.Underline;
    if (!anyChosen) {
        // The generator window's ticked boxes when it opens.
        sets.SmallLetters = sets.CapitalLetters = sets.Digits = sets.Punctuation = true;
    }
    return sets;
}

}  // namespace

int RunGenerate(TCliSession& session) {
    const int length = NumberOption(session, "--length", kMinLength, kMaxLength, kDefaultLength);
    const int count = NumberOption(session, "--count", kMinCount, kMaxCount, kDefaultCount);
    const TCharSets sets = ChosenSets(session);
    for (int i = 0; i < count; ++i) {
        std::string password = CreateRandomPassword(sets, length);
        session.Out() << password << "\n";
        WipeString(password);
    }
    return kExitOk;
}
