#include "base/Cp1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1252Test, EveryByteGoesOutAndComesBackUnchanged) {
    std::string allBytes;
    for (int byte = 0; byte < 256; ++byte) {
        allBytes.push_back(static_cast<char>(byte));
    }
    const std::string utf8 = Cp1252ToUtf8(allBytes);
    std::string back;
    ASSERT_TRUE(Utf8ToCp1252(utf8, back).Ok());
    EXPECT_EQ(back, allBytes);
}

TEST(Cp1252Test, TheCodePageCharactersHaveTheirUtf8Forms) {
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\u20AC");  // euro sign
    EXPECT_EQ(Cp1252ToUtf8("\x8A\x9F"), "\u0160\u0178");
    EXPECT_EQ(Cp1252ToUtf8("\x93\x94"), "\u201C\u201D");
    EXPECT_EQ(Cp1252ToUtf8("Caf\xE9"), "Caf\u00E9");
    EXPECT_EQ(Cp1252ToUtf8("\xFF"), "\u00FF");
    // The five bytes without a character are the control characters of their number.
    EXPECT_EQ(Cp1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
}

TEST(Cp1252Test, CharactersOutsideTheCodePageAreRefusedByName) {
    std::string ansi;
    const TUtf8Result omega = Utf8ToCp1252("ab\u03A9c", ansi);
    EXPECT_EQ(omega.Problem, TUtf8Problem::NotInCodePage);
    EXPECT_EQ(omega.CodePoint, U'\u03A9');
    EXPECT_EQ(ansi, "ab");

    // Controls 0x80..0x9F other than the five stand for no byte: 0x80 is the euro sign.
    ansi.clear();
    EXPECT_EQ(Utf8ToCp1252("\u0080", ansi).Problem, TUtf8Problem::NotInCodePage);
    ansi.clear();
    EXPECT_EQ(Utf8ToCp1252("\U0001F600", ansi).CodePoint, U'\U0001F600');
}

TEST(Cp1252Test, MalformedUtf8IsRefused) {
    const char* const malformed[] = {
        "\xC3",              // cut short
        "\xC0\xAF",          // overlong "/"
        "\xE0\x80\xAF",      // overlong, three bytes
        "\xED\xA0\x80",      // a surrogate
        "\xF4\x90\x80\x80",  // beyond U+10FFFF
        "\x80",              // a continuation byte alone
        "\xC3\x28",          // a lead byte without its continuation
        "\xFF",
    };
    for (const char* text : malformed) {
        std::string ansi;
        EXPECT_EQ(Utf8ToCp1252(text, ansi).Problem, TUtf8Problem::InvalidUtf8) << text;
    }
}

TEST(Cp1252Test, ByteAndCharacterTablesAgree) {
    for (int byte = 0; byte < 256; ++byte) {
        EXPECT_EQ(Cp1252ByteOf(Cp1252CharOf(static_cast<unsigned char>(byte))), byte);
    }
    EXPECT_EQ(Cp1252ByteOf(U'\u2122'), 0x99);  // trade mark sign
    EXPECT_EQ(Cp1252ByteOf(U'\u0100'), -1);
}

}  // namespace
