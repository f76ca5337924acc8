#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "vault/FileIdentity.h"
#include "vault/Streams.h"

// An open file under an advisory lock (flock) for the length of one vault operation: the
// platform's stand-in for "opened without sharing". Readers share the lock; a writer holds it
// alone. A lock that another holder keeps is waited for, up to VaultLockWait(). The descriptor is
// closed, and the lock released, when the object goes.
class TLockedFile {
public:
    enum class TAccess { Read, ReadWrite, Write };

    // Opens path and locks it (shared for Read, else exclusive). When the path was replaced
    // between the open and the lock, the new file is opened instead, as often as it takes
    // within the wait. Throws EVaultOpenError ("Cannot open file "path". reason"),
    // and EVaultBusyError when another holder keeps the lock past the wait.
    static TLockedFile Open(const std::string& path, TAccess access);
    // For creating path: locks the file there, if any, as Open does; an empty handle when
    // there is none. A file that cannot be opened for writing fails with EVaultError
    // ("Cannot create file ..."); one locked by another holder with EVaultOpenError.
    static TLockedFile OpenForReplacing(const std::string& path);

    TLockedFile(TLockedFile&& other) noexcept;
    TLockedFile& operator=(TLockedFile&&) = delete;
    TLockedFile(const TLockedFile&) = delete;
    TLockedFile& operator=(const TLockedFile&) = delete;
    ~TLockedFile();

    bool IsOpen() const { return FFd >= 0; }
    int Fd() const { return FFd; }
    // The file's length in bytes (64-bit: the size limit is checked on it).
    std::uint64_t Size() const;
    // The locked file's identity, taken from the descriptor.
    TFileIdentity Identity() const;
    // Reads the whole file into stream (which is emptied first). Throws EStreamError.
    void ReadAll(TMemoryStream& stream) const;
    // Reads exactly size bytes from offset on. Throws EStreamError.
    void ReadRange(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) const;

private:
    TLockedFile(int fd, std::string path) : FFd(fd), FPath(std::move(path)) {}
    static TLockedFile OpenAndLock(const std::string& path, TAccess access, bool forReplacing);

    int FFd = -1;
    std::string FPath;
};

// How long opening a vault waits for another holder's lock (5 seconds unless set).
void SetVaultLockWait(std::chrono::milliseconds limit);
// Another wait for the calling thread only; nullopt goes back to the common one. Answers the
// thread's wait before.
std::optional<std::chrono::milliseconds> SetThreadVaultLockWait(
    std::optional<std::chrono::milliseconds> limit);
std::chrono::milliseconds VaultLockWait();

// True when a writer could lock the file at path now (or nothing is there to lock): a look
// that never waits, for a caller that waits in its own way.
bool VaultLockIsFree(const std::string& path);

// Sets the calling thread's wait for the life of the object.
class TThreadLockWaitScope {
public:
    explicit TThreadLockWaitScope(std::chrono::milliseconds limit)
        : FFormer(SetThreadVaultLockWait(limit)) {}
    TThreadLockWaitScope(const TThreadLockWaitScope&) = delete;
    TThreadLockWaitScope& operator=(const TThreadLockWaitScope&) = delete;
    ~TThreadLockWaitScope() { SetThreadVaultLockWait(FFormer); }

private:
    std::optional<std::chrono::milliseconds> FFormer;
};

namespace LockedFileTesting {
// Called after each open of a path, before its lock is taken.
void SetAfterOpen(std::function<void()> hook);
}  // namespace LockedFileTesting

// The text of the "Cannot open file" error: Cannot open file "path". reason
std::string CannotOpenFileText(const std::string& path, int error);
// The text of the "Cannot create file" error: Cannot create file "path". reason
std::string CannotCreateFileText(const std::string& path, int error);
