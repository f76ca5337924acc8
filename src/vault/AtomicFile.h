#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

#include "vault/FileIdentity.h"
#include "vault/PathSafety.h"

// Crash-safe replacement of a whole file: the bytes go to a temporary file in the same
// folder, which is flushed to disk and renamed over the target; then the folder is flushed.
// A crash or failure at any point leaves either the former file or the new one, never a mix,
// and a failure removes the temporary file.

// The permissions (and owner) that a written file ends with. The temporary file is owner-only
// while it is written and takes these just before it takes the target's name.
struct TFileMode {
    mode_t Permissions = S_IRUSR | S_IWUSR;
    // Give the file back to Owner and Group (only a privileged writer can, or a user changing
    // the group to one of theirs); else it stays the writer's.
    bool KeepOwner = false;
    uid_t Owner = 0;
    gid_t Group = 0;

    // Readable by its owner only, and the writer's, whatever stood at the path before: new
    // vaults, backups, exports and generated lists.
    static TFileMode OwnerOnly() { return {}; }
    // The mode of the file that fd holds open (the vault locked for the operation): its
    // permission bits, without set-id and sticky bits, and its owner. From the descriptor,
    // never from the path: a file that another user renamed onto the path lends nothing.
    // Owner-only when fd cannot be looked at.
    static TFileMode KeptFrom(int fd);
};

// Builds the new content piece by piece in the temporary file, so that a large file needs no
// buffer of its whole size, and puts it in place on Commit(). Until then the target is
// untouched; a writer that goes without Commit() removes its temporary file. Every failure
// throws EVaultError("Cannot create file "path". reason"), path as given.
class TAtomicFileWriter {
public:
    // Creates the temporary file beside path (beside a link's target, for a link the user may
    // follow), locked and owner-only, in the folder that TWriteTarget checked and holds open.
    // Refuses what PathSafety refuses. mode is what the file ends with.
    TAtomicFileWriter(const std::string& path, const TFileMode& mode);
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;
    ~TAtomicFileWriter();

    // Appends size bytes. What has been written is handed to the disk in the background as
    // it grows, so that Commit() waits for little more than the last piece.
    void Write(const std::uint8_t* data, std::size_t size);
    // Gives the temporary file its mode, flushes it to disk, renames it over the target and
    // flushes the folder. Answers the identity of the file now at the target.
    TFileIdentity Commit();

private:
    [[noreturn]] void Fail(int error) const;
    void CreateTemporary();
    void ApplyMode();
    void StartWriteback();
    // Closes the temporary file and, unless committed, removes it.
    void Discard();

    std::string FPath;
    TWriteTarget FTarget;
    std::string FTemporaryName;
    TFileMode FMode;
    int FFd = -1;
    bool FCommitted = false;
    std::uint64_t FWritten = 0;
    std::uint64_t FWrittenBack = 0;
};

// The whole content at once, through a TAtomicFileWriter.
TFileIdentity WriteFileAtomically(const std::string& path, const std::uint8_t* data,
                                  std::size_t size, const TFileMode& mode);

// The start of the temporary names for a file named baseName: ".baseName.tmp-", followed by
// six random characters; a name too long for that is cut and carries a hash of the whole.
std::string TemporaryNamePrefix(const std::string& baseName);

// Removes the temporary files of path's writes that a killed writer left behind: files of
// that name pattern, owned by the user, that no live writer holds locked. The caller holds
// path's own lock, so no writer of it can be between creating and locking its file. Nothing
// is removed where TWriteTarget refuses to write.
void RemoveLeftoverTemporaries(const std::string& path);

namespace AtomicFileTesting {

// Replaces write(2) for the temporary file; null restores it. Lets tests make a write fail
// part-way, which no file permission can do for a test that runs as root.
using TWriteFunction = ssize_t (*)(int fd, const void* data, std::size_t size);
void SetWriteFunction(TWriteFunction function);

// Replaces fsync(2) for the temporary file; null restores it. Lets tests make the flush fail,
// as a disk that loses the data does.
using TSyncFunction = int (*)(int fd);
void SetSyncFunction(TSyncFunction function);

}  // namespace AtomicFileTesting
