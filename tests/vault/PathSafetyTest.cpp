#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <iterator>
#include <thread>
#include <utility>
#include <vector>

#include "VaultFixture.h"
#include "vault/AtomicFile.h"
#include "vault/CofferixError.h"
#include "vault/FileUtil.h"

// Another user on the same machine tries to get at the secrets the program writes: through
// files left readable, links planted where an export goes, and special files.

namespace {

// A user id that is not ours; the tests run as root, which may give files away.
constexpr uid_t kOtherUser = 4242;

const char* const kForeignLink = "A symbolic link that another user owns, or that leads to";
const char* const kNotRegular = "Not a regular file";

mode_t gTemporaryMode = 0;
ssize_t RecordModeThenWrite(int fd, const void* data, std::size_t size) {
    struct stat info {};
    ::fstat(fd, &info);
    gTemporaryMode |= info.st_mode & 07777;
    return ::write(fd, data, size);
}

struct stat StatOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

// Runs operation, which must fail at once; one that hangs on a FIFO is released by opening
// the FIFO's other end, so that the test reports the fault instead of hanging.
std::string FailureWithoutWaiting(const std::string& fifo, std::function<void()> operation) {
    auto result = std::async(std::launch::async, [operation] { return ErrorText(operation); });
    if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "the operation waits on the FIFO";
        const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ::close(fd);
    }
    return result.get();
}

class SecretFileTest : public TVaultFixture {};

}  // namespace

TEST_F(SecretFileTest, ReadableTargetsOfOthersEndOwnerOnlyAndTheTemporaryIsNeverOpened) {
    VaultCreate(VaultPath(), kPassword);
    const std::string exportPath = Folder().File("export.txt");
    const std::string backupPath = Folder().File("backup.dat");
    for (const mode_t before : {0644u, 0666u}) {
        WriteFileBytes(exportPath, TBytes{'o', 'l', 'd'});
        WriteFileBytes(backupPath, TBytes{'o', 'l', 'd'});
        for (const std::string& path : {exportPath, backupPath}) {
            ASSERT_EQ(::chmod(path.c_str(), before), 0);
            ASSERT_EQ(::chown(path.c_str(), kOtherUser, kOtherUser), 0);
        }
        gTemporaryMode = 0;
        AtomicFileTesting::SetWriteFunction(RecordModeThenWrite);
        WriteSecretFile(exportPath, "Title: secret\r\n");
        CopySecretFile(VaultPath(), backupPath);
        AtomicFileTesting::SetWriteFunction(nullptr);
        EXPECT_EQ(gTemporaryMode, 0600u) << "the temporary file was opened up while written";
        for (const std::string& path : {exportPath, backupPath}) {
            const struct stat info = StatOf(path);
            EXPECT_EQ(info.st_mode & 07777, 0600u) << path << " was " << std::oct << before;
            EXPECT_EQ(info.st_uid, ::geteuid()) << path;
            EXPECT_TRUE(S_ISREG(info.st_mode));
        }
        EXPECT_EQ(ReadFileBytes(backupPath), ReadFileBytes(VaultPath()));
    }
}

