#include "interop/JsonReader.h"

#include <algorithm>

#include "base/Cp1252.h"
#include "base/Wipe.h"
#include "interop/ImportedRecord.h"
#include "interop/InteropText.h"

namespace {

using TKind = TJsonValue::TKind;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

class TJsonParser {
public:
    explicit TJsonParser(std::string_view in) : FIn(in) {}
    TJsonValue Parse();

private:
    // An array or object whose closing bracket is still to come.
    struct TFrame {
        TJsonValue Container;
        std::string PendingName;  // an object's member name whose value comes next
    };

    [[noreturn]] void Fail(std::string_view what) const { throw EImportError(FLine, what); }
    bool AtEnd() const { return FPos >= FIn.size(); }
    char Peek() const { return AtEnd() ? '\0' : FIn[FPos]; }
    bool LookingAt(std::string_view text) const { return FIn.substr(FPos, text.size()) == text; }
    void SkipSpace();
    void CheckUtf8() const;

    bool ReadValue(TJsonValue& value);
    void Open(TKind kind);
    TJsonValue Close();
    void Attach(TJsonValue&& value);
    void ReadMemberName();
    void ReadString(std::string& out);
    void ReadEscape(std::string& out);
    char32_t ReadHex4();
    void ReadNumber(std::string& out);
    void ReadDigits();

