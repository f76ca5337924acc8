#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A small strict JSON reader (RFC 8259) for the JSON files of other password managers.

struct TJsonMember;

// One JSON value. Strings are wiped when the value goes: they may be passwords.
struct TJsonValue {
    enum class TKind { Null, Bool, Number, String, Array, Object };

    TKind Kind = TKind::Null;
    bool Bool = false;
    std::string Text;                  // a string's UTF-8, or a number as the file writes it
    std::vector<TJsonValue> Items;     // an array's values
    std::vector<TJsonMember> Members;  // an object's members, in the file's order
    std::size_t Line = 0;              // where the value begins

    TJsonValue() = default;
    TJsonValue(TJsonValue&&) noexcept = default;
    TJsonValue& operator=(TJsonValue&&) noexcept = default;
    TJsonValue(const TJsonValue&) = delete;
    TJsonValue& operator=(const TJsonValue&) = delete;
    ~TJsonValue();

    bool Is(TKind kind) const { return Kind == kind; }
    // The member of that name of an object, or null (also when this is no object).
    const TJsonValue* Find(std::string_view name) const;
    // A string's text, a number's digits, "true" or "false"; empty for null, arrays and objects.
    std::string_view AsText() const;
};

struct TJsonMember {
    std::string Name;
    TJsonValue Value;
};

// Arrays and objects nest no deeper than this.
constexpr std::size_t kMaxJsonDepth = 256;

// The value of a whole JSON text. Throws EImportError naming the line of the first fault
// (malformed, a name twice in one object, too deep); the message never quotes content.
TJsonValue ParseJson(std::string_view content);
