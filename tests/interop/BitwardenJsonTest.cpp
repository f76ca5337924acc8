#include "interop/BitwardenJson.h"

#include <gtest/gtest.h>

#include <string>

#include "interop/InteropTestSupport.h"
#include "interop/JsonReader.h"

namespace {

std::string BitwardenError(const std::string& content) {
    try {
        ImportBitwardenJson(content);
    } catch (const EImportError& error) {
        return error.what();
    }
    return "";
}

std::int64_t Seconds(TDateTime time) {
    return UnixSecondsFromDateTime(time);
}

}  // namespace

// tests/interop/samples/bitwarden-export.json has the shape of Bitwarden's ".json" export.
TEST(BitwardenJsonTest, ReadsEveryItemKindWithItsFieldsAsNoteLines) {
    const TImportedRecords records = ImportBitwardenJson(ReadSample("bitwarden-export.json"));
    ASSERT_EQ(records.size(), 5u);

    const TImportedRecord& login = records[0];
    EXPECT_EQ(login.SourceLine, 14u);
    EXPECT_EQ(login.Group, "Work/Projects");
    EXPECT_EQ(login.Fields.Title, "Git \"forge\" <main>");
    EXPECT_EQ(login.Fields.UserName, "dev@example.com");
    EXPECT_EQ(login.Fields.Password, "p\u00e4ss \"w\u00f6rd\" \\ 🔑");
    EXPECT_EQ(login.Fields.Url, "https://git.example.com/login");
    EXPECT_EQ(login.Fields.Notes,
              "Line one\r\nLine two\twith tab\r\nC:\\path\\to \u00e9t\u00e9 / done\r\n"
              "URL: https://ssh.example.com\r\nURL: androidapp://com.example.git\r\n"
              "TOTP: otpauth://totp/Forge:dev?secret=JBSWY3DPEHPK3PXP\r\n"
              "Recovery code: AB12-CD34\r\n2FA enabled: true\r\nFavorite: yes");
    EXPECT_EQ(Seconds(login.Fields.AddedTime), 1682931600);  // 2023-05-01T09:00:00Z
    EXPECT_EQ(login.Fields.AddedTime2, login.Fields.AddedTime);
    EXPECT_EQ(Seconds(login.Fields.ModifiedTime), 1705314030);
    EXPECT_EQ(Seconds(login.Fields.PasswordChangedTime), 1698912000);

    const TImportedRecord& card = records[1];
    EXPECT_EQ(card.Group, "Личное 😀");
    EXPECT_EQ(card.Fields.Notes,
              "Cardholder Name: Jane Doe\r\nBrand: Visa\r\nNumber: 4111111111111111\r\n"
              "Expiry Month: 7\r\nExpiry Year: 2027\r\nSecurity Code: 123");
    EXPECT_EQ(card.Fields.Password, "");
    EXPECT_EQ(Seconds(card.Fields.PasswordChangedTime), Seconds(card.Fields.ModifiedTime));

    const TImportedRecord& identity = records[2];
    EXPECT_EQ(identity.Group, "Default Group");
    EXPECT_EQ(identity.Fields.Notes,
              "Title: Ms\r\nFirst Name: Jane\r\nLast Name: Doe\r\nEmail: jane@example.com\r\n"
              "Address 1: 1 Main St\r\nCity: Springfield\r\nPostal Code: 12345\r\n"
              "Country: US\r\nSSN: 000-12-3456\r\nUsername: jdoe\r\nPassport Number: X1234567");

    // In the trash, and in a folder the file does not list.
    EXPECT_EQ(records[3].Group, "Default Group");
    EXPECT_EQ(records[3].Fields.Notes, "SSID: home\r\nKey: hunter2 🙂");
    EXPECT_EQ(records[4].Fields.Title, "");
    EXPECT_EQ(records[4].Fields.Notes, "");
}

