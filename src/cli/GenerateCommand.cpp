// generate: the generator window's passwords on standard output.

#include <charconv>

#include "cli/CliError.h"
#include "cli/Commands.h"
#include "dialogs/PasswordTools.h"
#include "vault/NodeData.h"

namespace {

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
    // None chosen: the generator window's ticked boxes when it opens.
    return anyChosen ? sets : kDefaultCharSets;
}

}  // namespace

int RunGenerate(TCliSession& session) {
    const int length = NumberOption(session, "--length", kGeneratorMinLength, kGeneratorMaxLength,
                                    kGeneratorDefaultLength);
    const int count = NumberOption(session, "--count", kGeneratorMinCount, kGeneratorMaxCount,
                                   kGeneratorDefaultCount);
    const TCharSets sets = ChosenSets(session);
    for (int i = 0; i < count; ++i) {
        std::string password = CreateRandomPassword(sets, length);
        session.Out() << password << "\n";
        WipeString(password);
    }
    return kExitOk;
}
