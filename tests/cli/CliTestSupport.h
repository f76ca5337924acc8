#pragma once

#include <string>
#include <vector>

#include "vault/RecordTree.h"

// A fresh folder under /tmp (mkdtemp) for one test, removed with everything in it afterwards.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return FPath + "/" + name; }

private:
    std::string FPath;
};

struct TToolResult {
    int ExitCode = -1;  // the exit status, or 128 + the signal that ended the process
    std::string Out;
    std::string Err;
};

// Runs cofferix-cli's logic in this process; input is what standard input holds.
TToolResult RunInProcess(const std::vector<std::string>& args, const std::string& input = "");

// Runs the built cofferix-cli program in a new session without a controlling terminal, with
// input on its standard input.
TToolResult RunProgram(const std::vector<std::string>& args, const std::string& input = "");

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);

// The vault as the core loads it.
void LoadWithCore(const std::string& path, const std::string& password, TRecordTree& tree);
// The records in file order.
std::vector<const TRecordTree::TNode*> RecordsOf(const TRecordTree& tree);

#include <gtest/gtest.h>

// A test with its own folder and a vault path in it, under a known master password.
class TCliTest : public testing::Test {
protected:
    static constexpr const char* kMaster = "Kn0wn-Master!";

    TTempFolder Folder;
    std::string Vault = Folder.File("vault.dat");

    // An empty vault made by the core.
    void MakeVault();
    // Runs the command in-process with --password-stdin; input holds the lines after the
    // master password.
    TToolResult WithMaster(std::vector<std::string> args, const std::string& moreInput = "");
    // Same, and expects success.
    void Succeeds(std::vector<std::string> args, const std::string& moreInput = "");
};
