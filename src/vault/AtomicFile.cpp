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
#include <cstdlib>
#include <string_view>
#include <vector>

#include "vault/CofferixError.h"
#include "vault/LockedFile.h"
#include "vault/PathSafety.h"

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

std::atomic<AtomicFileTesting::TWriteFunction> gWriteFunction{nullptr};

ssize_t WriteSome(int fd, const void* data, std::size_t size) {
    const AtomicFileTesting::TWriteFunction hook = gWriteFunction.load();
    return hook ? hook(fd, data, size) : ::write(fd, data, size);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
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

// Gives the new file the permissions (and, where allowed, the owner) of the one it replaced.
void KeepMode(int fd, const struct stat& former) {
    if (former.st_uid != ::geteuid() || former.st_gid != ::getegid()) {
        // Only a privileged writer may hand the file back; others keep it as their own.
        [[maybe_unused]] const int ignoredOwner = ::fchown(fd, former.st_uid, former.st_gid);
    }
    if (::fchmod(fd, former.st_mode & 07777) == 0) {
        [[maybe_unused]] const int ignoredSync = ::fsync(fd);
    }
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        // The rename has happened; a failing folder flush cannot undo it and is not reported.
        [[maybe_unused]] const int ignored = ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

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
    // Writes go beside a link's target; only files of ours are removed, whoever owns the link.
    char* resolved = ::realpath(path.c_str(), nullptr);
    const std::string target = resolved ? resolved : path;
    std::free(resolved);
    const std::string prefix = TemporaryNamePrefix(BaseNameOf(target));
    DIR* folder = ::opendir(FolderOf(target).c_str());
    if (!folder) {
        return;
    }
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name(entry->d_name);
        if (name.size() == prefix.size() + kRandomPartLength && name.starts_with(prefix)) {
            RemoveIfAbandoned(::dirfd(folder), entry->d_name);
        }
    }
    ::closedir(folder);
}

TAtomicFileWriter::TAtomicFileWriter(const std::string& path, TFileModePolicy modePolicy)
    : FPath(path), FTarget(SafeWriteTarget(path)), FModePolicy(modePolicy) {
    std::string pattern = FolderOf(FTarget);
    pattern.append("/").append(TemporaryNamePrefix(BaseNameOf(FTarget)));
    pattern.append(kRandomPartLength, 'X');
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    FFd = mkostemp(name.data(), O_CLOEXEC);
    if (FFd < 0) {
        Fail(errno);
    }
    FTemporaryPath = name.data();
    // Locked before it becomes visible under the vault's name, so nobody reads it half done.
    // It stays owner-only (as made) until renamed; a kept mode is applied after that.
    const int error = ::flock(FFd, LOCK_EX) == 0 ? 0 : errno;
    if (error != 0) {
        Discard();
        Fail(error);
    }
}

TAtomicFileWriter::~TAtomicFileWriter() {
    Discard();
}

void TAtomicFileWriter::Discard() {
    if (FFd >= 0) {
        ::close(FFd);
        FFd = -1;
    }
    if (!FCommitted && !FTemporaryPath.empty()) {
        ::unlink(FTemporaryPath.c_str());
        FTemporaryPath.clear();
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

TFileIdentity TAtomicFileWriter::Commit() {
    if (::fsync(FFd) != 0) {
        Fail(errno);
    }
    // The rename keeps the inode, size and modification time: this is the new file's identity.
    const std::optional<TFileIdentity> identity = TFileIdentity::OfDescriptor(FFd);
    if (!identity) {
        Fail(errno);
    }
    // The former file's mode, read before it goes.
    struct stat former {};
    const bool keepMode =
        FModePolicy == TFileModePolicy::KeepExisting && ::stat(FTarget.c_str(), &former) == 0;
    if (::rename(FTemporaryPath.c_str(), FTarget.c_str()) != 0) {
        Fail(errno);
    }
    FCommitted = true;
    if (keepMode) {
        // The new content is in place and owner-only; a mode that cannot be given back leaves
        // it so, which errs on the safe side.
        KeepMode(FFd, former);
    }
    SyncFolder(FolderOf(FTarget));
    Discard();
    return *identity;
}

TFileIdentity WriteFileAtomically(const std::string& path, const std::uint8_t* data,
                                  std::size_t size, TFileModePolicy modePolicy) {
    TAtomicFileWriter writer(path, modePolicy);
    writer.Write(data, size);
    return writer.Commit();
}

namespace AtomicFileTesting {

void SetWriteFunction(TWriteFunction function) {
    gWriteFunction.store(function);
}

}  // namespace AtomicFileTesting
