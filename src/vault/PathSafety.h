#pragma once

#include <string>

#include <sys/types.h>

// Rules for the paths of vaults and of files that receive secrets (exports, backups, password
// lists), against another user on the same machine:
// - a symbolic link is followed only when the link and what it leads to belong to the user
//   (as the kernel's protected-symlinks rule does in sticky folders), so nobody can plant a
//   link that receives an export;
// - only regular files are read or replaced: a FIFO would block the program for ever, and a
//   device or socket is no place for a secret.

// The file that a write of path replaces: path itself, or the end of the chain of links it
// starts, when every link and the existing end belong to the user. Throws EVaultError
// ("Cannot create file "path". reason") for a link of another user, a link to another user's
// file, or an existing end that is not a regular file.
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