TEST_F(SecretFileTest, LinksAreFollowedOnlyWhenTheyAndTheirTargetsAreTheUsers) {
    VaultCreate(VaultPath(), kPassword);
    // A world-writable sticky folder such as /tmp, where another user plants a link to a
    // file of theirs that everybody may write.
    const std::string shared = Folder().File("shared");
    ASSERT_EQ(::mkdir(shared.c_str(), 01777), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const std::string loot = shared + "/loot.txt";
    WriteFileBytes(loot, TBytes{'l', 'o', 'o', 't'});
    ASSERT_EQ(::chmod(loot.c_str(), 0666), 0);
    ASSERT_EQ(::chown(loot.c_str(), kOtherUser, kOtherUser), 0);
    const std::string planted = shared + "/passwords.txt";
    ASSERT_EQ(::symlink("loot.txt", planted.c_str()), 0);
    ASSERT_EQ(::lchown(planted.c_str(), kOtherUser, kOtherUser), 0);
    // The user's own link to the other user's file is no better.
    const std::string ownLinkToTheirs = Folder().File("mine-to-theirs.txt");
    ASSERT_EQ(::symlink(loot.c_str(), ownLinkToTheirs.c_str()), 0);
    // Nor is the other user's link to a file of the user's: it can be turned elsewhere at any
    // time. (Outside a sticky folder, so that the kernel follows it when reading.)
    const std::string mineAlone = Folder().File("mine-alone.txt");
    WriteFileBytes(mineAlone, TBytes{'m', 'i', 'n', 'e'});
    const std::string theirLinkToMine = Folder().File("theirs-to-mine.txt");
    ASSERT_EQ(::symlink(mineAlone.c_str(), theirLinkToMine.c_str()), 0);
    ASSERT_EQ(::lchown(theirLinkToMine.c_str(), kOtherUser, kOtherUser), 0);

    for (const std::string& path : {planted, ownLinkToTheirs, theirLinkToMine}) {
        const std::string exported = ErrorText([&] { WriteSecretFile(path, "secret"); });
        EXPECT_NE(exported.find("Cannot create file \"" + path + "\". " + kForeignLink),
                  std::string::npos)
            << exported;
        EXPECT_NE(ErrorText([&] { CopySecretFile(VaultPath(), path); }).find(kForeignLink),
                  std::string::npos);
        // (Where the kernel protects links in sticky folders, it refuses the planted one
        // itself, with its own reason.)
        EXPECT_THROW(VaultCheckPassword(path, kPassword), EVaultOpenError);
    }
    EXPECT_EQ(ReadFileBytes(loot), (TBytes{'l', 'o', 'o', 't'}));
    EXPECT_EQ(ReadFileBytes(mineAlone), (TBytes{'m', 'i', 'n', 'e'}));
    EXPECT_EQ(StatOf(loot).st_mode & 07777, 0666u);
    EXPECT_TRUE(std::filesystem::is_symlink(planted));

    // The user's link (two hops) to the user's file is followed and stays a link.
    const std::string own = Folder().File("own.txt");
    WriteFileBytes(own, TBytes{'x'});
    ASSERT_EQ(::chmod(own.c_str(), 0644), 0);
    const std::string hop = Folder().File("hop.txt");
    ASSERT_EQ(::symlink("own.txt", hop.c_str()), 0);
    const std::string link = shared + "/mine.txt";
    ASSERT_EQ(::symlink(hop.c_str(), link.c_str()), 0);
    WriteSecretFile(link, "secret");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(own), (TBytes{'s', 'e', 'c', 'r', 'e', 't'}));
    EXPECT_EQ(StatOf(own).st_mode & 07777, 0600u);
}

