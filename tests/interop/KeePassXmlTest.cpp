#include "interop/KeePassXml.h"

#include <gtest/gtest.h>

#include <string>

#include "interop/InteropTestSupport.h"
#include "interop/XmlReader.h"

namespace {

// The message of the EImportError that importing content throws, or "" when none.
template <typename TImport>
std::string ImportError(TImport import, const std::string& content) {
    try {
        import(content);
    } catch (const EImportError& error) {
        return error.what();
    }
    return "";
}

std::string XmlError(const std::string& content) {
    return ImportError(ParseXml, content);
}

}  // namespace

// tests/interop/samples/keepassxc-export.xml is "keepassxc-cli export -f xml" of a database
// made with keepassxc-cli 2.7.4 (custom strings added through "keepassxc-cli import").
TEST(KeePassXmlTest, ReadsKeePassXcsExportGroupsStringsAndTimesButNoPastVersions) {
    const TImportedRecords records = ImportKeePassXml(ReadSample("keepassxc-export.xml"));
    ASSERT_EQ(records.size(), 5u);  // "Changed" and "Mail <Main>" have history: no records

    EXPECT_EQ(records[0].Group, "Default Group");  // directly in the root group
    EXPECT_EQ(records[0].Fields.Title, "At the root");
    EXPECT_EQ(records[0].Fields.Password, "top");
    EXPECT_EQ(records[0].SourceLine, 55u);

    EXPECT_EQ(records[1].Group, "Internet");
    EXPECT_EQ(records[1].Fields.Password, "new");

    const TImportedRecord& mail = records[2];
    EXPECT_EQ(mail.Group, "Internet/Email");
    EXPECT_EQ(mail.Fields.Title, "Mail <Main>");
    EXPECT_EQ(mail.Fields.UserName, "jane@example.com");
    EXPECT_EQ(mail.Fields.Password, "S3cr<e>t&\"x'");
    EXPECT_EQ(mail.Fields.Url, "https://mail.example.com/login?a=1&b=2");
    EXPECT_EQ(mail.Fields.Notes,
              "First line\r\nSecond <line> & \"quoted\"\r\n\r\nÜmlaut Грусть 日本 🙂\r\n"
              "KP2A_URL_1: https://m.example.com/\r\nPIN: 12<34\r\nSecurity Q: Pet?\r\nRex\r\n"
              "otp: otpauth://totp/Example:jane?secret=JBSWY3DPEHPK3PXP&issuer=Example\r\n"
              "Tags: mail,work\r\nLast Accessed: 2026-12-08T15:36:09Z\r\n"
              "Expires: 2030-06-30T12:00:00Z\r\nAttachment: scan.pdf");
    // KDBX 4 times: base64 of seconds since year 1.
    EXPECT_EQ(UnixSecondsFromDateTime(mail.Fields.AddedTime), 1796743715);
    EXPECT_EQ(mail.Fields.AddedTime2, mail.Fields.AddedTime);
    EXPECT_EQ(UnixSecondsFromDateTime(mail.Fields.ModifiedTime), 1796744169);
    EXPECT_EQ(mail.Fields.PasswordChangedTime, mail.Fields.ModifiedTime);

    EXPECT_EQ(records[3].Group, "Bank & <Co>");
    EXPECT_EQ(records[3].Fields.Title, "Банк");
    EXPECT_EQ(records[3].Fields.UserName, "Иван");
    EXPECT_EQ(records[3].Fields.Password, "пароль🙂");
    EXPECT_EQ(records[4].Group, "Recycle Bin");
    EXPECT_EQ(records[4].Fields.Title, "Gone");
}

TEST(KeePassXmlTest, ExportReadsBackEveryRecordWithAwkwardTextAndIsoTimes) {
    TRecordTree tree;
    BuildAwkwardTree(tree);
    std::string xml = ExportKeePassXml(tree);
    EXPECT_NE(xml.find("<CreationTime>2024-01-15T10:20:30Z</CreationTime>"), std::string::npos);
    EXPECT_NE(xml.find("<Name>Work/Projects</Name>"), std::string::npos);
    EXPECT_NE(xml.find("<Value>line 1\n  indented &lt;b&gt;&amp;amp;"), std::string::npos);
    ExpectSameRecords(tree, ImportKeePassXml(xml));

    // Characters XML 1.0 cannot hold are replaced, so that KeePassXC still reads the file; a
    // lone CR in a single-line field survives as a reference.
    AddTestRecord(tree, nullptr, "bell\x07|\r|\xFF")->Data.Notes = "a\rb";
    xml = ExportKeePassXml(tree);
    EXPECT_NE(xml.find("<Value>bell\uFFFD|&#13;|\uFFFD</Value>"), std::string::npos);
    const TImportedRecords records = ImportKeePassXml(xml);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[1].Fields.Title, "bell\uFFFD| |\uFFFD");
    EXPECT_EQ(records[1].Fields.Notes, "a\r\nb");
}

