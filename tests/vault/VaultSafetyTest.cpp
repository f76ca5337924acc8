#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <utility>
#include <vector>

#include "VaultFixture.h"
#include "base/StringTable.h"
#include "vault/AtomicFile.h"
#include "vault/CofferixError.h"
#include "vault/LockedFile.h"

// Behaviour that deliberately differs from a plain in-place writer: no side file with the
// master password, crash-safe replacement, owner-only files, the lock, the size limit.

namespace {

// A user id that is not ours; the tests run as root, which may give files away.
constexpr uid_t kOtherUser = 4242;

std::size_t gBytesBeforeFailure = 0;
int gFailingWriteCalls = 0;

// Writes until the budget is used up, then fails as a full disk would.
ssize_t FailingWrite(int fd, const void* data, std::size_t size) {
    ++gFailingWriteCalls;
    if (gBytesBeforeFailure == 0) {
        errno = ENOSPC;
        return -1;
    }
    const std::size_t allowed = std::min(size, gBytesBeforeFailure);
    gBytesBeforeFailure -= allowed;
    return ::write(fd, data, allowed);
}

class TWriteFailure {
public:
    explicit TWriteFailure(std::size_t bytesBeforeFailure) {
        gBytesBeforeFailure = bytesBeforeFailure;
        gFailingWriteCalls = 0;
        AtomicFileTesting::SetWriteFunction(FailingWrite);
    }
    TWriteFailure(const TWriteFailure&) = delete;
    TWriteFailure& operator=(const TWriteFailure&) = delete;
    ~TWriteFailure() { AtomicFileTesting::SetWriteFunction(nullptr); }
};

// A flush that fails as a disk that lost the data does.
int FailingSync(int) {
    errno = EIO;
    return -1;
}

class TSyncFailure {
public:
    TSyncFailure() { AtomicFileTesting::SetSyncFunction(FailingSync); }
    TSyncFailure(const TSyncFailure&) = delete;
    TSyncFailure& operator=(const TSyncFailure&) = delete;
    ~TSyncFailure() { AtomicFileTesting::SetSyncFunction(nullptr); }
};

// Holds an exclusive flock on a file, as another instance of the program would.
class TForeignLock {
public:
    explicit TForeignLock(const std::string& path) : FFd(::open(path.c_str(), O_RDONLY)) {
        EXPECT_GE(FFd, 0);
        EXPECT_EQ(::flock(FFd, LOCK_EX | LOCK_NB), 0);
    }
    TForeignLock(const TForeignLock&) = delete;
    TForeignLock& operator=(const TForeignLock&) = delete;
    ~TForeignLock() { ::close(FFd); }

private:
    int FFd;
};

}  // namespace

class VaultSafetyTest : public TVaultFixture {
protected:
    // A vault with content, so that a failed write would have something to destroy.
    void CreateVaultWithRecords() {
        VaultCreate(VaultPath(), kPassword);
        TRecordTree tree;
        BuildGroupWithTwoRecords(tree);
        VaultSave(VaultPath(), kPassword, tree);
    }

    void ExpectFormerVaultIntact(const TBytes& before) {
        EXPECT_EQ(ReadFileBytes(VaultPath()), before);
        EXPECT_EQ(Folder().Entries(), std::vector<std::string>{"UserData.dat"});
        TRecordTree tree;
        VaultLoad(VaultPath(), kPassword, tree);
        EXPECT_EQ(tree.Count(), 3u);
    }
};

TEST_F(VaultSafetyTest, NoSideSettingsFileIsEverWritten) {
    CreateVaultWithRecords();
    VaultChangePassword(VaultPath(), kPassword, "second password");
    VaultChangePassword(VaultPath(), "second password", kPassword);
    EXPECT_EQ(Folder().Entries(), std::vector<std::string>{"UserData.dat"});
}

TEST_F(VaultSafetyTest, FailedSaveLeavesTheFormerVaultAndNoTemporaryFile) {
    CreateVaultWithRecords();
    const TBytes before = ReadFileBytes(VaultPath());
    TRecordTree bigger;
    BuildGroupWithTwoRecords(bigger);
    BuildGroupWithTwoRecords(bigger);
    {
        TWriteFailure failure(3000);
        EXPECT_EQ(ErrorText([&] { VaultSave(VaultPath(), kPassword, bigger); }),
                  "Cannot create file \"" + VaultPath() + "\". No space left on device");
        EXPECT_GE(gFailingWriteCalls, 2);  // part of the new content was written
    }
    ExpectFormerVaultIntact(before);
}