// An export through "/tmp/exports -> /home/other/drop" would land in the other user's folder;
// so would one into any folder that another user may change.
TEST_F(SecretFileTest, EveryFolderOnTheWayIsTheUsersOrRootsAndClosedToOthersUnlessSticky) {
    VaultCreate(VaultPath(), kPassword);
    const std::string shared = Folder().File("shared");  // as /tmp: root's, sticky, open to all
    ASSERT_EQ(::mkdir(shared.c_str(), 01777), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const std::string drop = Folder().File("drop");  // the other user's folder
    ASSERT_EQ(::mkdir(drop.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((drop + "/sub").c_str(), 0700), 0);
    ASSERT_EQ(::chown(drop.c_str(), kOtherUser, kOtherUser), 0);
    const std::string exports = shared + "/exports";  // their link to it
    ASSERT_EQ(::symlink(drop.c_str(), exports.c_str()), 0);
    ASSERT_EQ(::lchown(exports.c_str(), kOtherUser, kOtherUser), 0);
    const std::string ownLink = Folder().File("own-link");  // the user's link to it
    ASSERT_EQ(::symlink(drop.c_str(), ownLink.c_str()), 0);
    const std::string open = Folder().File("open");  // the user's, but open to all
    ASSERT_EQ(::mkdir(open.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
    ASSERT_EQ(::mkdir((open + "/sub").c_str(), 0700), 0);
    const std::string groupOpen = Folder().File("group-open");
    ASSERT_EQ(::mkdir(groupOpen.c_str(), 0770), 0);
    ASSERT_EQ(::chmod(groupOpen.c_str(), 0770), 0);

    const std::string theirLink = "The symbolic link \"" + exports + "\" belongs to another user";
    const std::string theirFolder = "The folder \"" + drop + "\" belongs to another user";
    const std::string openFolder = "Other users may replace files in the folder \"" + open + "\"";
    const std::vector<std::pair<std::string, std::string>> refused = {
        {exports + "/list.txt", theirLink},
        {exports + "/sub/list.txt", theirLink},
        {drop + "/list.txt", theirFolder},
        {ownLink + "/sub/list.txt", theirFolder},
        {open + "/list.txt", openFolder},
        {open + "/sub/list.txt", openFolder},
        {groupOpen + "/list.txt", "Other users may replace files in the folder \"" + groupOpen},
    };
    for (const auto& [path, reason] : refused) {
        EXPECT_EQ(ErrorText([&] {
                      WriteSecretFile(path, "secret");
                  }).find("Cannot create file \"" + path + "\". " + reason),
                  0u)
            << path;
        EXPECT_NE(ErrorText([&] { BackupVault(VaultPath(), path); }).find(reason),
                  std::string::npos)
            << path;
    }
    EXPECT_TRUE(std::filesystem::is_empty(drop + "/sub"));
    EXPECT_TRUE(std::filesystem::is_empty(open + "/sub"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(drop), {}), 1);

    // A root-owned sticky folder and the user's link to the user's folder are fine.
    WriteSecretFile(shared + "/list.txt", "secret");
    EXPECT_EQ(ReadFileBytes(shared + "/list.txt"), (TBytes{'s', 'e', 'c', 'r', 'e', 't'}));
    const std::string ownFolderLink = shared + "/to-own";
    ASSERT_EQ(::symlink(Folder().Path().c_str(), ownFolderLink.c_str()), 0);
    BackupVault(VaultPath(), ownFolderLink + "/backup.dat");
    EXPECT_EQ(ReadFileBytes(Folder().File("backup.dat")), ReadFileBytes(VaultPath()));
}

TEST_F(SecretFileTest, AFifoOrASocketIsRefusedAtOnceAsVaultAndAsDestination) {
    VaultCreate(VaultPath(), kPassword);
    const std::string fifo = Folder().File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string socketPath = Folder().File("socket");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    TRecordTree tree;
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> uses = {
        {"check", [](const std::string& p) { VaultCheckPassword(p, kPassword); }},
        {"load", [&tree](const std::string& p) { VaultLoad(p, kPassword, tree); }},
        {"save", [&tree](const std::string& p) { VaultSave(p, kPassword, tree); }},
        {"passwd", [](const std::string& p) { VaultChangePassword(p, kPassword, "other"); }},
        {"create", [](const std::string& p) { VaultCreate(p, kPassword); }},
        {"export", [](const std::string& p) { WriteSecretFile(p, "secret"); }},
        {"backup", [this](const std::string& p) { CopySecretFile(VaultPath(), p); }},
        {"backup of", [this](const std::string& p) { CopySecretFile(p, Folder().File("b")); }},
    };
    for (const std::string& path : {fifo, socketPath}) {
        for (const auto& [name, use] : uses) {
            const std::string error = FailureWithoutWaiting(fifo, [&] { use(path); });
            EXPECT_NE(error.find("file \"" + path + "\". " + kNotRegular), std::string::npos)
                << name << ": " << error;
        }
        struct stat info {};
        ASSERT_EQ(::lstat(path.c_str(), &info), 0);
        EXPECT_FALSE(S_ISREG(info.st_mode)) << path << " was replaced";
    }
    ::close(listener);
}
