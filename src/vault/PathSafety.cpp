#include "vault/PathSafety.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "vault/CofferixError.h"

namespace {

bool ReadLinkAt(int folderFd, const std::string& name, std::string& target) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t size = ::readlinkat(folderFd, name.c_str(), buffer.data(), buffer.size());
        if (size < 0) {
            return false;
        }
        if (static_cast<std::size_t>(size) < buffer.size()) {
            target.assign(buffer.data(), static_cast<std::size_t>(size));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// As the kernel: a chain of more links than this is a loop.
constexpr int kMaxLinkHops = 40;

const char* const kForeignLinkReason =
    "A symbolic link that another user owns, or that leads to another user's file, is not "
    "followed";

std::string FolderPart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return "";
    }
    return path.substr(0, slash + 1);
}

bool OwnedByUser(const struct stat& info) {
    return info.st_uid == ::geteuid();
}

struct TWalk {
    std::string End;     // the last path of the chain
    std::string Reason;  // empty when the chain may be followed
    int Error = 0;       // errno of an lstat that failed on End (ENOENT: nothing there yet)
    bool ThroughLink = false;
    struct stat Info {};
};

// Follows the links that path starts, checking each one's owner.
TWalk WalkLinks(const std::string& path) {
    TWalk walk;
    walk.End = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        if (::lstat(walk.End.c_str(), &walk.Info) != 0) {
            walk.Error = errno;
            return walk;
        }
        if (!S_ISLNK(walk.Info.st_mode)) {
            if (walk.ThroughLink && !OwnedByUser(walk.Info)) {
                walk.Reason = kForeignLinkReason;
            }
            return walk;
        }
        std::string target;
        if (!OwnedByUser(walk.Info)) {
            walk.Reason = kForeignLinkReason;
            return walk;
        }
        if (!ReadLinkAt(AT_FDCWD, walk.End, target)) {
            walk.Error = errno;
            return walk;
        }
        walk.End = target.starts_with('/') ? target : FolderPart(walk.End) + target;
        walk.ThroughLink = true;
    }
    walk.Reason = std::strerror(ELOOP);
    return walk;
}

// Folders are opened only to be walked through: a folder that the user may pass but not list
// (a home folder of mode 0711) is still a way to the file.
#if defined(O_PATH)
constexpr int kFolderAccess = O_PATH;
#else
constexpr int kFolderAccess = O_RDONLY;
#endif
constexpr int kFolderFlags = kFolderAccess | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool OwnedByUserOrRoot(const struct stat& info) {
    return OwnedByUser(info) || info.st_uid == 0;
}

std::string Joined(const std::string& folder, const std::string& name) {
    std::string joined = folder;
    if (!joined.ends_with('/')) {
        joined.push_back('/');
    }
    return joined.append(name);
}

std::string ParentOf(const std::string& folder) {
    const std::size_t slash = folder.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : folder.substr(0, slash);
}

std::string CurrentFolder() {
    std::vector<char> buffer(256);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return "";
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// An open folder descriptor, closed when it goes or is replaced.
class TFolderFd {
public:
    TFolderFd() = default;
    TFolderFd(const TFolderFd&) = delete;
    TFolderFd& operator=(const TFolderFd&) = delete;
    ~TFolderFd() { Reset(-1); }

    int Get() const { return FFd; }
    void Reset(int fd) {
        if (FFd >= 0) {
            ::close(FFd);
        }
        FFd = fd;
    }
    int Release() { return std::exchange(FFd, -1); }

private:
    int FFd = -1;
};

// Where a walk ended: the open folder, its path and the name of the file in it.
struct TWalkEnd {
    int FolderFd = -1;
    std::string FolderPath;
    std::string Name;
};

// The walk behind TWriteTarget::Resolve: the folder reached so far, open and checked, and the
// names still to go (the next one last).
class TFolderWalk {
public:
    explicit TFolderWalk(const std::string& path) : FPath(path) {}

    TWalkEnd Run();

private:
    [[noreturn]] void Refuse(const std::string& reason) const {
        throw EVaultError(RefusedCreateText(FPath, reason));
    }
    [[noreturn]] void RefuseError(int error) const { Refuse(std::strerror(error)); }
    void Push(const std::string& path);
    void OpenRoot();
    void Open(int fd, std::string folderPath);
    void CheckFolder() const;
    void Enter(const std::string& name);
    void FollowLink(const std::string& name);
    bool IsEnd(const std::string& name);

    const std::string& FPath;
    TFolderFd FFolder;
    std::string FFolderPath;
    std::vector<std::string> FPending;
    int FHops = 0;
    bool FThroughLink = false;
};

TWalkEnd TFolderWalk::Run() {
    if (FPath.empty()) {
        RefuseError(ENOENT);
    }
    if (FPath.ends_with('/')) {
        RefuseError(EISDIR);
    }
    std::string full = FPath;
    if (!full.starts_with('/')) {
        // The folders above the current one count as much as those below it.
        const std::string current = CurrentFolder();
        if (current.empty()) {
            RefuseError(errno);
        }
        full = Joined(current, full);
    }
    OpenRoot();
    Push(full);
    for (;;) {
        if (FPending.empty()) {
            RefuseError(EISDIR);  // a link to "/"
        }
        const std::string name = std::move(FPending.back());
        FPending.pop_back();
        const bool last = FPending.empty();
        if (last && (name == "." || name == "..")) {
            RefuseError(EISDIR);
        }
        if (name == ".") {
            continue;
        }
        if (name == "..") {
            Open(::openat(FFolder.Get(), "..", kFolderFlags), ParentOf(FFolderPath));
        } else if (!last) {
            Enter(name);
        } else if (IsEnd(name)) {
            return {FFolder.Release(), FFolderPath, name};
        }
    }
}

// Queues the names of path, so that its first name is walked next.
void TFolderWalk::Push(const std::string& path) {
    std::vector<std::string> names;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        if (slash > start) {
            names.push_back(path.substr(start, slash - start));
        }
        start = slash + 1;
    }
    FPending.insert(FPending.end(), names.rbegin(), names.rend());
}