// A large vault goes to the temporary file in several pieces; a failure after some of them
// must leave the former vault as it was all the same.
TEST_F(VaultSafetyTest, FailureAfterSeveralPiecesOfALargeVaultLeavesTheFormerOne) {
    VaultCreate(VaultPath(), kPassword);
    TRecordTree tree;
    for (int i = 0; i < 1200; ++i) {
        BuildGroupWithTwoRecords(tree);
    }
    VaultSave(VaultPath(), kPassword, tree);
    const TBytes before = ReadFileBytes(VaultPath());
    ASSERT_EQ(before.size(), 512u + 3600 * 2048);
    BuildGroupWithTwoRecords(tree);
    {
        TWriteFailure failure(before.size() - 5000);
        EXPECT_THROW(VaultSave(VaultPath(), kPassword, tree), EVaultError);
        EXPECT_GE(gFailingWriteCalls, 3);
    }
    {
        TWriteFailure failure(before.size() - 5000);
        EXPECT_THROW(VaultChangePassword(VaultPath(), kPassword, "new password"), EVaultError);
    }
    EXPECT_EQ(ReadFileBytes(VaultPath()), before);
    EXPECT_EQ(Folder().Entries(), std::vector<std::string>{"UserData.dat"});
    TRecordTree loaded;
    VaultLoad(VaultPath(), kPassword, loaded);
    EXPECT_EQ(loaded.Count(), 3600u);
}

TEST_F(VaultSafetyTest, FailedChangeOfPasswordLeavesTheFormerVault) {
    CreateVaultWithRecords();
    const TBytes before = ReadFileBytes(VaultPath());
    {
        TWriteFailure failure(1024);
        EXPECT_THROW(VaultChangePassword(VaultPath(), kPassword, "new password"), EVaultError);
    }
    ExpectFormerVaultIntact(before);
    EXPECT_FALSE(VaultCheckPassword(VaultPath(), "new password"));
}

TEST_F(VaultSafetyTest, FailedCreateOverAnExistingVaultLeavesIt) {
    CreateVaultWithRecords();
    const TBytes before = ReadFileBytes(VaultPath());
    {
        TWriteFailure failure(100);
        EXPECT_THROW(VaultCreate(VaultPath(), "new password"), EVaultError);
    }
    ExpectFormerVaultIntact(before);
}

// A flush that fails must fail the write: a vault renamed into place unflushed can come back
// empty after a crash.
TEST_F(VaultSafetyTest, AFailedFlushFailsTheWriteAndLeavesTheFormerVault) {
    CreateVaultWithRecords();
    const TBytes before = ReadFileBytes(VaultPath());
    TRecordTree bigger;
    BuildGroupWithTwoRecords(bigger);
    BuildGroupWithTwoRecords(bigger);
    const std::vector<std::pair<const char*, std::function<void()>>> writes = {
        {"save", [&] { VaultSave(VaultPath(), kPassword, bigger); }},
        {"passwd", [&] { VaultChangePassword(VaultPath(), kPassword, "new password"); }},
        {"create", [&] { VaultCreate(VaultPath(), "new password"); }},
    };
    for (const auto& [name, write] : writes) {
        {
            const TSyncFailure failure;
            EXPECT_EQ(ErrorText(write),
                      "Cannot create file \"" + VaultPath() + "\". Input/output error")
                << name;
        }
        ExpectFormerVaultIntact(before);
    }
}

TEST_F(VaultSafetyTest, NewFilesAreOwnerOnlyAndExistingOnesKeepTheirMode) {
    const mode_t oldMask = ::umask(0);
    VaultCreate(VaultPath(), kPassword);
    ::umask(oldMask);
    EXPECT_EQ(PermissionBits(VaultPath()), 0600u);

    // Set-id and sticky bits are not carried over.
    ::chmod(VaultPath().c_str(), 02640);
    TRecordTree tree;
    BuildGroupWithTwoRecords(tree);
    VaultSave(VaultPath(), kPassword, tree);
    EXPECT_EQ(PermissionBits(VaultPath()), 0640u);
    VaultChangePassword(VaultPath(), kPassword, "other");
    EXPECT_EQ(PermissionBits(VaultPath()), 0640u);
    // A new vault is a new secret: owner-only, whatever file it replaces.
    ::chmod(VaultPath().c_str(), 0644);
    VaultCreate(VaultPath(), kPassword);
    EXPECT_EQ(PermissionBits(VaultPath()), 0600u);
}

