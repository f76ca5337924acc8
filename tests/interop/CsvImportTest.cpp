#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "interop/CsvExport.h"
#include "interop/CsvImport.h"
#include "vault/Clock.h"
#include "vault/TreeCommands.h"

namespace {

std::string ReadSample(const std::string& name) {
    std::ifstream file(std::string(COFFERIX_INTEROP_SAMPLES) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    EXPECT_FALSE(text.str().empty()) << name;
    return text.str();
}

// Group, title, user name, password, URL and notes of a record.
std::vector<std::string> Texts(const TImportedRecord& record) {
    const TNodeData& d = record.Fields;
    return {record.Group, d.Title, d.UserName, d.Password, d.Url, d.Notes};
}

// The message of the EImportError that import throws for text, or "" when it throws none.
template <typename TImport>
std::string ErrorOf(TImport import, const std::string& text) {
    try {
        import(text);
    } catch (const EImportError& error) {
        return error.what();
    }
    return "";
}

}  // namespace

// keepassxc.csv is keepassxc-cli 2.7.4's export, with a TOTP value added by hand (the tool
// cannot set one); its copy keepassxc-unterminated.csv lacks the file's last quote.
TEST(CsvImportTest, KeePassXcExportKeepsNestedGroupsQuotesLineBreaksTotpAndTimes) {
    const std::string text = ReadSample("keepassxc.csv");
    EXPECT_EQ(DetectCsvFormat(text), TForeignFormat::KeePassXcCsv);
    const TImportedRecords records = ImportKeePassXcCsv(text);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(Texts(records[0]),
              (std::vector<std::string>{"Default Group", "Empty fields", "", "", "", ""}));
    EXPECT_EQ(Texts(records[1]),
              (std::vector<std::string>{"Internet", "Forum, \"quoted\"", "bob \"the builder\"",
                                        "pa\"ss,wo'rd", "https://forum.example.org/login?a=1,b=2",
                                        "single line"}));
    EXPECT_EQ(Texts(records[2]),
              (std::vector<std::string>{
                  "Internet/Email", "Webmail", "alice@example.com", "hunter2",
                  "https://mail.example.com/inbox",
                  "Recovery codes:\r\nabc, \"def\"\r\n\r\nend\r\nTOTP: "
                  "otpauth://totp/Example:alice?secret=JBSWY3DPEHPK3PXP&issuer=Example"}));
    EXPECT_EQ(Texts(records[3]),
              (std::vector<std::string>{"Банк", "Сбережения 貯金", "иван", "пароль密码🔑",
                                        "https://банк.рф", "Примечание 中文\r\n😀 emoji"}));
    EXPECT_EQ(records[2].SourceLine, 4u);
    EXPECT_EQ(records[3].SourceLine, 8u);

    // Created 2026-12-08T15:28:26Z, last modified 2026-12-08T15:32:10Z.
    const TNodeData& webmail = records[2].Fields;
    EXPECT_EQ(webmail.AddedTime, DateTimeFromUnixSeconds(1796743706));
    EXPECT_EQ(webmail.AddedTime2, webmail.AddedTime);
    EXPECT_EQ(webmail.ModifiedTime, DateTimeFromUnixSeconds(1796743930));
    EXPECT_EQ(webmail.PasswordChangedTime, webmail.ModifiedTime);

    // The quote left open starts on the second line of the last record.
    const std::string broken =
        ErrorOf(ImportKeePassXcCsv, ReadSample("keepassxc-unterminated.csv"));
    EXPECT_TRUE(broken.starts_with("Line 9: ")) << broken;
}

// A byte-order mark, CR LF between records but LF inside fields, as Bitwarden writes them.
TEST(CsvImportTest, BitwardenFoldersUrisCustomFieldsAndFlagsAllLandInTheRecord) {
    const std::string text = ReadSample("bitwarden.csv");
    EXPECT_EQ(DetectCsvFormat(text), TForeignFormat::BitwardenCsv);
    const TImportedRecords records = ImportBitwardenCsv(text);
    ASSERT_EQ(records.size(), 3u);  // the blank row is passed over
    EXPECT_EQ(
        Texts(records[0]),
        (std::vector<std::string>{
            "Работа/Почта", "Corp mail", "j.doe", "p@ss,\"w0rd\"", "https://mail.corp.example",
            "Line one\r\nLine \"two\"\r\nPIN: 1234\r\nSecurity question: first pet, "
            "\"Rex\"\r\nURL: https://sso.corp.example/login\r\nURL: "
            "androidapp://com.corp.mail\r\nTOTP: "
            "otpauth://totp/Corp:j.doe?secret=JBSWY3DPEHPK3PXP\r\nFavorite: yes"}));
    EXPECT_EQ(Texts(records[1]),
              (std::vector<std::string>{"Default Group", "Wi-Fi 🏠", "", "", "",
                                        "SSID: home\r\nKey: 日本語のパスワード"}));
    EXPECT_EQ(Texts(records[2]), (std::vector<std::string>{"Social", "Forum", "bob", "hunter2",
                                                           "https://forum.example.org",
                                                           "Master Password Re-prompt: yes"}));
    EXPECT_EQ(records[1].SourceLine, 5u);
    EXPECT_EQ(records[2].SourceLine, 8u);
}

TEST(CsvImportTest, ChromeTitlesFallBackToTheHostWithOrWithoutTheNoteColumn) {
    const std::string text = ReadSample("chrome.csv");
    EXPECT_EQ(DetectCsvFormat(text), TForeignFormat::ChromeCsv);
    const TImportedRecords records = ImportChromeCsv(text);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(Texts(records[0]),
              (std::vector<std::string>{"Default Group", "example.com", "alice", "pa,ss",
                                        "https://example.com/login", ""}));
    EXPECT_EQ(
        Texts(records[1]),
        (std::vector<std::string>{"Default Group", "accounts.example.org", "bob", "quo\"te",
                                  "https://bob@accounts.example.org:8443/signin?next=/home", ""}));
    EXPECT_EQ(Texts(records[2]),
              (std::vector<std::string>{"Default Group", "Café Ünïcödé", "ユーザー", "пароль 🔐",
                                        "android://Zm9v==@com.example.app/",
                                        "first line\r\nsecond, line"}));

    // Older Chrome: no note column; a blank line and mixed line ends in between.
    const std::string older = "name,url,username,password\r\n\r\n,http://[::1]:8080/x,u,p\n";
    EXPECT_EQ(DetectCsvFormat(older), TForeignFormat::ChromeCsv);
    const TImportedRecords old = ImportChromeCsv(older);
    ASSERT_EQ(old.size(), 1u);
    EXPECT_EQ(old[0].Fields.Title, "[::1]");
    EXPECT_EQ(old[0].SourceLine, 3u);
}

TEST(CsvImportTest, FirefoxTimesGoToTheirFieldsOrTheNotesAndNoneIsDropped) {
    const std::string text = ReadSample("firefox.csv");
    EXPECT_EQ(DetectCsvFormat(text), TForeignFormat::FirefoxCsv);
    const TImportedRecords records = ImportFirefoxCsv(text);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(Texts(records[0]),
              (std::vector<std::string>{
                  "Default Group", "accounts.example.com", "alice", "s3cr\"et,1",
                  "https://accounts.example.com",
                  "Form Action Origin: https://accounts.example.com\r\nFirefox GUID: "
                  "{0b7c4d9e-0000-4a1b-9c2d-111111111111}\r\nLast Used: 2024-07-03T09:46:40Z"}));
    const TNodeData& first = records[0].Fields;
    EXPECT_EQ(first.AddedTime, DateTimeFromUnixSeconds(1705314030));
    EXPECT_EQ(first.AddedTime2, first.AddedTime);
    EXPECT_EQ(first.PasswordChangedTime, DateTimeFromUnixSeconds(1705400000));

    // A password time that does not parse is kept as text.
    EXPECT_EQ(records[1].Fields.Title, "intranet.example.com");
    EXPECT_EQ(records[1].Fields.Notes,
              "HTTP Realm: Intranet, \"staff\" realm\r\nFirefox GUID: "
              "{0b7c4d9e-0000-4a1b-9c2d-222222222222}\r\nPassword Changed: changed last spring");
    EXPECT_EQ(records[1].Fields.PasswordChangedTime, 0);
    EXPECT_EQ(records[2].Fields.Title, "www.例え.jp");
    EXPECT_EQ(records[2].Fields.Password, "🔑");
    EXPECT_EQ(records[2].Fields.AddedTime, 0);
    EXPECT_EQ(records[2].SourceLine, 4u);
}

TEST(CsvImportTest, MalformedFilesAreRefusedAtTheirLineWithoutShowingTheirContent) {
    const std::string header = "name,url,username,password\n";
    const std::pair<std::string, const char*> cases[] = {
        {"n,u,x,\"secret\"tail\n", "Line 2: "},
        {"n,u,x,sec\"ret\n", "Line 2: "},
        {"n,u,\"a\nb\",secret\nn,u,secret\n", "Line 4: "},  // too few fields
        {"n,u,x,secret,secret\n", "Line 2: "},
        {"n,u,\"a\nb\xff\",secret\n", "Line 3: "},  // not UTF-8
        {"n,u,x,\"secret\nmore\n", "Line 2: "},     // never closed
    };
    for (const auto& [body, line] : cases) {
        const std::string message = ErrorOf(ImportChromeCsv, header + body);
        EXPECT_TRUE(message.starts_with(line)) << message;
        EXPECT_EQ(message.find("secret"), std::string::npos) << message;
    }
    EXPECT_TRUE(ErrorOf(ImportFirefoxCsv, header).starts_with("Line 1: "));
    EXPECT_FALSE(DetectCsvFormat("<?xml version=\"1.0\"?>\n<KeePassFile/>").has_value());
    EXPECT_FALSE(DetectCsvFormat("{\"encrypted\": false, \"items\": []}").has_value());

    // Line numbers stay right over many records with line breaks inside them.
    std::string many = header;
    for (int i = 0; i < 10000; ++i) {
        many += "n,https://x.example/,u,\"two\r\nlines\"\r\n";
    }
    EXPECT_EQ(ImportChromeCsv(many).size(), 10000u);
    const std::string message = ErrorOf(ImportChromeCsv, many + "n,u,\"\n");
    EXPECT_TRUE(message.starts_with("Line 20002: ")) << message;
}

TEST(CsvImportTest, KeePassXcCsvExportReadsBackTheSameRecords) {
    TFixedClock clock(DateTimeFromUnixSeconds(1705314030));
    TRecordTree tree;
    TNodeData fields;
    fields.Title = "Web \"mail\", main";
    fields.UserName = "alice";
    fields.Password = "p\"w,1";
    fields.Url = "https://mail.example.com";
    fields.Notes = "line one\r\nline \"two\"";
    AddRecordNode(tree, "Internet/Email", fields);
    fields.Title = "Счёт 口座 💳";
    fields.Notes = "";
    AddRecordNode(tree, "Банк", fields)->Data.ModifiedTime = DateTimeFromUnixSeconds(1720000000);
    PNode loose = tree.AddChild(nullptr);
    loose->Data.Title = "Loose";
    loose->Data.Password = "x";

    const std::string text = ExportKeePassXcCsv(tree);
    EXPECT_NE(text.find("\"Root/Internet/Email\",\"Web \"\"mail\"\", main\",\"alice\","
                        "\"p\"\"w,1\",\"https://mail.example.com\",\"line one\nline "
                        "\"\"two\"\"\",\"\",\"0\",\"2024-01-15T10:20:30Z\","
                        "\"2024-01-15T10:20:30Z\"\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(DetectCsvFormat(text), TForeignFormat::KeePassXcCsv);

    const TImportedRecords records = ImportKeePassXcCsv(text);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(Texts(records[0]),
              (std::vector<std::string>{"Internet/Email", "Web \"mail\", main", "alice", "p\"w,1",
                                        "https://mail.example.com", "line one\r\nline \"two\""}));
    EXPECT_EQ(Texts(records[1]), (std::vector<std::string>{"Банк", "Счёт 口座 💳", "alice", "p\"w,1",
                                                           "https://mail.example.com", ""}));
    EXPECT_EQ(Texts(records[2]),
              (std::vector<std::string>{"Default Group", "Loose", "", "x", "", ""}));
    EXPECT_EQ(records[0].Fields.AddedTime, DateTimeFromUnixSeconds(1705314030));
    EXPECT_EQ(records[0].Fields.ModifiedTime, records[0].Fields.AddedTime);
    EXPECT_EQ(records[1].Fields.ModifiedTime, DateTimeFromUnixSeconds(1720000000));
}
