#include "interop/XmlReader.h"

#include <algorithm>

#include "base/Cp1252.h"
#include "base/Wipe.h"
#include "interop/ImportedRecord.h"
#include "interop/InteropText.h"

namespace {

bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Names are checked loosely: every byte of a non-ASCII character is taken as a name byte.
bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
               return lower(x) == lower(y);
           });
}

// The code point of a character reference's digits ("#65", "#x41"), or 0 when they are none.
char32_t ReferencedCode(std::string_view digits) {
    const bool hex = digits.size() > 1 && digits[1] == 'x';
    digits.remove_prefix(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) {
        return 0;
    }
    char32_t code = 0;
    for (const char c : digits) {
        int value = -1;
        if (c >= '0' && c <= '9') {
            value = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            value = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            value = c - 'A' + 10;
        }
        if (value < 0) {
            return 0;
        }
        code = code * (hex ? 16 : 10) + static_cast<char32_t>(value);
    }
    return code;
}

class TXmlParser {
public:
    explicit TXmlParser(std::string_view in) : FIn(in) {}
    TXmlElement Parse();

private:
    [[noreturn]] void Fail(std::string_view what) const { throw EImportError(FLine, what); }
    bool AtEnd() const { return FPos >= FIn.size(); }
    bool LookingAt(std::string_view text) const { return FIn.substr(FPos, text.size()) == text; }
    std::size_t BreaksIn(std::size_t from, std::size_t to) const;
    void Skip(std::size_t count);
    void SkipTo(std::size_t position) { Skip(position - FPos); }
    bool SkipSpace();
    void Expect(char c, std::string_view what);

    void CheckCharacters() const;
    void ReadDeclaration();
    void ReadMisc();
    void ReadComment();
    void ReadProcessingInstruction();
    void ReadContent();
    std::string ReadName();
    void ReadStartTag();
    void ReadEndTag();
    bool ReadAttributes(TXmlElement& element);
    void ReadAttributeValue(std::string& value);
    void ReadReference(std::string& out);
    void ReadCharData(std::string& out);
    void ReadCData(std::string& out);
    void Add(TXmlElement&& element);

    std::string_view FIn;
    std::size_t FPos = 0;
    std::size_t FLine = 1;
    std::vector<TXmlElement> FOpen;  // the elements whose end tag is still to come
    TXmlElement FRoot;
};

// XML's end-of-line handling: CR LF and a lone CR read as LF.
void AppendNormalised(std::string& out, std::string_view raw) {
    std::size_t from = 0;
    for (;;) {
        const std::size_t cr = raw.find('\r', from);
        if (cr == std::string_view::npos) {
            AppendWiping(out, raw.substr(from));
            return;
        }
        AppendWiping(out, raw.substr(from, cr - from));
        AppendWiping(out, "\n");
        from = cr + 1;
        if (from < raw.size() && raw[from] == '\n') {
            ++from;
        }
    }
}

std::size_t TXmlParser::BreaksIn(std::size_t from, std::size_t to) const {
    std::size_t breaks = 0;
    for (std::size_t i = from; i < to; ++i) {
        if (FIn[i] == '\n' || (FIn[i] == '\r' && (i + 1 >= FIn.size() || FIn[i + 1] != '\n'))) {
            ++breaks;
        }
    }
    return breaks;
}

void TXmlParser::Skip(std::size_t count) {
    FLine += BreaksIn(FPos, FPos + count);
    FPos += count;
}

bool TXmlParser::SkipSpace() {
    const std::size_t start = FPos;
    std::size_t end = FPos;
    while (end < FIn.size() && IsSpace(FIn[end])) {
        ++end;
    }
    SkipTo(end);
    return end > start;
}

void TXmlParser::Expect(char c, std::string_view what) {
    if (AtEnd() || FIn[FPos] != c) {
        Fail(what);
    }
    Skip(1);
}

void TXmlParser::CheckCharacters() const {
    for (std::size_t pos = FPos; pos < FIn.size();) {
        const auto byte = static_cast<unsigned char>(FIn[pos]);
        if (byte >= 0x20 && byte < 0x80) {
            ++pos;
            continue;
        }
        char32_t code = 0;
        const std::size_t length = DecodeUtf8(FIn, pos, code);
        if (length == 0) {
            throw EImportError(1 + BreaksIn(0, pos), "The file is not UTF-8 text.");
        }
        if (!IsXmlChar(code)) {
            throw EImportError(1 + BreaksIn(0, pos),
                               "The file holds a control character that XML does not allow.");
        }
        pos += length;
    }
}