void TFolderWalk::OpenRoot() {
    Open(::open("/", kFolderFlags), "/");
}

void TFolderWalk::Open(int fd, std::string folderPath) {
    if (fd < 0) {
        RefuseError(errno);
    }
    FFolder.Reset(fd);
    FFolderPath = std::move(folderPath);
    CheckFolder();
}

void TFolderWalk::CheckFolder() const {
    struct stat info {};
    if (::fstat(FFolder.Get(), &info) != 0) {
        RefuseError(errno);
    }
    if (!OwnedByUserOrRoot(info)) {
        Refuse("The folder \"" + FFolderPath + "\" belongs to another user");
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (info.st_mode & S_ISVTX) == 0) {
        Refuse("Other users may replace files in the folder \"" + FFolderPath +
               "\" (it is writable by others and not sticky)");
    }
}

void TFolderWalk::Enter(const std::string& name) {
    struct stat info {};
    if (::fstatat(FFolder.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        RefuseError(errno);
    }
    if (S_ISLNK(info.st_mode)) {
        if (!OwnedByUserOrRoot(info)) {
            Refuse("The symbolic link \"" + Joined(FFolderPath, name) +
                   "\" belongs to another user and is not followed");
        }
        FollowLink(name);
        return;
    }
    // Without following links: a link put here since the look above fails to open.
    Open(::openat(FFolder.Get(), name.c_str(), kFolderFlags), Joined(FFolderPath, name));
}

// Queues what the link name in the current folder leads to; a relative target goes on from
// the link's folder, as the kernel takes it.
void TFolderWalk::FollowLink(const std::string& name) {
    if (++FHops > kMaxLinkHops) {
        RefuseError(ELOOP);
    }
    std::string target;
    if (!ReadLinkAt(FFolder.Get(), name, target)) {
        RefuseError(errno);
    }
    if (target.empty()) {
        RefuseError(ENOENT);
    }
    if (target.starts_with('/')) {
        OpenRoot();
    }
    Push(target);
}

// True when name, in the current folder, is the end of the walk: nothing yet, or a regular
// file that may be replaced; false when it is a link to go on through.
bool TFolderWalk::IsEnd(const std::string& name) {
    struct stat info {};
    if (::fstatat(FFolder.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) {
            return true;
        }
        RefuseError(errno);
    }
    if (S_ISLNK(info.st_mode)) {
        if (!OwnedByUser(info)) {
            Refuse(kForeignLinkReason);
        }
        FollowLink(name);
        FThroughLink = true;
        return false;
    }
    if (FThroughLink && !OwnedByUser(info)) {
        Refuse(kForeignLinkReason);
    }
    if (S_ISDIR(info.st_mode)) {
        RefuseError(EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        Refuse(NotRegularFileReason());
    }
    return true;
}

}  // namespace

std::string NotRegularFileReason() {
    return "Not a regular file (a pipe, a device or a socket is never used)";
}

std::string RefusedOpenText(const std::string& path, const std::string& reason) {
    return "Cannot open file \"" + path + "\". " + reason;
}

std::string RefusedCreateText(const std::string& path, const std::string& reason) {
    return "Cannot create file \"" + path + "\". " + reason;
}

TWriteTarget TWriteTarget::Resolve(const std::string& path) {
    TWalkEnd end = TFolderWalk(path).Run();
    // A readable descriptor of the same folder, where its permissions give one.
    const int readable = ::openat(end.FolderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (readable >= 0) {
        ::close(end.FolderFd);
        end.FolderFd = readable;
    }
    return TWriteTarget(end.FolderFd, std::move(end.FolderPath), std::move(end.Name));
}

TWriteTarget::TWriteTarget(int folderFd, std::string folderPath, std::string name)
    : FFolderFd(folderFd), FFolderPath(std::move(folderPath)), FName(std::move(name)) {}

TWriteTarget::TWriteTarget(TWriteTarget&& other) noexcept
    : FFolderFd(std::exchange(other.FFolderFd, -1)),
      FFolderPath(std::move(other.FFolderPath)),
      FName(std::move(other.FName)) {}

TWriteTarget::~TWriteTarget() {
    if (FFolderFd >= 0) {
        ::close(FFolderFd);
    }
}

std::string TWriteTarget::Path() const {
    return Joined(FFolderPath, FName);
}

std::string SafeWriteTarget(const std::string& path) {
    return TWriteTarget::Resolve(path).Path();
}

std::string UnsafeOpenedFileReason(const std::string& path, int fd) {
    struct stat opened {};
    if (::fstat(fd, &opened) != 0) {
        return std::strerror(errno);
    }
    if (S_ISDIR(opened.st_mode)) {
        return std::strerror(EISDIR);
    }
    if (!S_ISREG(opened.st_mode)) {
        return NotRegularFileReason();
    }
    const TWalk walk = WalkLinks(path);
    if (!walk.Reason.empty()) {
        return walk.Reason;
    }
    // The chain must end at the file that was opened; a link changed in between is refused.
    if (walk.ThroughLink && (walk.Error != 0 || walk.Info.st_dev != opened.st_dev ||
                             walk.Info.st_ino != opened.st_ino)) {
        return kForeignLinkReason;
    }
    return "";
}

bool IsPrivateFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && OwnedByUser(info) &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}
