// Several writers of one vault: no update that reported success is ever lost, locks held by
// others are waited for within a bound, and what killed writers left behind is cleared away.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
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

// One record added as one change of the session.
void Add(TVaultSession& session, const std::string& group, const std::string& title) {
    session.Change([&](TVaultChange& change) { change.AddRecord(group, Fields(title)); });
}

PNode FindTitle(const TRecordTree& tree, const std::string& title) {
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        if (node->Data.Title == title) {
            return node;
        }
    }
    return nullptr;
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
    void TearDown() override {
        VaultOperationsTesting::SetAfterSaveCheck({});
        LockedFileTesting::SetAfterOpen({});
    }

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

TEST_F(VaultSessionTest, ChangeTakesInAnotherSessionsSaveAndAPlainSaveIsRefused) {
    TVaultSession first;
    TVaultSession second;
    TVaultSession stale;
    Open(first);
    Open(second);
    Open(stale);
    Add(first, "Web", "from first");
    Add(second, "Web", "from second");  // takes in the first one's record before it saves

    EXPECT_EQ(TitlesInFile(), (std::vector<std::string>{"Web", "  from first", "  from second"}));
    EXPECT_EQ(Titles(second.Tree()), TitlesInFile());
    EXPECT_THROW(stale.Save(), EVaultChangedError);
    EXPECT_EQ(TitlesInFile(), (std::vector<std::string>{"Web", "  from first", "  from second"}));
}

// The check and the write happen under one lock: a writer that comes in between waits, finds
// the file changed, and keeps its change until the retry puts it on top of the other one.
TEST_F(VaultSessionTest, WriterArrivingBetweenCheckAndWriteWaitsIsRefusedAndKeepsItsChange) {
    TVaultSession first;
    TVaultSession second;
    Open(first);
    Open(second);

    std::future<void> firstChange;
    std::atomic<bool> fired{false};
    VaultOperationsTesting::SetAfterSaveCheck([&] {
        if (fired.exchange(true)) {
            return;
        }
        firstChange = std::async(std::launch::async, [&] { Add(first, "Web", "from first"); });
        std::this_thread::sleep_for(100ms);  // the first save is now waiting for the lock
    });
    Add(second, "Web", "from second");

    EXPECT_THROW(firstChange.get(), EVaultChangedError);
    EXPECT_EQ(TitlesInFile(), (std::vector<std::string>{"Web", "  from second"}));
    EXPECT_TRUE(first.HasUnsavedChanges());
    first.SaveChanges();
    EXPECT_FALSE(first.HasUnsavedChanges());
    EXPECT_EQ(TitlesInFile(), (std::vector<std::string>{"Web", "  from second", "  from first"}));
}

// A save refused while another program holds the lock, that program's change, the reload:
// both changes end in the tree and in the file.
TEST_F(VaultSessionTest, ChangeRefusedForTheLockSurvivesTheReloadOfAnOutsideChange) {
    TVaultSession window;
    TVaultSession tool;
    Open(window);
    Open(tool);
    {
        const TLockWaitScope wait(100ms);
        const TForeignLock lock(VaultPath());
        EXPECT_THROW(Add(window, "Web", "kept"), EVaultBusyError);
    }
    EXPECT_TRUE(window.HasUnsavedChanges());
    Add(tool, "Web", "outside");

    window.Load();
    EXPECT_EQ(Titles(window.Tree()), (std::vector<std::string>{"Web", "  outside", "  kept"}));
    EXPECT_TRUE(window.HasUnsavedChanges());
    window.SaveChanges();
    EXPECT_FALSE(window.HasUnsavedChanges());
    EXPECT_EQ(TitlesInFile(), (std::vector<std::string>{"Web", "  outside", "  kept"}));
}

// Unsaved renames, edits, moves and removals are made again on what another program saved,
// by GUID for records and by name for groups; what the other program added stays.
TEST_F(VaultSessionTest, UnsavedChangesOfEveryKindMergeWithTheOutsideChange) {
    TVaultSession window;
    TVaultSession tool;
    Open(window);
    Add(window, "Web", "edited");
    Add(window, "Web", "removed");
    Add(window, "Mail", "moved");
    Open(tool);
    {
        const TLockWaitScope wait(50ms);
        const TForeignLock lock(VaultPath());
        EXPECT_THROW(window.Change([&](TVaultChange& change) {
            change.RenameGroup(FindGroupByName(change.Tree(), "Web"), "Sites");
            TNodeData fields = Fields("edited twice");
            change.ModifyRecord(FindTitle(change.Tree(), "edited"), fields, "Sites");
            change.Remove({FindTitle(change.Tree(), "removed")});
            change.MoveRecord(FindTitle(change.Tree(), "moved"), "Sites");
        }),
                     EVaultBusyError);
    }
    Add(tool, "Web", "outside");
    window.SaveChanges();

    EXPECT_EQ(TitlesInFile(), (std::vector<std::string>{"Sites", "  edited twice", "  outside",
                                                        "  moved", "Mail"}));
    EXPECT_EQ(Titles(window.Tree()), TitlesInFile());
}