TEST(BitwardenJsonTest, ExportReadsBackEveryRecordWithAwkwardText) {
    TRecordTree tree;
    BuildAwkwardTree(tree);
    AddTestRecord(tree, nullptr, "bell\x07 \x1F");
    const std::string json = ExportBitwardenJson(tree);
    EXPECT_NE(json.find("\"creationDate\": \"2024-01-15T10:20:30.000Z\""), std::string::npos);
    EXPECT_NE(json.find("\"name\": \"bell\\u0007 \\u001f\""), std::string::npos);
    EXPECT_NE(json.find("\"folderId\": null"), std::string::npos);
    EXPECT_NE(json.find("\"notes\": \"line 1\\n  indented"), std::string::npos);
    TImportedRecords records = ImportBitwardenJson(json);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[1].Fields.Title, "bell\x07 \x1F");
    records.erase(records.begin() + 1);
    tree.Delete(tree.Child(nullptr, tree.ChildCount(nullptr) - 1));
    ExpectSameRecords(tree, records);
}

TEST(BitwardenJsonTest, OrganisationExportsTakeTheFirstKnownCollectionAsGroup) {
    const TImportedRecords records = ImportBitwardenJson(R"({"encrypted": false,
        "collections": [{"id": "c1", "organizationId": "o", "name": "Finance/Tax"}],
        "items": [{"type": 1, "name": "Bank", "collectionIds": ["nope", "c1"], "login": {}},
                  {"type": 1, "name": "Loose", "collectionIds": []}]})");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Group, "Finance/Tax");
    EXPECT_EQ(records[1].Group, "Default Group");
}

TEST(BitwardenJsonTest, RefusesEncryptedExportsAndMalformedJsonNamingTheLine) {
    const std::string encrypted = BitwardenError(
        "{\n\"encrypted\": true,\n\"passwordProtected\": true, \"salt\": \"x\", \"data\": "
        "\"2.AAAAAAAAAAAAAAAAAAAAAA==|BBBB|CCCC\"}");
    EXPECT_EQ(encrypted.rfind("Line 2: This is an encrypted Bitwarden export.", 0), 0u);
    EXPECT_NE(encrypted.find("\".json\""), std::string::npos);
    // Account-restricted: the flag may be missing, the names are cipher strings.
    EXPECT_EQ(BitwardenError("{\"items\": [\n{\"type\": 1,\n\"name\": "
                             "\"2.mNlHfhlM6mQ3UoSVaZrKtA==|T9bTwRZA3+Ea==|xXhD5dZn6Y=\"}]}")
                  .rfind("Line 3: This is an encrypted", 0),
              0u);
    EXPECT_EQ(BitwardenError("{\"folders\": []}"), "Line 1: This is not a Bitwarden JSON export.");
    EXPECT_EQ(BitwardenError("[1, 2]"), "Line 1: This is not a Bitwarden JSON export.");

    // Malformed JSON: the line, never the text.
    EXPECT_EQ(BitwardenError("{\"items\": [\n{\"name\": \"secret\"\n\"type\": 1}]}"),
              "Line 3: \",\" or \"}\" is expected.");
    EXPECT_EQ(BitwardenError("{\"items\": [{\"name\":\n\"a\\ud83d\"}]}"),
              "Line 2: A string holds a lone high surrogate.");
    EXPECT_EQ(BitwardenError("{\"items\": [],\n\"items\": []}"),
              "Line 1: An object names one member twice.");
    EXPECT_EQ(BitwardenError("{\"items\": [\n\"tab\there\"]}"),
              "Line 2: A string holds a control character.");
    EXPECT_EQ(BitwardenError("{\"items\": [01]}"), "Line 1: \",\" or \"]\" is expected.");
    EXPECT_EQ(BitwardenError("{\"items\": [\"\\x\"]}"),
              "Line 1: A string holds an unknown escape.");
    EXPECT_EQ(BitwardenError("{\"items\": []} x"), "Line 1: Something follows the JSON value.");
    EXPECT_EQ(BitwardenError("{\"items\":\n[\"\xC3\x28\"]}"),
              "Line 2: The file is not UTF-8 text.");
    EXPECT_EQ(BitwardenError(std::string(100000, '[')),
              "Line 1: Arrays and objects nest deeper than 256 levels.");

    const TJsonValue value = ParseJson(" [-0.5e+3, true, null, {\"\": \"\\u00e9\\/\\b\"}] ");
    ASSERT_EQ(value.Items.size(), 4u);
    EXPECT_EQ(value.Items[0].Text, "-0.5e+3");
    EXPECT_TRUE(value.Items[1].Bool);
    EXPECT_TRUE(value.Items[2].Is(TJsonValue::TKind::Null));
    EXPECT_EQ(value.Items[3].Find("")->Text, "\u00e9/\b");
}
