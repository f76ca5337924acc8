#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vault/VaultKey.h"
#include "vault/VaultOperations.h"
#include "vault/VaultSession.h"
#include "vault/VaultTestSupport.h"

// A vault in a fresh /tmp folder, opened in a session as the window and the tool open it. A
// format-2 key is derived with the least parameters, so that the tests measure no stretching.
class TInteropVaultFixture : public ::testing::Test {
protected:
    static constexpr const char* kPassword = "interop master password";

    void SetUp() override {
        VaultKdfTesting::SetCalibratedParameters(
            TKdfParameters{VaultKdf::kArgon2id13, VaultKdf::kMinMemoryKiB, VaultKdf::kMinIterations,
                           VaultKdf::kParallelism});
    }
    void TearDown() override {
        VaultOperationsTesting::SetAfterSaveCheck({});
        VaultKdfTesting::SetCalibratedParameters(std::nullopt);
    }

    std::string VaultPath() const { return FFolder.File("UserData.dat"); }
    const TTempFolder& Folder() const { return FFolder; }

    void Create(TVaultSession& session, TVaultFormat format) const {
        session.SetPath(VaultPath());
        session.SetPassword(kPassword);
        session.Create(VaultPath(), kPassword, format);
    }
    void Open(TVaultSession& session) const {
        session.SetPath(VaultPath());
        session.SetPassword(kPassword);
        session.Load();
    }
    void LoadFile(TRecordTree& tree) const { VaultLoad(VaultPath(), kPassword, tree); }

    // Groups and, indented below them, "title | user | password | notes" of every record.
    static std::vector<std::string> Listing(const TRecordTree& tree) {
        std::vector<std::string> lines;
        for (PNode node = tree.First(); node; node = tree.Next(node)) {
            const TNodeData& data = node->Data;
            lines.push_back(data.IsGroup ? data.Title
                                         : "  " + data.Title + " | " + data.UserName + " | " +
                                               data.Password + " | " + data.Notes);
        }
        return lines;
    }
    static PNode FindTitle(const TRecordTree& tree, const std::string& title) {
        for (PNode node = tree.First(); node; node = tree.Next(node)) {
            if (!node->Data.IsGroup && node->Data.Title == title) {
                return node;
            }
        }
        return nullptr;
    }

private:
    TTempFolder FFolder;
};