TXmlElement TXmlParser::Parse() {
    if (LookingAt("\xEF\xBB\xBF")) {
        FPos = 3;  // a byte order mark
    }
    CheckCharacters();
    if (LookingAt("<?xml") && FPos + 5 < FIn.size() && IsSpace(FIn[FPos + 5])) {
        ReadDeclaration();
    }
    ReadMisc();
    if (AtEnd() || FIn[FPos] != '<') {
        Fail(AtEnd() ? "The file holds no XML element." : "Text stands before the first element.");
    }
    ReadStartTag();
    while (!FOpen.empty()) {
        ReadContent();
    }
    ReadMisc();
    if (!AtEnd()) {
        Fail("Something other than a comment follows the document's element.");
    }
    return std::move(FRoot);
}

void TXmlParser::ReadDeclaration() {
    Skip(5);
    for (;;) {
        const bool spaced = SkipSpace();
        if (LookingAt("?>")) {
            Skip(2);
            return;
        }
        if (!spaced || AtEnd()) {
            Fail("The XML declaration is malformed.");
        }
        TXmlAttribute item;
        item.Name = ReadName();
        SkipSpace();
        Expect('=', "The XML declaration is malformed.");
        SkipSpace();
        ReadAttributeValue(item.Value);
        if (item.Name == "version" && item.Value.rfind("1.", 0) != 0) {
            Fail("The file is not XML 1.0.");
        }
        if (item.Name == "encoding" && !EqualsIgnoringCase(item.Value, "UTF-8")) {
            Fail("The file's encoding is not UTF-8.");
        }
    }
}

// Space, comments and processing instructions around the document's element.
void TXmlParser::ReadMisc() {
    for (;;) {
        SkipSpace();
        if (LookingAt("<!--")) {
            ReadComment();
        } else if (LookingAt("<?")) {
            ReadProcessingInstruction();
        } else if (LookingAt("<!DOCTYPE")) {
            Fail("The file declares a document type, which is not accepted.");
        } else {
            return;
        }
    }
}

void TXmlParser::ReadComment() {
    Skip(4);
    const std::size_t dashes = FIn.find("--", FPos);
    if (dashes == std::string_view::npos) {
        Fail("A comment is never closed.");
    }
    SkipTo(dashes);
    if (!LookingAt("-->")) {
        Fail("A comment holds \"--\".");
    }
    Skip(3);
}

void TXmlParser::ReadProcessingInstruction() {
    Skip(2);
    if (EqualsIgnoringCase(ReadName(), "xml")) {
        Fail("An XML declaration stands somewhere other than at the start.");
    }
    const std::size_t end = FIn.find("?>", FPos);
    if (end == std::string_view::npos) {
        Fail("A processing instruction is never closed.");
    }
    SkipTo(end + 2);
}

void TXmlParser::ReadContent() {
    if (AtEnd()) {
        throw EImportError(FOpen.back().Line, "The element starting here is never closed.");
    }
    std::string& text = FOpen.back().Text;
    if (FIn[FPos] == '&') {
        ReadReference(text);
    } else if (FIn[FPos] != '<') {
        ReadCharData(text);
    } else if (LookingAt("</")) {
        ReadEndTag();
    } else if (LookingAt("<!--")) {
        ReadComment();
    } else if (LookingAt("<![CDATA[")) {
        ReadCData(text);
    } else if (LookingAt("<?")) {
        ReadProcessingInstruction();
    } else if (LookingAt("<!")) {
        Fail("A declaration stands inside an element.");
    } else {
        ReadStartTag();
    }
}

std::string TXmlParser::ReadName() {
    if (AtEnd() || !IsNameStart(FIn[FPos])) {
        Fail("A name is expected.");
    }
    std::size_t end = FPos + 1;
    while (end < FIn.size() && IsNameChar(FIn[end])) {
        ++end;
    }
    std::string name(FIn.substr(FPos, end - FPos));
    SkipTo(end);
    return name;
}

void TXmlParser::ReadStartTag() {
    if (FOpen.size() >= kMaxXmlDepth) {
        Fail("Elements nest deeper than 256 levels.");
    }
    TXmlElement element;
    element.Line = FLine;
    Skip(1);
    element.Name = ReadName();
    if (ReadAttributes(element)) {
        Add(std::move(element));
    } else {
        FOpen.push_back(std::move(element));
    }
}

void TXmlParser::ReadEndTag() {
    Skip(2);
    const std::string name = ReadName();
    SkipSpace();
    Expect('>', "An end tag is malformed.");
    if (name != FOpen.back().Name) {
        Fail("An end tag does not match the start tag on line " +
             std::to_string(FOpen.back().Line) + ".");
    }
    TXmlElement element = std::move(FOpen.back());
    FOpen.pop_back();
    Add(std::move(element));
}