TEST(KeePassXmlTest, RefusesProtectedValuesAndFilesThatAreNoKeePassXml) {
    const std::string prefix = "<?xml version=\"1.0\"?>\n<KeePassFile><Root><Group>\n<Entry>\n";
    const std::string isProtected = ImportError(
        ImportKeePassXml, prefix +
                              "<String><Key>Password</Key>\n<Value Protected=\"True\">"
                              "c2VjcmV0</Value></String></Entry></Group></Root></KeePassFile>");
    EXPECT_EQ(isProtected.rfind("Line 5: The file holds protected values", 0), 0u) << isProtected;
    EXPECT_NE(isProtected.find("keepassxc-cli export -f xml"), std::string::npos);
    EXPECT_EQ(isProtected.find("c2VjcmV0"), std::string::npos);

    EXPECT_EQ(ImportError(ImportKeePassXml, "<?xml version=\"1.0\"?>\n\n<html><Root/></html>"),
              "Line 3: This is not a KeePass XML file.");
    EXPECT_NE(ImportError(ImportKeePassXml, "\x03\xD9\xA2\x9A\x67\xFB\x4B\xB5").find(".kdbx"),
              std::string::npos);
    // Malformed: the message names the line and never the text.
    const std::string unclosed =
        ImportError(ImportKeePassXml, prefix +
                                          "<String><Key>Password</Key><Value>hunter2\n"
                                          "</String></Entry></Group></Root></KeePassFile>");
    EXPECT_EQ(unclosed, "Line 5: An end tag does not match the start tag on line 4.");
}

TEST(XmlReaderTest, ReadsCdataReferencesAndLineBreaksAsXmlDefinesThem) {
    const TXmlElement root = ParseXml(
        "\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8'?><!-- c -->\r\n"
        "<r a=\"x&#9;y\r\nz &lt;\"><![CDATA[<&>]]>&#x1F600;&#233;&quot;"
        "<?pi x?>\r\n&#13;<e/>tail</r>");
    EXPECT_EQ(root.Name, "r");
    EXPECT_EQ(*root.Attribute("a"), "x\ty z <");
    EXPECT_EQ(root.Text, "<&>😀é\"\n\rtail");
    ASSERT_EQ(root.Children.size(), 1u);
    EXPECT_EQ(root.Children[0].Line, 4u);

    EXPECT_EQ(XmlError("<a>\n<b>\n</a>"),
              "Line 3: An end tag does not match the start tag on line 2.");
    EXPECT_EQ(XmlError("<?xml version=\"1.0\"?>\n<!DOCTYPE a [<!ENTITY x \"y\">]><a>&x;</a>"),
              "Line 2: The file declares a document type, which is not accepted.");
    EXPECT_EQ(XmlError("<a>\n&x;</a>"),
              "Line 2: An entity reference names no entity XML predefines.");
    EXPECT_EQ(XmlError("<a>\n&#0;</a>"),
              "Line 2: A character reference names a character that XML does not allow.");
    EXPECT_EQ(XmlError("<a>\n\x01</a>"),
              "Line 2: The file holds a control character that XML does not allow.");
    EXPECT_EQ(XmlError("<a>\n\xC3\x28</a>"), "Line 2: The file is not UTF-8 text.");
    EXPECT_EQ(XmlError("<a x='1' x='2'/>"), "Line 1: An attribute appears twice in one tag.");
    EXPECT_EQ(XmlError("<a/>\n<b/>"),
              "Line 2: Something other than a comment follows the document's element.");
    EXPECT_EQ(XmlError("<a>\n<b>"), "Line 2: The element starting here is never closed.");

    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "<a>";
    }
    EXPECT_EQ(XmlError(deep), "Line 1: Elements nest deeper than 256 levels.");
}
