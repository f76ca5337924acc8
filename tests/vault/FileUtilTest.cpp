#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "VaultTestSupport.h"
#include "vault/AtomicFile.h"
#include "vault/CofferixError.h"
#include "vault/FileUtil.h"

namespace {

ssize_t AlwaysFullDisk(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

}  // namespace

TEST(WriteSecretFile, NewAndExistingFilesEndOwnerOnly) {
    TTempFolder folder;
    const std::string path = folder.File("export.txt");
    const mode_t oldMask = ::umask(0);
    WriteSecretFile(path, std::string("line\r\n\0\xFF", 8));
    ::umask(oldMask);
    EXPECT_EQ(PermissionBits(path), 0600u);
    EXPECT_EQ(ReadFileBytes(path), HexBytes("6c696e650d0a00ff"));

    ::chmod(path.c_str(), 0644);
    WriteSecretFile(path, "x");
    EXPECT_EQ(PermissionBits(path), 0600u);
    EXPECT_EQ(ReadFileBytes(path), TBytes{'x'});
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"export.txt"});
}

TEST(WriteSecretFile, FailureKeepsTheFormerFileAndNamesIt) {
    TTempFolder folder;
    const std::string path = folder.File("list.txt");
    WriteSecretFile(path, "former");
    AtomicFileTesting::SetWriteFunction(AlwaysFullDisk);
    const std::string error = ErrorText([&] { WriteSecretFile(path, "new content"); });
    AtomicFileTesting::SetWriteFunction(nullptr);
    EXPECT_EQ(error, "Cannot create file \"" + path + "\". No space left on device");
    EXPECT_EQ(ReadFileBytes(path), (TBytes{'f', 'o', 'r', 'm', 'e', 'r'}));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"list.txt"});

    EXPECT_THROW(WriteSecretFile(folder.File("no/such/folder.txt"), "x"), EVaultError);
}

TEST(CopySecretFile, CopiesByteForByteOwnerOnly) {
    TTempFolder folder;
    const std::string source = folder.File("UserData.dat");
    const std::string backup = folder.File("backup.dat");
    // More than two of the copy's pieces, the last one partial; no two pieces alike, so that
    // a piece copied twice or out of order shows.
    TBytes bytes((std::size_t{5} << 19) + 12345);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 20) * 101);
    }
    WriteFileBytes(source, bytes);
    WriteFileBytes(backup, TBytes(10, 1));
    ::chmod(backup.c_str(), 0644);
    CopySecretFile(source, backup);
    EXPECT_EQ(ReadFileBytes(backup), bytes);
    EXPECT_EQ(PermissionBits(backup), 0600u);
}

TEST(CopySecretFile, RefusesTheSourceItselfUnderAnyName) {
    TTempFolder folder;
    const std::string source = folder.File("UserData.dat");
    WriteFileBytes(source, TBytes(32, 9));
    const std::string hardLink = folder.File("other-name.dat");
    ASSERT_EQ(::link(source.c_str(), hardLink.c_str()), 0);
    const std::string expected =
        "Cannot copy \"" + source + "\" onto itself: \"" + hardLink + "\" is the same file.";
    EXPECT_EQ(ErrorText([&] { CopySecretFile(source, hardLink); }), expected);
    EXPECT_THROW(CopySecretFile(source, folder.Path() + "/./UserData.dat"), EVaultError);
    EXPECT_EQ(ReadFileBytes(source), TBytes(32, 9));
    EXPECT_THROW(CopySecretFile(folder.File("missing.dat"), folder.File("b.dat")), EVaultOpenError);
}

TEST(OpenVaultDestination, BackupExportAndListRefuseTheVaultUnderAnyName) {
    TTempFolder folder;
    const std::string vault = folder.File("UserData.dat");
    WriteFileBytes(vault, TBytes(32, 9));
    const std::string hardLink = folder.File("other-name.dat");
    ASSERT_EQ(::link(vault.c_str(), hardLink.c_str()), 0);
    const std::string expected = "This is the open database file. Please choose another file.";
    for (const std::string& destination : {vault, hardLink, folder.Path() + "/./UserData.dat"}) {
        EXPECT_EQ(ErrorText([&] { BackupVault(vault, destination); }), expected);
        EXPECT_THROW(WriteSecretFileBesideVault(destination, "list", vault),
                     EOpenVaultDestinationError);
    }
    EXPECT_EQ(ReadFileBytes(vault), TBytes(32, 9));
    // Another file is written; without an open vault nothing is refused.
    BackupVault(vault, folder.File("backup.dat"));
    EXPECT_EQ(ReadFileBytes(folder.File("backup.dat")), TBytes(32, 9));
    WriteSecretFileBesideVault(vault, "list", "");
    EXPECT_EQ(ReadFileBytes(vault), TBytes({'l', 'i', 's', 't'}));
}

TEST(FileChecks, SameFileAndExistence) {
    TTempFolder folder;
    const std::string a = folder.File("a");
    WriteFileBytes(a, TBytes(1, 0));
    WriteFileBytes(folder.File("b"), TBytes(1, 0));
    EXPECT_TRUE(IsSameFile(a, folder.Path() + "//a"));
    EXPECT_FALSE(IsSameFile(a, folder.File("b")));
    EXPECT_FALSE(IsSameFile(a, folder.File("missing")));
    EXPECT_TRUE(FileExists(a));
    EXPECT_FALSE(FileExists(folder.File("missing")));
    EXPECT_FALSE(FileExists(folder.Path()));
}
