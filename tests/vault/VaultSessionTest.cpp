// Several writers of one vault: no update that reported success is ever lost, locks held by
// others are waited for within a bound, and what killed writers left behind is cleared away.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "VaultFixture.h"
#include "base/StringTable.h"
#include "vault/AtomicFile.h"
#include "vault/LockedFile.h"
#include "vault/TreeCommands.h"
#include "vault/VaultSession.h"

namespace {

using namespace std::chrono_literals;

TNodeData Fields(const std::string& title) {
    TNodeData fields;
    fields.Title = title;
    fields.Password = "secret of " + title;
    return fields;
}

// Holds the exclusive lock on a file as another program's save would, until Release.
class TForeignLock {
public:
    explicit TForeignLock(const std::string& path) : FFd(::open(path.c_str(), O_RDONLY)) {
        EXPECT_GE(FFd, 0);
        EXPECT_EQ(::flock(FFd, LOCK_EX), 0);
    }
    TForeignLock(const TForeignLock&) = delete;
    TForeignLock& operator=(const TForeignLock&) = delete;
    ~TForeignLock() { Release(); }
    void Release() {
        if (FFd >= 0) {
            ::close(FFd);
            FFd = -1;
        }
    }

private:
    int FFd;
};

// Sets how long opening a vault waits, for one test.
class TLockWaitScope {
public:
    explicit TLockWaitScope(std::chrono::milliseconds wait) : FFormer(VaultLockWait()) {
        SetVaultLockWait(wait);
    }
    TLockWaitScope(const TLockWaitScope&) = delete;
    TLockWaitScope& operator=(const TLockWaitScope&) = delete;
    ~TLockWaitScope() { SetVaultLockWait(FFormer); }

private:
    std::chrono::milliseconds FFormer;
};

class VaultSessionTest : public TVaultFixture {
protected:
    void SetUp() override { VaultCreate(VaultPath(), kPassword); }
    void TearDown() override { VaultOperationsTesting::SetAfterSaveCheck({}); }

    void Open(TVaultSession& session) const {
        session.SetPath(VaultPath());
        session.SetPassword(kPassword);
        session.Load();
    }
    std::vector<std::string> TitlesInFile() const {
        TRecordTree tree;
        VaultLoad(VaultPath(), kPassword, tree);
        return Titles(tree);
    }
};

TEST_F(VaultSessionTest, SaveOverAnotherSessionsChangeIsRefusedAndLosesNothing) {
    TVaultSession first;
    TVaultSession second;
    Open(first);
    Open(second);
    first.AddRecord("Web", Fields("from first"));
    first.Save();
    second.AddRecord("Web", Fields("from second"));

    EXPECT_THROW(second.Save(), EVaultChangedError);
    EXPECT_EQ(TitlesInFile(), (std::vector<std::string>{"Web", "  from first"}));

    // Reloaded, the second session sees the first one's record and its own change goes in.
    second.Load();
    second.AddRecord("Web", Fields("from second"));
    second.Save();
    EXPECT_EQ(TitlesInFile(), (std::vector<std::string>{"Web", "  from first", "  from second"}));
}

// The check and the write happen under one lock: a writer that comes in between waits, and
// then finds the file changed.
TEST_F(VaultSessionTest, WriterArrivingBetweenCheckAndWriteWaitsAndIsRefused) {
    TVaultSession first;
    TVaultSession second;
    Open(first);
    Open(second);
    first.AddRecord("Web", Fields("from first"));
    second.AddRecord("Web", Fields("from second"));

    std::future<void> firstSave;
    std::atomic<bool> fired{false};
    VaultOperationsTesting::SetAfterSaveCheck([&] {
        if (fired.exchange(true)) {
            return;
        }
        firstSave = std::async(std::launch::async, [&] { first.Save(); });
        std::this_thread::sleep_for(100ms);  // the first save is now waiting for the lock
    });
    second.Save();

    EXPECT_THROW(firstSave.get(), EVaultChangedError);
    EXPECT_EQ(TitlesInFile(), (std::vector<std::string>{"Web", "  from second"}));
}

TEST_F(VaultSessionTest, SaveWaitsForAHeldLockWithinTheBoundAndFailsPastIt) {
    const TLockWaitScope wait(2000ms);
    TVaultSession session;
    Open(session);
    session.AddRecord("Web", Fields("waited"));
    {
        TForeignLock lock(VaultPath());
        std::thread release([&] {
            std::this_thread::sleep_for(200ms);
            lock.Release();
        });
        EXPECT_NO_THROW(session.Save());
        release.join();
    }
    EXPECT_EQ(TitlesInFile(), (std::vector<std::string>{"Web", "  waited"}));

    const TLockWaitScope shortWait(200ms);
    const TForeignLock kept(VaultPath());
    session.AddRecord("Web", Fields("refused"));
    try {
        session.Save();
        FAIL() << "a save went through a lock held past the wait";
    } catch (const EVaultBusyError& error) {
        EXPECT_NE(std::string(error.what()).find(Str::sVaultInUse), std::string::npos);
    }
}

TEST_F(VaultSessionTest, SaveAfterAFailedLoadIsRefused) {
    TVaultSession session;
    session.SetPath(VaultPath());
    session.SetPassword("not the password");
    EXPECT_THROW(session.Load(), EVaultPasswordError);
    EXPECT_THROW(session.Save(), EVaultNotLoadedError);
}

TEST_F(VaultSessionTest, LeftoverTemporaryFilesOfTheVaultAloneAreRemoved) {
    const std::string prefix = Folder().File(TemporaryNamePrefix("UserData.dat"));
    WriteFileBytes(prefix + "Ab3dEf", TBytes(600, 1));  // a killed save's copy
    WriteFileBytes(prefix + "Live01", TBytes(600, 2));  // a save still under way
    WriteFileBytes(prefix + "TooLong", TBytes(10, 3));  // not the pattern
    WriteFileBytes(Folder().File(".Other.dat.tmp-Ab3dEf"), TBytes(10, 4));
    const TForeignLock liveWriter(prefix + "Live01");

    EXPECT_TRUE(VaultCheckPassword(VaultPath(), kPassword));

    EXPECT_EQ(Folder().Entries(),
              (std::vector<std::string>{".Other.dat.tmp-Ab3dEf", ".UserData.dat.tmp-Live01",
                                        ".UserData.dat.tmp-TooLong", "UserData.dat"}));
}

// Names up to the file system's limit: the temporary name must fit as well.
TEST_F(VaultSessionTest, VaultWithTheLongestFileNameIsCreatedChangedAndRekeyed) {
    const std::string path = Folder().File(std::string(251, 'v') + ".dat");
    TVaultSession session;
    session.Create(path, kPassword);
    session.SetPath(path);
    session.SetPassword(kPassword);
    session.Load();
    session.AddRecord("Web", Fields("long"));
    session.Save();
    session.ChangePassword(path, kPassword, "another password");
    session.AddRecord("Web", Fields("after re-key"));
    session.Save();

    TRecordTree tree;
    VaultLoad(path, "another password", tree);
    EXPECT_EQ(Titles(tree), (std::vector<std::string>{"Web", "  long", "  after re-key"}));
    EXPECT_EQ(Folder().Entries().size(), 2u);  // the vault beside the fixture's, no leftovers
}

}  // namespace