// In a folder that others can write, another user renames a file of theirs, open to all,
// onto the vault's name while a save runs. The new vault takes the mode and owner of the file
// the save locked, not of what the path names at the end.
TEST_F(VaultSafetyTest, ASavedVaultTakesTheLockedFilesModeNotThatOfAFileSwappedIn) {
    CreateVaultWithRecords();
    ASSERT_EQ(::chmod(VaultPath().c_str(), 0640), 0);
    const std::string swapped = Folder().File("theirs.dat");
    struct TRemoveHook {
        ~TRemoveHook() { VaultOperationsTesting::SetAfterSaveCheck({}); }
    } removeHook;
    VaultOperationsTesting::SetAfterSaveCheck([&] {
        WriteFileBytes(swapped, TBytes(512, 7));
        EXPECT_EQ(::chmod(swapped.c_str(), 0666), 0);
        EXPECT_EQ(::chown(swapped.c_str(), kOtherUser, kOtherUser), 0);
        EXPECT_EQ(::rename(swapped.c_str(), VaultPath().c_str()), 0);
    });
    TRecordTree tree;
    BuildGroupWithTwoRecords(tree);
    BuildGroupWithTwoRecords(tree);
    VaultSave(VaultPath(), kPassword, tree);
    struct stat info {};
    ASSERT_EQ(::stat(VaultPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(info.st_uid, ::geteuid());
    TRecordTree loaded;
    VaultLoad(VaultPath(), kPassword, loaded);
    EXPECT_EQ(loaded.Count(), 6u);
}

TEST_F(VaultSafetyTest, AVaultReachedThroughALinkIsWrittenThroughIt) {
    CreateVaultWithRecords();
    const std::string link = Folder().File("link.dat");
    ASSERT_EQ(::symlink(VaultPath().c_str(), link.c_str()), 0);
    TRecordTree tree;
    BuildGroupWithTwoRecords(tree);
    BuildGroupWithTwoRecords(tree);
    VaultSave(link, kPassword, tree);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    TRecordTree loaded;
    VaultLoad(VaultPath(), kPassword, loaded);
    EXPECT_EQ(loaded.Count(), 6u);
}

TEST_F(VaultSafetyTest, AVaultLockedByAnotherHolderIsRefusedByEveryOperation) {
    CreateVaultWithRecords();
    const TBytes before = ReadFileBytes(VaultPath());
    const std::string expected =
        "Cannot open file \"" + VaultPath() + "\". " + std::string(Str::sVaultInUse);
    TRecordTree tree;
    BuildGroupWithTwoRecords(tree);
    const std::chrono::milliseconds formerWait = VaultLockWait();
    SetVaultLockWait(std::chrono::milliseconds(20));
    {
        TForeignLock lock(VaultPath());
        EXPECT_THROW(VaultCheckPassword(VaultPath(), kPassword), EVaultOpenError);
        EXPECT_THROW(VaultLoad(VaultPath(), kPassword, tree), EVaultOpenError);
        EXPECT_THROW(VaultSave(VaultPath(), kPassword, tree), EVaultOpenError);
        EXPECT_THROW(VaultChangePassword(VaultPath(), kPassword, "x"), EVaultOpenError);
        EXPECT_THROW(VaultCreate(VaultPath(), kPassword), EVaultOpenError);
        EXPECT_EQ(ErrorText([&] { VaultLoad(VaultPath(), kPassword, tree); }), expected);
    }
    SetVaultLockWait(formerWait);
    EXPECT_EQ(ReadFileBytes(VaultPath()), before);
    VaultLoad(VaultPath(), kPassword, tree);
    EXPECT_EQ(tree.Count(), 3u);
}

TEST_F(VaultSafetyTest, FilesOf2GiBOrMoreAreRefusedBeforeReading) {
    const int fd = ::open(VaultPath().c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{1} << 31), 0);  // sparse: no disk space used
    ::close(fd);
    const std::string expected = "The database \"" + VaultPath() +
                                 "\" is too large: database files of 2 GiB or more are not "
                                 "supported.";
    TRecordTree tree;
    EXPECT_EQ(ErrorText([&] { VaultLoad(VaultPath(), kPassword, tree); }), expected);
    EXPECT_EQ(ErrorText([&] { VaultSave(VaultPath(), kPassword, tree); }), expected);
    EXPECT_EQ(ErrorText([&] { VaultChangePassword(VaultPath(), kPassword, "x"); }), expected);
    EXPECT_EQ(ErrorText([&] { VaultCheckPassword(VaultPath(), kPassword); }), expected);
    EXPECT_EQ(std::filesystem::file_size(VaultPath()), std::uintmax_t{1} << 31);

    // One byte less is within the limit and fails on its content instead.
    ASSERT_EQ(::truncate(VaultPath().c_str(), (off_t{1} << 31) - 16), 0);
    EXPECT_EQ(ErrorText([&] { VaultCheckPassword(VaultPath(), kPassword); }), "(no error)");
}
