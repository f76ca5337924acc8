#include "vault/LockedFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <thread>
#include <utility>

#include "base/StringTable.h"
#include "vault/CofferixError.h"
#include "vault/PathSafety.h"

namespace {

using TClock = std::chrono::steady_clock;

// How long an operation waits for a lock that another holder keeps: a save of a large vault
// takes about a second on a slow disk; a holder that keeps it longer is reported.
constexpr std::chrono::milliseconds kDefaultLockWait{5000};
std::atomic<std::int64_t> gLockWaitMs{kDefaultLockWait.count()};
// A thread that must not wait as long (the window's, whose event loop must go on) sets its own.
thread_local std::optional<std::chrono::milliseconds> tThreadLockWait;

// The pause between two tries: short at first, since most holders finish quickly.
constexpr std::chrono::milliseconds kFirstPause{5};
constexpr std::chrono::milliseconds kLongestPause{50};

int OpenFlags(TLockedFile::TAccess access) {
    const int common = O_CLOEXEC | O_NOCTTY;
    switch (access) {
        case TLockedFile::TAccess::Read:
            return O_RDONLY | common;
        case TLockedFile::TAccess::ReadWrite:
            return O_RDWR | common;
        case TLockedFile::TAccess::Write:
            return O_WRONLY | common;
    }
    return O_RDONLY | common;
}

enum class TLockResult { Locked, PathReplaced };

[[noreturn]] void ThrowBusy(const std::string& path) {
    throw EVaultBusyError(RefusedOpenText(path, std::string(Str::sVaultInUse)));
}

// Readers share the lock with each other, so that they never queue behind one another; a
// writer holds it alone.
int LockOperation(TLockedFile::TAccess access) {
    return access == TLockedFile::TAccess::Read ? LOCK_SH : LOCK_EX;
}

// Takes the lock on fd, waiting until deadline for another holder to let go.
void LockBefore(int fd, int operation, const std::string& path, TClock::time_point deadline) {
    std::chrono::milliseconds pause = kFirstPause;
    while (flock(fd, operation | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR) {
            continue;
        }
        if (error != EWOULDBLOCK) {
            throw EVaultOpenError(CannotOpenFileText(path, error));
        }
        const TClock::time_point now = TClock::now();
        if (now >= deadline) {
            ThrowBusy(path);
        }
        std::this_thread::sleep_for(std::min<TClock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, kLongestPause);
    }
}

// Locks fd and checks that path still names the same file. Throws when the lock stays held
// elsewhere until deadline or fd is a folder.
TLockResult LockAndVerify(int fd, int operation, const std::string& path,
                          TClock::time_point deadline) {
    LockBefore(fd, operation, path, deadline);
    struct stat byFd {};
    struct stat byPath {};
    if (fstat(fd, &byFd) != 0) {
        throw EVaultOpenError(CannotOpenFileText(path, errno));
    }
    if (S_ISDIR(byFd.st_mode)) {
        throw EVaultOpenError(CannotOpenFileText(path, EISDIR));
    }
    const bool same = stat(path.c_str(), &byPath) == 0 && byPath.st_dev == byFd.st_dev &&
                      byPath.st_ino == byFd.st_ino;
    return same ? TLockResult::Locked : TLockResult::PathReplaced;
}

[[noreturn]] void RefuseUnsafeFile(const std::string& path, const std::string& reason,
                                   bool forReplacing) {
    if (forReplacing) {
        throw EVaultError(RefusedCreateText(path, reason));
    }
    throw EVaultOpenError(RefusedOpenText(path, reason));
}

std::function<void()> gAfterOpen;

}  // namespace

void LockedFileTesting::SetAfterOpen(std::function<void()> hook) {
    gAfterOpen = std::move(hook);
}

std::string CannotOpenFileText(const std::string& path, int error) {
    return RefusedOpenText(path, std::strerror(error));
}

std::string CannotCreateFileText(const std::string& path, int error) {
    return RefusedCreateText(path, std::strerror(error));
}

TLockedFile TLockedFile::Open(const std::string& path, TAccess access) {
    return OpenAndLock(path, access, false);
}

TLockedFile TLockedFile::OpenForReplacing(const std::string& path) {
    return OpenAndLock(path, TAccess::Write, true);
}

void SetVaultLockWait(std::chrono::milliseconds limit) {
    gLockWaitMs.store(limit.count());
}

std::optional<std::chrono::milliseconds> SetThreadVaultLockWait(
    std::optional<std::chrono::milliseconds> limit) {
    return std::exchange(tThreadLockWait, limit);
}

std::chrono::milliseconds VaultLockWait() {
    return tThreadLockWait.value_or(std::chrono::milliseconds(gLockWaitMs.load()));
}

bool VaultLockIsFree(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return true;  // the operation itself reports what is wrong with the path
    }
    const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
    ::close(fd);
    return free;
}

TLockedFile TLockedFile::OpenAndLock(const std::string& path, TAccess access, bool forReplacing) {
    const TClock::time_point deadline = TClock::now() + VaultLockWait();
    // A path replaced by a rename between our open and our lock is opened again, for as long
    // as the wait lasts: a busy writer may replace it many times in a row.
    for (;;) {
        // Without waiting: a FIFO would block the open until a writer came.
        const int fd = ::open(path.c_str(), OpenFlags(access) | O_NONBLOCK);
        if (fd < 0) {
            const int error = errno;
            if (error == ENXIO) {
                RefuseUnsafeFile(path, NotRegularFileReason(), forReplacing);
            }
            if (!forReplacing) {
                throw EVaultOpenError(CannotOpenFileText(path, error));
            }
            if (error == ENOENT) {
                return TLockedFile(-1, path);
            }
            throw EVaultError(CannotCreateFileText(path, error));
        }
        TLockedFile file(fd, path);
        const std::string unsafe = UnsafeOpenedFileReason(path, fd);
        if (!unsafe.empty()) {
            RefuseUnsafeFile(path, unsafe, forReplacing);
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        if (gAfterOpen) {
            gAfterOpen();
        }
        if (LockAndVerify(fd, LockOperation(access), path, deadline) == TLockResult::Locked) {
            return file;
        }
        if (TClock::now() >= deadline) {
            ThrowBusy(path);
        }
    }
}

TLockedFile::TLockedFile(TLockedFile&& other) noexcept
    : FFd(other.FFd), FPath(std::move(other.FPath)) {
    other.FFd = -1;
}

TLockedFile::~TLockedFile() {
    if (FFd >= 0) {
        ::close(FFd);
    }
}

std::uint64_t TLockedFile::Size() const {
    struct stat info {};
    if (fstat(FFd, &info) != 0) {
        throw EVaultOpenError(CannotOpenFileText(FPath, errno));
    }
    return static_cast<std::uint64_t>(info.st_size);
}

TFileIdentity TLockedFile::Identity() const {
    const std::optional<TFileIdentity> identity = TFileIdentity::OfDescriptor(FFd);
    if (!identity) {
        throw EVaultOpenError(CannotOpenFileText(FPath, errno));
    }
    return *identity;
}

void TLockedFile::ReadAll(TMemoryStream& stream) const {
    const std::uint64_t size = Size();
    if (size > std::numeric_limits<std::uint32_t>::max()) {
        throw EStreamError("Stream read error");
    }
    stream.Clear();
    stream.SetSize(static_cast<std::uint32_t>(size));
    ReadRange(0, stream.Data(), static_cast<std::size_t>(size));
}

void TLockedFile::ReadRange(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) const {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(FFd, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            throw EStreamError("Stream read error");
        }
        done += static_cast<std::size_t>(got);
    }
}
