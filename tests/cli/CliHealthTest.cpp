// The health command through the tool: what a script reads from --json, that no password is
// in it, and the exit status that tells whether anything was found.

#include <cstdlib>

#include "CliTestSupport.h"
#include "health/PasswordSha1.h"

namespace {

const std::string kStrong = "vN4#qT8!mZ2&kP6w";
const std::string kWeak = "Password1";
const std::string kListed = "Zr8#mQ2!xV5&bN1p";
const std::string kOddTitle = "Quote \" and \\ back";

class CliHealthTest : public TCliTest {
protected:
    std::string BreachList = Folder.File("breaches.txt");

    void SetUp() override {
        const TToolResult made = RunInProcess({"create", Vault, "--password-stdin"},
                                              std::string(kMaster) + "\n" + kMaster + "\n");
        ASSERT_EQ(made.ExitCode, 0) << made.Err;
        TSha1 sha1;
        PasswordSha1(kListed, sha1);
        TSha1Hex hex;
        Sha1ToHex(sha1.data(), hex);
        WriteFileBytes(BreachList, std::string(hex.data(), hex.size()) + ":31337\r\n");
    }
    void AddRecord(const std::string& group, const std::string& title,
                   const std::string& password) {
        Succeeds({"add", Vault, group, title, "--ask-password"}, password + "\n");
    }
    // The findings and counts as Python's JSON reader reads the document: one finding a line.
    std::string ReadByPython(const std::string& json) {
        const std::string jsonPath = Folder.File("report.json");
        const std::string readPath = Folder.File("read.txt");
        WriteFileBytes(jsonPath, json);
        const std::string command =
            "/usr/bin/python3 -c 'import json, sys\n"
            "d = json.load(open(sys.argv[1], encoding=\"utf-8\"))\n"
            "for f in d[\"findings\"]: print(f[\"group\"], f[\"title\"], f[\"kind\"], sep=\"|\")\n"
            "c = d[\"counts\"]\n"
            "print(c[\"weak\"], c[\"reused\"], c[\"old\"], c[\"breached\"], d[\"records\"])' '" +
            jsonPath + "' > '" + readPath + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << json;
        return ReadFileBytes(readPath);
    }
};

TEST_F(CliHealthTest, JsonNamesTheRecordsButNoPasswordAndTheExitStatusSaysWhetherAnyWasFound) {
    AddRecord("Web", "Strong", kStrong);
    const TToolResult clean = WithMaster({"health", Vault, "--breached", BreachList});
    EXPECT_EQ(clean.ExitCode, 0) << clean.Err;
    EXPECT_EQ(clean.Out.find("Master password: "), 0u) << clean.Out;
    EXPECT_NE(clean.Out.find("\n1 records: 0 weak, 0 reused, 0 old, 0 breached\n"),
              std::string::npos)
        << clean.Out;

    AddRecord("Bank", "Login", kWeak);
    AddRecord("Mail", kOddTitle, kWeak);
    AddRecord("Shop", "Listed", kListed);
    const TToolResult found =
        WithMaster({"health", Vault, "--breached", BreachList, "--json", "--older-than", "30"});
    EXPECT_EQ(found.ExitCode, 4) << found.Err;
    EXPECT_EQ(ReadByPython(found.Out),
              "Bank|Login|weak\n"
              "Bank|Login|reused\n"
              "Mail|" +
                  kOddTitle +
                  "|weak\n"
                  "Mail|" +
                  kOddTitle +
                  "|reused\n"
                  "Shop|Listed|breached\n"
                  "2 2 0 1 4\n");
    for (const std::string& password : {kStrong, kWeak, kListed, std::string(kMaster)}) {
        EXPECT_EQ(found.Out.find(password), std::string::npos) << password;
        EXPECT_EQ(found.Err.find(password), std::string::npos) << password;
    }
}

}  // namespace
