#include <gtest/gtest.h>

#include "VaultFixture.h"
#include "vault/VaultKey.h"
#include "vault/VaultSession.h"

namespace {

const TKdfParameters kFastKdf{VaultKdf::kArgon2id13, VaultKdf::kMinMemoryKiB,
                              VaultKdf::kMinIterations, VaultKdf::kParallelism};

// Format-2 operations with the fast parameters, so that a test may derive many times.
class VaultOperations2Test : public TVaultFixture {
protected:
    void SetUp() override { VaultKdfTesting::SetCalibratedParameters(kFastKdf); }
    void TearDown() override { VaultKdfTesting::SetCalibratedParameters(std::nullopt); }

    static std::uint64_t Derivations() { return VaultKdfTesting::DerivationCount(); }
};

// A key reused for a file whose password changed elsewhere would seal the save under a key
// nobody knows; a key derived at every save would make a save cost a second.
TEST_F(VaultOperations2Test, SavesAndReloadsReuseTheKeyUntilThePasswordChangesElsewhere) {
    TVaultCredentials credentials;
    const std::uint64_t start = Derivations();
    VaultCreate(VaultPath(), kPassword, TVaultFormat::Format2, &credentials);
    EXPECT_EQ(VaultReadInfo(VaultPath()).Format, TVaultFormat::Format2);
    EXPECT_EQ(VaultReadInfo(VaultPath()).Kdf, kFastKdf);
    TRecordTree tree;
    BuildGroupWithTwoRecords(tree);
    tree.First()->Data.Notes = std::string(5000, 'n') + "Łukasz Ярослав 王 🔑";
    const TBytes before = ReadFileBytes(VaultPath());
    VaultSave(VaultPath(), kPassword, tree, nullptr, &credentials);
    VaultSave(VaultPath(), "any password", tree, nullptr, &credentials);
    TRecordTree loaded;
    VaultLoad(VaultPath(), kPassword, loaded, &credentials);
    EXPECT_EQ(Derivations() - start, 1u);
    EXPECT_EQ(Titles(loaded), Titles(tree));
    EXPECT_EQ(loaded.First()->Data.Notes, tree.First()->Data.Notes);
    // Same header but a fresh nonce: no two saves share their sealed bytes.
    const TBytes after = ReadFileBytes(VaultPath());
    EXPECT_TRUE(std::equal(before.begin() + 16, before.begin() + 52, after.begin() + 16));
    EXPECT_FALSE(std::equal(before.begin() + 52, before.begin() + 76, after.begin() + 52));

    VaultChangePassword(VaultPath(), kPassword, "new password");  // elsewhere
    EXPECT_THROW(VaultLoad(VaultPath(), kPassword, loaded, &credentials), EVaultPasswordError);
    EXPECT_THROW(VaultSave(VaultPath(), kPassword, tree, nullptr, &credentials),
                 EVaultPasswordError);
    VaultLoad(VaultPath(), "new password", loaded, &credentials);
    EXPECT_EQ(Titles(loaded), Titles(tree));

    // A lock drops the key; the unlock's check derives it and the reload uses it.
    credentials.ForgetKey();
    const std::uint64_t locked = Derivations();
    EXPECT_TRUE(VaultCheckPassword(VaultPath(), "new password", &credentials));
    VaultLoad(VaultPath(), "new password", loaded, &credentials);
    EXPECT_EQ(Derivations() - locked, 1u);
}

// A damaged body taken for a wrong password would make a user retype a right one forever;
// a wrong password taken for damage would scare them. Neither may write.
TEST_F(VaultOperations2Test, WrongPasswordAndDamagedBodyAreToldApartAndWriteNothing) {
    VaultCreate(VaultPath(), kPassword, TVaultFormat::Format2);
    TRecordTree tree;
    BuildGroupWithTwoRecords(tree);
    VaultSave(VaultPath(), kPassword, tree);
    const TBytes good = ReadFileBytes(VaultPath());
    EXPECT_THROW(VaultSave(VaultPath(), "wrong password", tree), EVaultPasswordError);
    EXPECT_FALSE(VaultCheckPassword(VaultPath(), "wrong password"));
    TBytes damaged = good;
    damaged[damaged.size() - 40] ^= 1;
    WriteFileBytes(VaultPath(), damaged);
    EXPECT_THROW(VaultLoad(VaultPath(), kPassword, tree), EVaultDamagedError);
    EXPECT_THROW(VaultCheckLoadable(VaultPath(), kPassword), EVaultDamagedError);
    EXPECT_THROW(VaultConvert(VaultPath(), kPassword, TVaultFormat::Format101), EVaultDamagedError);
    EXPECT_EQ(ReadFileBytes(VaultPath()), damaged);
    EXPECT_EQ(Folder().Entries(), std::vector<std::string>{"UserData.dat"});
}

// Converting there and back must give the user's format-101 file back, every slot and header
// byte of it (a group's Guid is fresh at every load, so it alone may differ).
TEST_F(VaultOperations2Test, Format101ConvertedToTwoAndBackKeepsEveryByteButGroupGuids) {
    TBytes plain = HeaderBytes(4);
    for (std::size_t i = VaultFormat::kHeaderReservedOffset; i < plain.size(); ++i) {
        plain[i] = static_cast<std::uint8_t>(i * 7);
    }
    AppendSlot(plain, Group("Mail"), 0);
    TNodeData full = Record("r1", std::string(VaultFormat::kPasswordSize, 'p'));
    full.Title = std::string(VaultFormat::kTitleSize - 1, 't') + "\u0081";  // undefined in 1252
    full.Notes = std::string(VaultFormat::kNotesSize, 'n');
    full.SpareValue = {1, 2, 3, 4, 5, 6, 7, 8};
    AppendSlot(plain, full, 1);
    AppendSlot(plain, Record("café €"), 2);
    AppendSlot(plain, Group("Bank"), 3);
    WritePlaintext(plain);
    const TBytes original = Plaintext();

    TVaultCredentials credentials;
    VaultConvert(VaultPath(), kPassword, TVaultFormat::Format2, nullptr, &credentials);
    EXPECT_EQ(credentials.Format(), TVaultFormat::Format2);
    EXPECT_EQ(VaultReadInfo(VaultPath()).Format, TVaultFormat::Format2);
    EXPECT_THROW(VaultConvert(VaultPath(), kPassword, TVaultFormat::Format2), EVaultFormatError);
    VaultConvert(VaultPath(), kPassword, TVaultFormat::Format101, nullptr, &credentials);
    EXPECT_EQ(credentials.Format(), TVaultFormat::Format101);

    TBytes back = Plaintext();
    ASSERT_EQ(back.size(), original.size());
    for (const std::size_t group : {0u, 3u}) {
        const std::size_t at = VaultFormat::kHeaderSize + group * VaultFormat::kSlotSize;
        std::copy_n(original.begin() + at + VaultFormat::kGuidOffset, 16,
                    back.begin() + at + VaultFormat::kGuidOffset);
    }
    EXPECT_EQ(back, original);
    EXPECT_EQ(Folder().Entries(), std::vector<std::string>{"UserData.dat"});
}

// A conversion that cut or mangled a record would lose it without a word.
TEST_F(VaultOperations2Test, ToFormat101RefusesListingWhatItCannotHoldAndWritesNothing) {
    TVaultSession session;
    session.SetPath(VaultPath());
    session.SetPassword(kPassword);
    session.Create(VaultPath(), kPassword, TVaultFormat::Format2);
    EXPECT_EQ(session.TextKind(), TVaultTextKind::Unicode);
    session.Change([](TVaultChange& change) {
        TNodeData fields;
        for (const char* title : {"Łukasz", "Ярослав", "王", "🔑", "plain"}) {
            fields.Title = title;
            change.AddRecord("Mail", fields);
        }
        fields.Title = "long notes";
        fields.Notes = std::string(5000, 'x');
        change.AddRecord("Mail", fields);
    });
    session.Load();  // the times went through the file
    const PNode first = session.Tree().Next(session.Tree().First());
    EXPECT_GT(first->Data.ModifiedTime, 0);
    EXPECT_EQ(first->Data.PasswordChangedTime, first->Data.ModifiedTime);
    const TBytes before = ReadFileBytes(VaultPath());
    try {
        session.Convert(TVaultFormat::Format101);
        FAIL() << "converted";
    } catch (const EVaultFormatError& error) {
        const std::string message = error.what();
        for (const char* title :
             {"Mail / Łukasz", "Mail / Ярослав", "Mail / 王", "Mail / 🔑", "Mail / long notes"}) {
            EXPECT_NE(message.find(title), std::string::npos) << title;
        }
        EXPECT_EQ(message.find("plain"), std::string::npos);
    }
    EXPECT_EQ(ReadFileBytes(VaultPath()), before);
    EXPECT_EQ(session.Format(), TVaultFormat::Format2);
}

}  // namespace
