#include "vault/PathSafety.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "vault/CofferixError.h"

namespace {

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

bool ReadLink(const std::string& path, std::string& target) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t size = ::readlink(path.c_str(), buffer.data(), buffer.size());
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
        if (!ReadLink(walk.End, target)) {
            walk.Error = errno;
            return walk;
        }
        walk.End = target.starts_with('/') ? target : FolderPart(walk.End) + target;
        walk.ThroughLink = true;
    }
    walk.Reason = std::strerror(ELOOP);
    return walk;
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

std::string SafeWriteTarget(const std::string& path) {
    const TWalk walk = WalkLinks(path);
    if (!walk.Reason.empty()) {
        throw EVaultError(RefusedCreateText(path, walk.Reason));
    }
    if (walk.Error != 0) {
        if (walk.Error == ENOENT) {
            return walk.End;
        }
        throw EVaultError(RefusedCreateText(path, std::strerror(walk.Error)));
    }
    if (S_ISDIR(walk.Info.st_mode)) {
        throw EVaultError(RefusedCreateText(path, std::strerror(EISDIR)));
    }
    if (!S_ISREG(walk.Info.st_mode)) {
        throw EVaultError(RefusedCreateText(path, NotRegularFileReason()));
    }
    return walk.End;
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
