#include "base/AutorunSwitch.h"

#include "base/StringTable.h"

namespace {

char UpperAscii(char ch) {
    return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 32) : ch;
}

bool EqualsIgnoringCase(std::string_view left, std::string_view right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (UpperAscii(left[i]) != UpperAscii(right[i])) {
            return false;
        }
    }
    return true;
}

bool IsSwitchLead(char ch) {
    return ch == '-' || ch == '/' || ch == '\\';
}

}  // namespace

bool HasAutorunSwitch(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument.empty() || !IsSwitchLead(argument.front())) {
            continue;
        }
        std::string_view name = std::string_view(argument).substr(1);
        // The long-option spelling "--autorun" that Linux users type is taken too.
        if (argument.front() == '-' && !name.empty() && name.front() == '-') {
            name.remove_prefix(1);
        }
        if (EqualsIgnoringCase(name, Str::sAutorunSwitch)) {
            return true;
        }
    }
    return false;
}