// A vault whose reload fails keeps what it showed and its unsaved change, and saves nothing
// over the file it could not read.
TEST_F(VaultSessionTest, FailedReloadKeepsTheTreeAndSavesNothing) {
    TVaultSession window;
    Open(window);
    Add(window, "Web", "shown");
    {
        const TLockWaitScope wait(50ms);
        const TForeignLock lock(VaultPath());
        EXPECT_THROW(Add(window, "Web", "unsaved"), EVaultBusyError);
    }
    VaultChangePassword(VaultPath(), kPassword, "changed elsewhere");

    EXPECT_THROW(window.SaveChanges(), EVaultPasswordError);
    EXPECT_EQ(Titles(window.Tree()), (std::vector<std::string>{"Web", "  shown", "  unsaved"}));
    EXPECT_THROW(window.Save(), EVaultChangedError);
    window.SetPassword("changed elsewhere");
    window.SaveChanges();
    TRecordTree tree;
    VaultLoad(VaultPath(), "changed elsewhere", tree);
    EXPECT_EQ(Titles(tree), (std::vector<std::string>{"Web", "  shown", "  unsaved"}));
}

TEST_F(VaultSessionTest, SaveWaitsForAHeldLockWithinTheBoundAndFailsPastIt) {
    const TLockWaitScope wait(2000ms);
    TVaultSession session;
    Open(session);
    {
        TForeignLock lock(VaultPath());
        std::thread release([&] {
            std::this_thread::sleep_for(200ms);
            lock.Release();
        });
        EXPECT_NO_THROW(Add(session, "Web", "waited"));
        release.join();
    }
    EXPECT_EQ(TitlesInFile(), (std::vector<std::string>{"Web", "  waited"}));

    const TLockWaitScope shortWait(200ms);
    const TForeignLock kept(VaultPath());
    try {
        Add(session, "Web", "refused");
        FAIL() << "a save went through a lock held past the wait";
    } catch (const EVaultBusyError& error) {
        EXPECT_NE(std::string(error.what()).find(Str::sVaultInUse), std::string::npos);
    }
}

// A busy writer may replace the path many times in a row while a reader waits; the reader
// follows it for as long as its wait lasts.
TEST_F(VaultSessionTest, OpenFollowsAPathReplacedManyTimesInARow) {
    const std::string next = Folder().File("next.dat");
    int opens = 0;
    LockedFileTesting::SetAfterOpen([&] {
        if (++opens <= 8) {
            WriteFileBytes(next, ReadFileBytes(VaultPath()));
            ASSERT_EQ(std::rename(next.c_str(), VaultPath().c_str()), 0);
        }
    });
    EXPECT_TRUE(VaultCheckPassword(VaultPath(), kPassword));
    EXPECT_EQ(opens, 9);
}

TEST_F(VaultSessionTest, ReadersShareTheLockAndAWriterWaitsForThem) {
    const TLockWaitScope wait(100ms);
    TVaultSession session;
    Open(session);
    const TLockedFile reader = TLockedFile::Open(VaultPath(), TLockedFile::TAccess::Read);
    EXPECT_NO_THROW(TLockedFile::Open(VaultPath(), TLockedFile::TAccess::Read));
    EXPECT_NO_THROW(session.Load());
    EXPECT_THROW(Add(session, "Web", "refused"), EVaultBusyError);
}

TEST_F(VaultSessionTest, SaveAfterAFailedLoadIsRefused) {
    TVaultSession session;
    session.SetPath(VaultPath());
    session.SetPassword("not the password");
    EXPECT_THROW(session.Load(), EVaultPasswordError);
    EXPECT_THROW(session.Save(), EVaultNotLoadedError);
    const TBytes before = ReadFileBytes(VaultPath());
    EXPECT_THROW(Add(session, "Web", "refused"), EVaultNotLoadedError);
    EXPECT_EQ(ReadFileBytes(VaultPath()), before);
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
    Add(session, "Web", "long");
    session.ChangePassword(path, kPassword, "another password");
    Add(session, "Web", "after re-key");

    TRecordTree tree;
    VaultLoad(path, "another password", tree);
    EXPECT_EQ(Titles(tree), (std::vector<std::string>{"Web", "  long", "  after re-key"}));
    EXPECT_EQ(Folder().Entries().size(), 2u);  // the vault beside the fixture's, no leftovers
}

}  // namespace
