#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <sys/types.h>

// Crash-safe replacement of a whole file: the bytes go to a temporary file in the same
// folder, which is flushed to disk and renamed over the target; then the folder is flushed.
// A crash or failure at any point leaves either the former file or the new one, never a mix,
// and a failure removes the temporary file.

enum class TFileModePolicy {
    KeepExisting,  // an existing target keeps its permission bits; a new one is owner-only
    OwnerOnly,     // the result is owner-only (0600) whatever was there
};

// Throws EVaultError("Cannot create file "path". reason") on failure.
void WriteFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t size,
                         TFileModePolicy modePolicy);

namespace AtomicFileTesting {

// Replaces write(2) for the temporary file; null restores it. Lets tests make a write fail
// part-way, which no file permission can do for a test that runs as root.
using TWriteFunction = ssize_t (*)(int fd, const void* data, std::size_t size);
void SetWriteFunction(TWriteFunction function);

}  // namespace AtomicFileTesting