    std::string_view FIn;
    std::size_t FPos = 0;
    std::size_t FLine = 1;
    std::vector<TFrame> FOpen;
};

void TJsonParser::SkipSpace() {
    while (!AtEnd()) {
        const char c = FIn[FPos];
        if (c == '\n' || (c == '\r' && !LookingAt("\r\n"))) {
            ++FLine;
        } else if (c != ' ' && c != '\t' && c != '\r') {
            return;
        }
        ++FPos;
    }
}

void TJsonParser::CheckUtf8() const {
    std::size_t line = 1;
    for (std::size_t pos = 0; pos < FIn.size();) {
        char32_t code = 0;
        const std::size_t length = DecodeUtf8(FIn, pos, code);
        if (length == 0) {
            throw EImportError(line, "The file is not UTF-8 text.");
        }
        line += FIn[pos] == '\n' ? 1 : 0;
        pos += length;
    }
}

TJsonValue TJsonParser::Parse() {
    if (!IsValidUtf8(FIn)) {
        CheckUtf8();
    }
    if (LookingAt("\xEF\xBB\xBF")) {
        FPos = 3;  // a byte order mark
    }
    for (;;) {
        SkipSpace();
        TJsonValue value;
        if (!ReadValue(value)) {
            continue;  // an array or object opened: its first value comes next
        }
        // A value is complete: it goes into the innermost open container, which may close.
        for (;;) {
            if (FOpen.empty()) {
                SkipSpace();
                if (!AtEnd()) {
                    Fail("Something follows the JSON value.");
                }
                return value;
            }
            Attach(std::move(value));
            SkipSpace();
            const bool object = FOpen.back().Container.Is(TKind::Object);
            if (Peek() == ',') {
                ++FPos;
                if (object) {
                    ReadMemberName();
                }
                break;
            }
            if (Peek() != (object ? '}' : ']')) {
                Fail(object ? "\",\" or \"}\" is expected." : "\",\" or \"]\" is expected.");
            }
            ++FPos;
            value = Close();
        }
    }
}

// Answers false when it opened an array or object that has a first value to come.
bool TJsonParser::ReadValue(TJsonValue& value) {
    value.Line = FLine;
    const char c = Peek();
    if (c == '{' || c == '[') {
        Open(c == '{' ? TKind::Object : TKind::Array);
        SkipSpace();
        if (Peek() == (c == '{' ? '}' : ']')) {
            ++FPos;
            value = Close();
            return true;
        }
        if (c == '{') {
            ReadMemberName();
        }
        return false;
    }
    if (c == '"') {
        value.Kind = TKind::String;
        ReadString(value.Text);
    } else if (c == '-' || IsDigit(c)) {
        value.Kind = TKind::Number;
        ReadNumber(value.Text);
    } else if (LookingAt("true") || LookingAt("false")) {
        value.Kind = TKind::Bool;
        value.Bool = c == 't';
        FPos += value.Bool ? 4 : 5;
    } else if (LookingAt("null")) {
        FPos += 4;
    } else {
        Fail(AtEnd() ? "The file ends where a value is expected." : "A value is expected.");
    }
    return true;
}

void TJsonParser::Open(TKind kind) {
    if (FOpen.size() >= kMaxJsonDepth) {
        Fail("Arrays and objects nest deeper than 256 levels.");
    }
    TFrame frame;
    frame.Container.Kind = kind;
    frame.Container.Line = FLine;
    FOpen.push_back(std::move(frame));
    ++FPos;
}

TJsonValue TJsonParser::Close() {
    TJsonValue container = std::move(FOpen.back().Container);
    FOpen.pop_back();
    std::vector<std::string_view> names;
    for (const TJsonMember& member : container.Members) {
        names.push_back(member.Name);
    }
    std::sort(names.begin(), names.end());
    if (std::adjacent_find(names.begin(), names.end()) != names.end()) {
        throw EImportError(container.Line, "An object names one member twice.");
    }
    return container;
}

void TJsonParser::Attach(TJsonValue&& value) {
    TFrame& top = FOpen.back();
    if (top.Container.Is(TKind::Object)) {
        top.Container.Members.push_back({std::move(top.PendingName), std::move(value)});
        top.PendingName.clear();
    } else {
        top.Container.Items.push_back(std::move(value));
    }
}

void TJsonParser::ReadMemberName() {
    SkipSpace();
    if (Peek() != '"') {
        Fail("A member name is expected.");
    }
    ReadString(FOpen.back().PendingName);
    SkipSpace();
    if (Peek() != ':') {
        Fail("\":\" is expected after a member name.");
    }
    ++FPos;
}

void TJsonParser::ReadString(std::string& out) {
    ++FPos;
    for (;;) {
        const char c = Peek();
        if (AtEnd() || c == '\n' || c == '\r') {
            Fail("A string is never closed.");
        }
        if (c == '"') {
            ++FPos;
            return;
        }
        if (c == '\\') {
            ReadEscape(out);
            continue;
        }
        if (static_cast<unsigned char>(c) < 0x20) {
            Fail("A string holds a control character.");
        }
        std::size_t end = FPos;
        while (end < FIn.size() && FIn[end] != '"' && FIn[end] != '\\' &&
               static_cast<unsigned char>(FIn[end]) >= 0x20) {
            ++end;
        }
        AppendWiping(out, FIn.substr(FPos, end - FPos));
        FPos = end;
    }
}

void TJsonParser::ReadEscape(std::string& out) {
    ++FPos;
    const char c = Peek();
    ++FPos;
    constexpr std::string_view kShort = "\"\\/bfnrt";
    constexpr std::string_view kMeaning = "\"\\/\b\f\n\r\t";
    const std::size_t at = kShort.find(c);
    if (c != '\0' && at != std::string_view::npos) {
        AppendWiping(out, kMeaning.substr(at, 1));
        return;
    }
    if (c != 'u') {
        Fail("A string holds an unknown escape.");
    }
    char32_t code = ReadHex4();
    if (code >= 0xDC00 && code <= 0xDFFF) {
        Fail("A string holds a lone low surrogate.");
    }
    if (code >= 0xD800 && code <= 0xDBFF) {
        if (!LookingAt("\\u")) {
            Fail("A string holds a lone high surrogate.");
        }
        FPos += 2;
        const char32_t low = ReadHex4();
        if (low < 0xDC00 || low > 0xDFFF) {
            Fail("A string holds a lone high surrogate.");
        }
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    std::string character;
    AppendUtf8(character, code);
    AppendWiping(out, character);
    WipeString(character);
}

char32_t TJsonParser::ReadHex4() {
    char32_t code = 0;
    for (int i = 0; i < 4; ++i) {
        const int value = HexValue(Peek());
        if (AtEnd() || value < 0) {
            Fail("A \\u escape needs four hexadecimal digits.");
        }
        code = code * 16 + static_cast<char32_t>(value);
        ++FPos;
    }
    return code;
}

void TJsonParser::ReadNumber(std::string& out) {
    const std::size_t start = FPos;
    if (Peek() == '-') {
        ++FPos;
    }
    if (Peek() == '0') {
        ++FPos;
    } else {
        ReadDigits();
    }
    if (Peek() == '.') {
        ++FPos;
        ReadDigits();
    }
    if (Peek() == 'e' || Peek() == 'E') {
        ++FPos;
        if (Peek() == '+' || Peek() == '-') {
            ++FPos;
        }
        ReadDigits();
    }
    out.assign(FIn.substr(start, FPos - start));
}

void TJsonParser::ReadDigits() {
    if (!IsDigit(Peek())) {
        Fail("A number is malformed.");
    }
    while (IsDigit(Peek())) {
        ++FPos;
    }
}

}  // namespace

TJsonValue::~TJsonValue() {
    WipeString(Text);
}

const TJsonValue* TJsonValue::Find(std::string_view name) const {
    for (const TJsonMember& member : Members) {
        if (member.Name == name) {
            return &member.Value;
        }
    }
    return nullptr;
}

std::string_view TJsonValue::AsText() const {
    switch (Kind) {
        case TKind::String:
        case TKind::Number:
            return Text;
        case TKind::Bool:
            return Bool ? "true" : "false";
        default:
            return {};
    }
}

TJsonValue ParseJson(std::string_view content) {
    return TJsonParser(content).Parse();
}
