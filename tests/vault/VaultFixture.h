#pragma once

#include <gtest/gtest.h>

#include "VaultTestSupport.h"
#include "vault/RecordTree.h"
#include "vault/VaultFormat.h"
#include "vault/VaultOperations.h"

// A vault path in a fresh temporary folder, with helpers to look into the file's plaintext
// and to craft plaintexts that the program itself would never write.
class TVaultFixture : public ::testing::Test {
protected:
    static constexpr const char* kPassword = "master password 1";

    std::string VaultPath() const { return FFolder.File("UserData.dat"); }
    const TTempFolder& Folder() const { return FFolder; }

    TBytes Plaintext(const std::string& password = kPassword) const {
        return DecryptBytes(ReadFileBytes(VaultPath()), password);
    }
    void WritePlaintext(const TBytes& plain, const std::string& password = kPassword) const {
        WriteFileBytes(VaultPath(), EncryptBytes(plain, password));
    }

    // A header as a fresh vault has it, with the given record count.
    static TBytes HeaderBytes(std::int32_t recordCount) {
        VaultFormat::TVaultHeader header = VaultFormat::FreshHeader();
        header.RecordCount = recordCount;
        TBytes bytes(VaultFormat::kHeaderSize);
        VaultFormat::EncodeHeader(header, bytes.data());
        return bytes;
    }
    static void AppendSlot(TBytes& plain, const TNodeData& node, std::int32_t index) {
        const std::size_t at = plain.size();
        plain.resize(at + VaultFormat::kSlotSize);
        VaultFormat::EncodeSlot(node, index, plain.data() + at);
    }
    static TNodeData Group(const std::string& title) {
        TNodeData data;
        data.IsGroup = true;
        data.Title = title;
        return data;
    }
    static TNodeData Record(const std::string& title, const std::string& password = "pw") {
        TNodeData data;
        data.Title = title;
        data.UserName = title + "-user";
        data.Password = password;
        data.Guid.Bytes[0] = static_cast<std::uint8_t>(title.empty() ? 0 : title[0]);
        data.Guid.Bytes[15] = 0x5A;
        data.AddedTime = 45123.5;
        data.AddedTime2 = 45123.75;
        return data;
    }

    static PNode AddNode(TRecordTree& tree, PNode parent, const TNodeData& data) {
        PNode node = tree.AddChild(parent);
        node->Data = data;
        node->Data.ImageIndex = data.IsGroup ? kGroupImageIndex : kRecordImageIndex;
        return node;
    }

    // One group "Mail" holding records "r1" and "r2".
    static void BuildGroupWithTwoRecords(TRecordTree& tree) {
        PNode group = AddNode(tree, nullptr, Group("Mail"));
        AddNode(tree, group, Record("r1"));
        AddNode(tree, group, Record("r2"));
    }

    static std::vector<std::string> Titles(const TRecordTree& tree) {
        std::vector<std::string> titles;
        for (PNode node = tree.First(); node; node = tree.Next(node)) {
            titles.push_back((tree.Parent(node) ? "  " : "") + node->Data.Title);
        }
        return titles;
    }

    static std::int32_t RecordCountOf(const TBytes& plain) {
        return static_cast<std::int32_t>(VaultFormat::ReadUint32(plain.data() + 4));
    }

private:
    TTempFolder FFolder;
};
