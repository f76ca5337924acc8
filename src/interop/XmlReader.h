#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A small non-validating XML reader, enough for the XML files of other password managers:
// UTF-8 only, no document type (so no entity of the file's own and nothing external), the
// five named entities and character references, CDATA, comments and processing instructions.

struct TXmlAttribute {
    std::string Name;
    std::string Value;
};

// One element with its attributes, its own text and its child elements. Text and attribute
// values are wiped when the element goes: they may be passwords.
struct TXmlElement {
    std::string Name;
    std::vector<TXmlAttribute> Attributes;
    // The character data directly inside, line breaks as LF; a child's text is the child's.
    std::string Text;
    std::vector<TXmlElement> Children;
    std::size_t Line = 0;  // where the start tag begins

    TXmlElement() = default;
    TXmlElement(TXmlElement&&) noexcept = default;
    TXmlElement& operator=(TXmlElement&&) noexcept = default;
    TXmlElement(const TXmlElement&) = delete;
    TXmlElement& operator=(const TXmlElement&) = delete;
    ~TXmlElement();

    // The first child element of that name, or null.
    const TXmlElement* Child(std::string_view name) const;
    // The value of an attribute, or null when the element has none of that name.
    const std::string* Attribute(std::string_view name) const;
};

// Elements nest no deeper than this.
constexpr std::size_t kMaxXmlDepth = 256;

// The root element of a whole document. Throws EImportError naming the line of the first
// fault (malformed, not UTF-8, a document type, too deep); the message never quotes content.
TXmlElement ParseXml(std::string_view content);
