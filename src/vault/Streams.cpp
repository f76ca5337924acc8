#include "vault/Streams.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "vault/CofferixError.h"
#include "vault/NodeData.h"

namespace {

constexpr std::uint32_t kMaxCount = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kHugePageSize = std::size_t{2} << 20;

// A buffer of a few MiB or more (a whole vault) is aligned to huge pages and offered to the
// kernel as such: filling it then takes a handful of page faults instead of thousands, which
// on a virtual machine cost as much as the cipher itself.
std::uint8_t* AllocateBuffer(std::uint32_t capacity) {
    void* buffer = nullptr;
    if (capacity >= kHugePageSize) {
        const std::size_t rounded = (capacity + kHugePageSize - 1) / kHugePageSize * kHugePageSize;
        buffer = std::aligned_alloc(kHugePageSize, rounded);
#ifdef MADV_HUGEPAGE
        if (buffer) {
            ::madvise(buffer, rounded, MADV_HUGEPAGE);
        }
#endif
    }
    if (!buffer) {
        buffer = std::malloc(capacity);
    }
    if (!buffer) {
        throw std::bad_alloc();
    }
    return static_cast<std::uint8_t*>(buffer);
}

}  // namespace

void TMemoryStream::TBufferDeleter::operator()(std::uint8_t* buffer) const {
    std::free(buffer);
}

TMemoryStream::~TMemoryStream() {
    Clear();
}

void TMemoryStream::Clear() {
    if (FBuffer) {
        WipeBytes(FBuffer.get(), FSize);
    }
    FBuffer.reset();
    FCapacity = 0;
    FSize = 0;
    FPosition = 0;
}

void TMemoryStream::Reserve(std::uint32_t capacity) {
    if (capacity <= FCapacity) {
        return;
    }
    // A fresh buffer, so the old one can be wiped before it goes back.
    std::unique_ptr<std::uint8_t[], TBufferDeleter> larger(AllocateBuffer(capacity));
    if (FSize > 0) {
        std::memcpy(larger.get(), FBuffer.get(), FSize);
        WipeBytes(FBuffer.get(), FSize);
    }
    FBuffer = std::move(larger);
    FCapacity = capacity;
}

void TMemoryStream::Grow(std::uint32_t needed) {
    std::uint64_t capacity = FCapacity == 0 ? 4096 : FCapacity;
    while (capacity < needed) {
        capacity *= 2;
    }
    Reserve(static_cast<std::uint32_t>(std::min<std::uint64_t>(capacity, kMaxCount)));
}

void TMemoryStream::SetSize(std::uint32_t size) {
    Reserve(size);
    if (size > FSize) {
        std::memset(FBuffer.get() + FSize, 0, size - FSize);
    } else {
        WipeBytes(FBuffer.get() + size, FSize - size);
    }
    FSize = size;
}

std::uint32_t TMemoryStream::Read(void* buffer, std::uint32_t count) {
    if (FPosition >= FSize) {
        return 0;
    }
    const std::uint32_t available = std::min(count, FSize - FPosition);
    std::memcpy(buffer, FBuffer.get() + FPosition, available);
    FPosition += available;
    return available;
}

std::uint32_t TMemoryStream::Write(const void* buffer, std::uint32_t count) {
    if (count == 0) {
        return 0;
    }
    const std::uint64_t end = std::uint64_t{FPosition} + count;
    if (end > kMaxCount) {
        return 0;
    }
    if (end > FCapacity) {
        Grow(static_cast<std::uint32_t>(end));
    }
    if (FPosition > FSize) {
        // A seek past the end leaves a gap that reads back as zeros.
        std::memset(FBuffer.get() + FSize, 0, FPosition - FSize);
    }
    std::memcpy(FBuffer.get() + FPosition, buffer, count);
    FPosition = static_cast<std::uint32_t>(end);
    FSize = std::max(FSize, FPosition);
    return count;
}

std::uint32_t TFileStream::Size() const {
    struct stat info {};
    if (fstat(FFd, &info) != 0 || info.st_size > static_cast<off_t>(kMaxCount)) {
        throw EStreamError("Stream read error");
    }
    return static_cast<std::uint32_t>(info.st_size);
}

std::uint32_t TFileStream::Position() const {
    const off_t position = lseek(FFd, 0, SEEK_CUR);
    if (position < 0 || position > static_cast<off_t>(kMaxCount)) {
        throw EStreamError("Stream read error");
    }
    return static_cast<std::uint32_t>(position);
}

void TFileStream::Seek(std::uint32_t position) {
    if (lseek(FFd, static_cast<off_t>(position), SEEK_SET) < 0) {
        throw EStreamError("Stream read error");
    }
}

std::uint32_t TFileStream::Read(void* buffer, std::uint32_t count) {
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(FFd, bytes + done, count - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            FLastError = got < 0 ? errno : 0;
            break;
        }
        done += static_cast<std::uint32_t>(got);
    }
    return done;
}

std::uint32_t TFileStream::Write(const void* buffer, std::uint32_t count) {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(FFd, bytes + done, count - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            FLastError = put < 0 ? errno : 0;
            break;
        }
        done += static_cast<std::uint32_t>(put);
    }
    return done;
}
