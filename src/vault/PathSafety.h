#pragma once

#include <string>

#include <sys/types.h>

// Rules for the paths of vaults and of files that receive secrets (exports, backups, password
// lists), against another user on the same machine:
// - a symbolic link is followed only when the link and what it leads to belong to the user
//   (as the kernel's protected-symlinks rule does in sticky folders), so nobody can plant a
//   link that receives an export;
// - every folder on the way to a file that is written belongs to the user or to root, and
//   nobody else may create or replace names in it unless it is sticky (as /tmp is); a link to
//   a folder is followed only when it belongs to the user or to root, and what it leads to is
//   held to the same rule. Otherwise another user could send the secret into a folder of theirs;
// - only regular files are read or replaced: a FIFO would block the program for ever, and a
//   device or socket is no place for a secret.

// Where a write of a path goes: an open descriptor of the checked folder and the name of the
// file in it (links resolved). Writing relative to the descriptor, nobody can swap a folder
// between the check and the write.
class TWriteTarget {
public:
    // Walks path one name at a time from "/" (a relative path from the current folder's
    // place), opening each folder without following links and checking it. The last name is
    // followed only through links that, with their existing end, belong to the user. Throws
    // EVaultError ("Cannot create file "path". reason") for whatever the rules refuse, and
    // for an existing end that is not a regular file.
    static TWriteTarget Resolve(const std::string& path);

    TWriteTarget(TWriteTarget&& other) noexcept;
    TWriteTarget& operator=(TWriteTarget&&) = delete;
    TWriteTarget(const TWriteTarget&) = delete;
    TWriteTarget& operator=(const TWriteTarget&) = delete;
    ~TWriteTarget();

    // Readable where the folder's permissions allow it (so it can be flushed and listed).
    int FolderFd() const { return FFolderFd; }
    const std::string& Name() const { return FName; }
    // The full path of the file, as the walk found it.
    std::string Path() const;

private:
    TWriteTarget(int folderFd, std::string folderPath, std::string name);

    int FFolderFd = -1;
    std::string FFolderPath;
    std::string FName;
};

// The file that a write of path replaces (TWriteTarget::Resolve's path): for checking a
// destination before anything else is done.
std::string SafeWriteTarget(const std::string& path);

// Why the file fd, just opened (without waiting) through path, must not be used; empty when
// it may. A folder answers the system's text for it.
std::string UnsafeOpenedFileReason(const std::string& path, int fd);

// The reason given for a path that is not a regular file (also for an open that fails with
// ENXIO, which a FIFO without a reader and a device without a driver do).
std::string NotRegularFileReason();

// "Cannot open file "path". reason" and "Cannot create file "path". reason".
std::string RefusedOpenText(const std::string& path, const std::string& reason);
std::string RefusedCreateText(const std::string& path, const std::string& reason);

// True when path is a folder (not a link to one) that the user owns and nobody else may write:
// a folder where another user could create or replace names is no place for the program's
// lock or socket.
bool IsPrivateFolder(const std::string& path);
