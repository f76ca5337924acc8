#include "vault/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <string_view>

#include "base/SystemRandom.h"
#include "vault/CofferixError.h"
#include "vault/LockedFile.h"

namespace {

constexpr std::size_t kMaxWriteChunk = std::size_t{1} << 30;
// How much is written before the kernel is asked to start putting it on disk.
constexpr std::uint64_t kWritebackStep = std::uint64_t{8} << 20;

// The longest file name that the usual file systems take, and the parts of a temporary name:
// ".NAME.tmp-" and six random characters.
constexpr std::size_t kMaxNameLength = 255;
constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr std::size_t kRandomPartLength = 6;
constexpr std::size_t kNameHashLength = 16;
// Tries at a free temporary name before the folder is taken to be full of them.
constexpr int kMaxNameTries = 100;

std::atomic<AtomicFileTesting::TWriteFunction> gWriteFunction{nullptr};
std::atomic<AtomicFileTesting::TSyncFunction> gSyncFunction{nullptr};

ssize_t WriteSome(int fd, const void* data, std::size_t size) {
    const AtomicFileTesting::TWriteFunction hook = gWriteFunction.load();
    return hook ? hook(fd, data, size) : ::write(fd, data, size);
}

int SyncFile(int fd) {
    const AtomicFileTesting::TSyncFunction hook = gSyncFunction.load();
    return hook ? hook(fd) : ::fsync(fd);
}

// The random end of a temporary name, from the characters mkstemp uses.
std::string RandomNamePart() {
    static constexpr std::string_view kCharacters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string part;
    for (std::size_t i = 0; i < kRandomPartLength; ++i) {
        part.push_back(
            kCharacters[SystemRandom::Below(static_cast<std::uint32_t>(kCharacters.size()))]);
    }
    return part;
}

// FNV-1a: tells apart long names that share their first bytes; no secret depends on it.
std::string NameHash(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char text[kNameHashLength + 1];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// True when the entry name of folder is a leftover temporary file that nobody writes: a
// regular file of ours that no live writer holds locked. Such a file is removed.
void RemoveIfAbandoned(int folderFd, const char* name) {
    const int fd =
        ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return;
    }
    struct stat opened {};
    struct stat named {};
    const bool abandoned = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
                           opened.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                           ::fstatat(folderFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                           named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
    if (abandoned) {
        ::unlinkat(folderFd, name, 0);
    }
    ::close(fd);
}

// Answers 0 or the errno of the failure.
int WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = WriteSome(fd, data + done, std::min(size - done, kMaxWriteChunk));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return put < 0 ? errno : EIO;
        }
        done += static_cast<std::size_t>(put);
    }
    return 0;
}

}  // namespace

TFileMode TFileMode::KeptFrom(int fd) {
    struct stat former {};
    if (::fstat(fd, &former) != 0) {
        return OwnerOnly();
    }
    return {former.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO), true, former.st_uid, former.st_gid};
}

std::string TemporaryNamePrefix(const std::string& baseName) {
    // Built by appending: GCC 12 takes chains of "+" on strings for overlapping copies.
    std::string prefix(".");
    if (baseName.size() + 1 + kTemporaryMark.size() + kRandomPartLength <= kMaxNameLength) {
        prefix.append(baseName);
    } else {
        // A long name is cut, and told apart from others with the same start by its hash.
        const std::size_t kept =
            kMaxNameLength - kRandomPartLength - kTemporaryMark.size() - kNameHashLength - 2;
        prefix.append(baseName, 0, kept).append("~").append(NameHash(baseName));
    }
    prefix.append(kTemporaryMark);
    return prefix;
}

void RemoveLeftoverTemporaries(const std::string& path) {
    // Writes go beside a link's target, in the folder that TWriteTarget checks; only files of
    // ours are removed there, whoever owns the link.
    std::optional<TWriteTarget> target;
    try {
        target.emplace(TWriteTarget::Resolve(path));
    } catch (const EVaultError&) {
        return;  // no write goes there, so none left anything behind
    }
    const int listFd = ::openat(target->FolderFd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* folder = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!folder) {
        if (listFd >= 0) {
            ::close(listFd);
        }
        return;
    }
    const std::string prefix = TemporaryNamePrefix(target->Name());
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name(entry->d_name);
        if (name.size() == prefix.size() + kRandomPartLength && name.starts_with(prefix)) {
            RemoveIfAbandoned(::dirfd(folder), entry->d_name);
        }
    }
    ::closedir(folder);
}

