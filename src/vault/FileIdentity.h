#pragma once

#include <sys/types.h>

#include <ctime>
#include <optional>
#include <string>

// Which file a path named at one moment, and in which state: device, inode, size and
// modification time. Every vault write replaces the file (a new inode) and changes its time,
// so two identities differ whenever anybody wrote the vault in between.
struct TFileIdentity {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    timespec Modified{};

    bool operator==(const TFileIdentity& other) const {
        return Device == other.Device && Inode == other.Inode && Size == other.Size &&
               Modified.tv_sec == other.Modified.tv_sec &&
               Modified.tv_nsec == other.Modified.tv_nsec;
    }

    // Of an open descriptor; nullopt when fstat fails.
    static std::optional<TFileIdentity> OfDescriptor(int fd);
    // Of what path names now (links followed); nullopt when nothing is there.
    static std::optional<TFileIdentity> OfPath(const std::string& path);
};
