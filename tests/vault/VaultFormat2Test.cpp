#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <set>
#include <sstream>

#include "vault/CofferixError.h"
#include "vault/SecretZlib.h"
#include "vault/VaultFormat2.h"
#include "vault/VaultKey.h"

namespace {

using namespace VaultFormat2;
using TBytes = std::vector<std::uint8_t>;

// The smallest parameters a file may ask for: fast enough to derive hundreds of times.
const TKdfParameters kFastKdf{VaultKdf::kArgon2id13, VaultKdf::kMinMemoryKiB,
                              VaultKdf::kMinIterations, VaultKdf::kParallelism};
const std::string kPassword = "correct horse";

PNode AddNode(TRecordTree& tree, PNode parent, const std::string& title,
              const std::string& password = {}) {
    PNode node = tree.AddChild(parent);
    node->Data.Title = title;
    node->Data.Password = password;
    node->Data.IsGroup = parent == nullptr;
    node->Data.Guid.Bytes[0] = static_cast<std::uint8_t>(tree.Count());
    return node;
}

TBytes SealTree(const TRecordTree& tree, const std::string& password = kPassword) {
    THeader header;
    header.Kdf = kFastKdf;
    header.Salt = NewVaultSalt();
    header.Nonce = NewNonce();
    TDerivedKeys keys = DeriveVaultKeys(password, header.Salt, header.Kdf);
    header.KeyCheck = keys.KeyCheck;
    TVaultValues values;
    values.CreateTime = 45000.25;
    values.PasswordTime = 45001.5;
    return Seal(header, keys.CipherKey, EncodePlaintext(values, tree));
}

void ReadBack(const TBytes& file, TRecordTree& tree, const std::string& password = kPassword) {
    TOpenedFile opened = OpenWithPassword(file.data(), file.size(), password, "v");
    TVaultValues values;
    DecodePlaintext(opened.Plaintext.Data(), opened.Plaintext.Size(), "v", values, tree);
}

TEST(VaultFormat2Test, KeepsUnicodeLongNotesAndEveryRecordField) {
    TRecordTree tree;
    PNode group = AddNode(tree, nullptr, "Łukasz и 王");
    PNode record = AddNode(tree, group, "Ярослав 🔑", "pässwörd 密码");
    record->Data.Notes = std::string(5000, 'n') + "\r\n😀";
    record->Data.Url = "https://example.org/ü";
    record->Data.UserName = "user";
    record->Data.AddedTime = 1.5;
    record->Data.AddedTime2 = 2.5;
    record->Data.ModifiedTime = 3.5;
    record->Data.PasswordChangedTime = 4.5;
    record->Data.SpareValue = {1, 2, 3, 4, 5, 6, 7, 8};
    AddNode(tree, nullptr, "Empty group");

    TRecordTree loaded;
    ReadBack(SealTree(tree), loaded);

    ASSERT_EQ(loaded.Count(), 3u);
    ASSERT_EQ(loaded.ChildCount(nullptr), 2);
    const TNodeData& group2 = loaded.Child(nullptr, 0)->Data;
    EXPECT_TRUE(group2.IsGroup);
    EXPECT_EQ(group2.Title, "Łukasz и 王");
    const TNodeData& data = loaded.Child(loaded.Child(nullptr, 0), 0)->Data;
    EXPECT_FALSE(data.IsGroup);
    EXPECT_EQ(data.Title, record->Data.Title);
    EXPECT_EQ(data.Password, record->Data.Password);
    EXPECT_EQ(data.Notes, record->Data.Notes);
    EXPECT_EQ(data.Url, record->Data.Url);
    EXPECT_EQ(data.UserName, "user");
    EXPECT_EQ(data.Guid, record->Data.Guid);
    EXPECT_EQ(data.AddedTime, 1.5);
    EXPECT_EQ(data.AddedTime2, 2.5);
    EXPECT_EQ(data.ModifiedTime, 3.5);
    EXPECT_EQ(data.PasswordChangedTime, 4.5);
    EXPECT_EQ(data.SpareValue, record->Data.SpareValue);
    EXPECT_EQ(loaded.Child(nullptr, 1)->Data.Title, "Empty group");
}

// Whatever byte is changed, the file is refused as damaged or as opened by another password,
// and nothing half-read reaches the tree.
TEST(VaultFormat2Test, EverySingleByteFlipIsRefused) {
    TRecordTree tree;
    AddNode(tree, AddNode(tree, nullptr, "G"), "R", "secret");
    const TBytes file = SealTree(tree);
    for (std::size_t at = 0; at < file.size(); ++at) {
        TBytes changed = file;
        changed[at] ^= 0xFF;
        TRecordTree loaded;
        try {
            ReadBack(changed, loaded);
            ADD_FAILURE() << "a flip at byte " << at << " was accepted";
        } catch (const EVaultDamagedError&) {
        } catch (const EVaultPasswordError&) {
            // Only what the key check depends on may look like a wrong password.
            EXPECT_TRUE((at >= 20 && at < 48) || (at >= 76 && at < 108)) << "byte " << at;
        }
        EXPECT_TRUE(loaded.IsEmpty());
    }
}

TEST(VaultFormat2Test, WrongPasswordAndDamagedBodyAreToldApart) {
    TRecordTree tree;
    AddNode(tree, nullptr, "G");
    TBytes file = SealTree(tree);
    TRecordTree loaded;
    EXPECT_THROW(ReadBack(file, loaded, "not the password"), EVaultPasswordError);
    file.back() ^= 1;
    try {
        ReadBack(file, loaded);
        FAIL();
    } catch (const EVaultDamagedError& error) {
        EXPECT_NE(std::string(error.what()).find("damaged"), std::string::npos);
    }
}

// Refused from the header alone: a hostile file must not make the program allocate 4 GiB or
// spin for ever.
TEST(VaultFormat2Test, HeaderOutOfBoundsOrCutIsRefusedBeforeDeriving) {
    TRecordTree tree;
    AddNode(tree, nullptr, "G");
    const TBytes file = SealTree(tree);
    auto withUint32 = [&](std::size_t offset, std::uint32_t value) {
        TBytes changed = file;
        for (int i = 0; i < 4; ++i) {
            changed[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        return changed;
    };
    const TBytes cases[] = {
        withUint32(20, 4u * 1024 * 1024),         // 4 GiB of memory
        withUint32(24, 0),                        // no iterations
        withUint32(24, 1000000),                  // hours of iterations
        withUint32(28, 4),                        // lanes libsodium does not compute
        TBytes(file.begin(), file.begin() + 40),  // cut in the salt
        TBytes(file.begin(), file.begin() + kHeaderSize + kTagSize - 1),  // cut in the tag
    };
    for (const TBytes& changed : cases) {
        EXPECT_THROW(DecodeHeader(changed.data(), changed.size(), "v"), EVaultDamagedError);
    }
    const TBytes cutBody(file.begin(), file.end() - 1);
    TRecordTree loaded;
    EXPECT_THROW(ReadBack(cutBody, loaded), EVaultDamagedError);
}

// Nothing of the body repeats between two saves of the same content, nor between two
// records that share a password: the file tells nobody who reuses a password.
TEST(VaultFormat2Test, NoRepeatedBlocksAcrossFilesOrEqualPasswords) {
    TRecordTree tree;
    PNode group = AddNode(tree, nullptr, "G");
    for (int i = 0; i < 8; ++i) {
        AddNode(tree, group, "R", "the same password, repeated");
    }
    const TBytes first = SealTree(tree);
    const TBytes second = SealTree(tree);
    std::set<std::array<std::uint8_t, 16>> blocks;
    std::size_t total = 0;
    for (const TBytes* file : {&first, &second}) {
        for (std::size_t at = kHeaderSize; at + 16 <= file->size(); at += 16, ++total) {
            std::array<std::uint8_t, 16> block;
            std::copy_n(file->begin() + static_cast<std::ptrdiff_t>(at), 16, block.begin());
            blocks.insert(block);
        }
    }
    EXPECT_EQ(blocks.size(), total);
}

TEST(VaultFormat2Test, PlaintextThatLiesAboutItsSizeIsRefused) {
    TRecordTree tree;
    AddNode(tree, AddNode(tree, nullptr, "G"), "R");
    const TWipedBytes plaintext = EncodePlaintext({}, tree);
    const TBytes good(plaintext.Data(), plaintext.Data() + plaintext.Size());
    auto refused = [](TBytes bytes) {
        TRecordTree loaded;
        TVaultValues values;
        EXPECT_THROW(DecodePlaintext(bytes.data(), bytes.size(), "v", values, loaded),
                     EVaultDamagedError);
    };
    TBytes hugeCount = good;
    hugeCount[20] = 0xFF;  // the entry count
    refused(hugeCount);
    TBytes hugeTitle = good;
    hugeTitle[24 + 17 + 3] = 0x7F;  // the first title's length
    refused(hugeTitle);
    TBytes notUtf8 = good;
    notUtf8[24 + 17 + 4] = 0xC0;  // the first title's only byte
    refused(notUtf8);
    TBytes extra = good;
    extra.push_back(0);
    refused(extra);
    refused(TBytes(good.begin(), good.end() - 1));
}

}  // namespace

namespace {

// The hex dump in the fenced block "```text NAME" of the format's page.
TBytes DumpFromFormatPage(const std::string& name) {
    std::ifstream page(COFFERIX_DOCS_DIR "/vault-format-2.md");
    std::string line;
    while (std::getline(page, line) && line != "```text " + name) {
    }
    TBytes bytes;
    while (std::getline(page, line) && line != "```") {
        std::istringstream words(line.substr(line.find(' ')));
        std::string word;
        while (words >> word) {
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
        }
    }
    return bytes;
}

// The page's example is what this program reads and, given the same salt and nonce, writes:
// the page an independent reader works from says what the code does.
TEST(VaultFormat2Test, FormatPageExampleIsWhatTheCodeReadsAndWrites) {
    const TBytes file = DumpFromFormatPage("file");
    ASSERT_EQ(file.size(), 293u);
    TOpenedFile opened = OpenWithPassword(file.data(), file.size(), kPassword, "example");
    EXPECT_EQ(opened.Header.Kdf, kFastKdf);
    const TBytes plaintext(opened.Plaintext.Data(),
                           opened.Plaintext.Data() + opened.Plaintext.Size());
    EXPECT_EQ(plaintext, DumpFromFormatPage("plaintext"));

    TRecordTree tree;
    TVaultValues values;
    DecodePlaintext(plaintext.data(), plaintext.size(), "example", values, tree);
    ASSERT_EQ(tree.Count(), 2u);
    const TNodeData& record = tree.Child(tree.Child(nullptr, 0), 0)->Data;
    EXPECT_EQ(record.UserName, "łukasz");
    EXPECT_EQ(record.Password, "hunter2 ✓");
    EXPECT_EQ(record.Notes, "codes:\r\n1234");
    EXPECT_EQ(record.PasswordChangedTime, 46002.75);

    EXPECT_EQ(Seal(opened.Header, opened.CipherKey, EncodePlaintext(values, tree)), file);
}

}  // namespace

namespace {

// The message unpacks only to exactly what was packed: a stated length that lies, a cut stream
// or bytes after it are damage, never a short or padded plaintext.
TEST(VaultFormat2Test, PackedMessageUnpacksOnlyWhole) {
    const std::string text(5000, 'x');
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const TWipedBytes packed = CompressSecret(bytes, text.size());
    ASSERT_LT(packed.Size(), 200u);
    const TBytes good(packed.Data(), packed.Data() + packed.Size());
    const TWipedBytes back = DecompressSecret(good.data(), good.size(), "v");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.Data()), back.Size()), text);
    TBytes longer = good;
    longer[0] += 1;
    TBytes shorter = good;
    shorter[0] -= 1;
    TBytes huge = good;
    huge[7] = 0x80;
    TBytes extra = good;
    extra.push_back(0);
    const TBytes cut(good.begin(), good.end() - 1);
    for (const TBytes* bad :
         std::initializer_list<const TBytes*>{&longer, &shorter, &huge, &extra, &cut}) {
        EXPECT_THROW(DecompressSecret(bad->data(), bad->size(), "v"), EVaultDamagedError);
    }
}

}  // namespace