TAtomicFileWriter::TAtomicFileWriter(const std::string& path, const TFileMode& mode)
    : FPath(path), FTarget(TWriteTarget::Resolve(path)), FMode(mode) {
    CreateTemporary();
    // Locked before it becomes visible under the vault's name, so nobody reads it half done.
    // It stays owner-only (as made) until the commit.
    const int error = ::flock(FFd, LOCK_EX) == 0 ? 0 : errno;
    if (error != 0) {
        Discard();
        Fail(error);
    }
}

// A new name in the checked folder, never one that exists: a file planted under the name
// could be a link that sends the content elsewhere.
void TAtomicFileWriter::CreateTemporary() {
    const std::string prefix = TemporaryNamePrefix(FTarget.Name());
    for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
        const std::string name = prefix + RandomNamePart();
        FFd = ::openat(FTarget.FolderFd(), name.c_str(),
                       O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                       S_IRUSR | S_IWUSR);
        if (FFd >= 0) {
            FTemporaryName = name;
            return;
        }
        if (errno != EEXIST) {
            Fail(errno);
        }
    }
    Fail(EEXIST);
}

TAtomicFileWriter::~TAtomicFileWriter() {
    Discard();
}

void TAtomicFileWriter::Discard() {
    if (FFd >= 0) {
        ::close(FFd);
        FFd = -1;
    }
    if (!FCommitted && !FTemporaryName.empty()) {
        ::unlinkat(FTarget.FolderFd(), FTemporaryName.c_str(), 0);
        FTemporaryName.clear();
    }
}

void TAtomicFileWriter::Fail(int error) const {
    throw EVaultError(CannotCreateFileText(FPath, error));
}

void TAtomicFileWriter::Write(const std::uint8_t* data, std::size_t size) {
    const int error = WriteAll(FFd, data, size);
    if (error != 0) {
        Fail(error);
    }
    FWritten += size;
    if (FWritten - FWrittenBack >= kWritebackStep) {
        StartWriteback();
    }
}

// Asks the kernel to start writing what has piled up, without waiting for it; the flush in
// Commit() then finds most of the file on disk already. Only a hint: failures show there.
void TAtomicFileWriter::StartWriteback() {
#if defined(SYNC_FILE_RANGE_WRITE)
    [[maybe_unused]] const int ignored =
        ::sync_file_range(FFd, static_cast<off_t>(FWrittenBack),
                          static_cast<off_t>(FWritten - FWrittenBack), SYNC_FILE_RANGE_WRITE);
#endif
    FWrittenBack = FWritten;
}

// The mode goes on before the flush, so that the file appears under the target's name with
// it and it is on disk with the content.
void TAtomicFileWriter::ApplyMode() {
    mode_t permissions = FMode.Permissions;
    struct stat made {};
    if (FMode.KeepOwner && ::fstat(FFd, &made) == 0 &&
        (made.st_uid != FMode.Owner || made.st_gid != FMode.Group) &&
        ::fchown(FFd, FMode.Owner, FMode.Group) != 0) {
        // The group's bits would reach a group that the former file did not have.
        permissions &= ~static_cast<mode_t>(S_IRWXG);
    }
    // The file was made owner-only; a mode that cannot be given leaves it so (or narrower,
    // under the umask), which errs on the safe side.
    [[maybe_unused]] const int ignored = ::fchmod(FFd, permissions);
}

TFileIdentity TAtomicFileWriter::Commit() {
    ApplyMode();
    if (SyncFile(FFd) != 0) {
        Fail(errno);
    }
    // The rename keeps the inode, size and modification time: this is the new file's identity.
    const std::optional<TFileIdentity> identity = TFileIdentity::OfDescriptor(FFd);
    if (!identity) {
        Fail(errno);
    }
    const int folder = FTarget.FolderFd();
    if (::renameat(folder, FTemporaryName.c_str(), folder, FTarget.Name().c_str()) != 0) {
        Fail(errno);
    }
    FCommitted = true;
    // The rename has happened; a failing folder flush cannot undo it and is not reported (nor
    // can a folder be flushed that the user may not read).
    [[maybe_unused]] const int ignored = ::fsync(folder);
    Discard();
    return *identity;
}

TFileIdentity WriteFileAtomically(const std::string& path, const std::uint8_t* data,
                                  std::size_t size, const TFileMode& mode) {
    TAtomicFileWriter writer(path, mode);
    writer.Write(data, size);
    return writer.Commit();
}

namespace AtomicFileTesting {

void SetWriteFunction(TWriteFunction function) {
    gWriteFunction.store(function);
}

void SetSyncFunction(TSyncFunction function) {
    gSyncFunction.store(function);
}

}  // namespace AtomicFileTesting