// Answers true for an empty-element tag ("<a/>").
bool TXmlParser::ReadAttributes(TXmlElement& element) {
    bool empty = false;
    for (;;) {
        const bool spaced = SkipSpace();
        if (AtEnd()) {
            Fail("The file ends inside a tag.");
        }
        if (LookingAt("/>") || LookingAt(">")) {
            empty = FIn[FPos] == '/';
            Skip(empty ? 2 : 1);
            break;
        }
        if (!spaced) {
            Fail("A tag is malformed.");
        }
        TXmlAttribute attribute;
        attribute.Name = ReadName();
        SkipSpace();
        Expect('=', "An attribute has no value.");
        SkipSpace();
        ReadAttributeValue(attribute.Value);
        element.Attributes.push_back(std::move(attribute));
    }
    std::vector<std::string_view> names;
    for (const TXmlAttribute& attribute : element.Attributes) {
        names.push_back(attribute.Name);
    }
    std::sort(names.begin(), names.end());
    if (std::adjacent_find(names.begin(), names.end()) != names.end()) {
        Fail("An attribute appears twice in one tag.");
    }
    return empty;
}

void TXmlParser::ReadAttributeValue(std::string& value) {
    if (AtEnd() || (FIn[FPos] != '"' && FIn[FPos] != '\'')) {
        Fail("An attribute value is not quoted.");
    }
    const char quote = FIn[FPos];
    Skip(1);
    for (;;) {
        if (AtEnd()) {
            Fail("The file ends inside an attribute value.");
        }
        const char c = FIn[FPos];
        if (c == quote) {
            Skip(1);
            return;
        }
        if (c == '<') {
            Fail("An attribute value holds \"<\".");
        }
        if (c == '&') {
            ReadReference(value);
            continue;
        }
        // Attribute-value normalisation: each white-space character (CR LF as one) is a space.
        AppendWiping(value, IsSpace(c) ? " " : FIn.substr(FPos, 1));
        Skip(c == '\r' && LookingAt("\r\n") ? 2 : 1);
    }
}

void TXmlParser::ReadReference(std::string& out) {
    const std::size_t semicolon = FIn.find(';', FPos);
    if (semicolon == std::string_view::npos || semicolon - FPos > 12) {
        Fail("An \"&\" starts no reference.");
    }
    const std::string_view name = FIn.substr(FPos + 1, semicolon - FPos - 1);
    if (!name.empty() && name[0] == '#') {
        const char32_t code = ReferencedCode(name);
        if (!IsXmlChar(code)) {
            Fail("A character reference names a character that XML does not allow.");
        }
        std::string character;
        AppendUtf8(character, code);
        AppendWiping(out, character);
        WipeString(character);
    } else if (name == "lt" || name == "gt" || name == "amp" || name == "apos" || name == "quot") {
        AppendWiping(out, name == "lt"     ? "<"
                          : name == "gt"   ? ">"
                          : name == "amp"  ? "&"
                          : name == "apos" ? "'"
                                           : "\"");
    } else {
        Fail("An entity reference names no entity XML predefines.");
    }
    SkipTo(semicolon + 1);
}

void TXmlParser::ReadCharData(std::string& out) {
    std::size_t end = FIn.find_first_of("<&", FPos);
    end = end == std::string_view::npos ? FIn.size() : end;
    const std::string_view raw = FIn.substr(FPos, end - FPos);
    const std::size_t closer = raw.find("]]>");
    if (closer != std::string_view::npos) {
        Skip(closer);
        Fail("Text holds \"]]>\".");
    }
    AppendNormalised(out, raw);
    SkipTo(end);
}

void TXmlParser::ReadCData(std::string& out) {
    Skip(9);
    const std::size_t end = FIn.find("]]>", FPos);
    if (end == std::string_view::npos) {
        Fail("A CDATA section is never closed.");
    }
    AppendNormalised(out, FIn.substr(FPos, end - FPos));
    SkipTo(end + 3);
}

void TXmlParser::Add(TXmlElement&& element) {
    if (FOpen.empty()) {
        FRoot = std::move(element);
    } else {
        FOpen.back().Children.push_back(std::move(element));
    }
}

}  // namespace

TXmlElement::~TXmlElement() {
    WipeString(Text);
    for (TXmlAttribute& attribute : Attributes) {
        WipeString(attribute.Value);
    }
}

const TXmlElement* TXmlElement::Child(std::string_view name) const {
    for (const TXmlElement& child : Children) {
        if (child.Name == name) {
            return &child;
        }
    }
    return nullptr;
}

const std::string* TXmlElement::Attribute(std::string_view name) const {
    for (const TXmlAttribute& attribute : Attributes) {
        if (attribute.Name == name) {
            return &attribute.Value;
        }
    }
    return nullptr;
}

TXmlElement ParseXml(std::string_view content) {
    return TXmlParser(content).Parse();
}
