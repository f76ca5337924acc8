#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Seekable byte streams as the stream codec sees them. Counts and sizes are 32-bit, as in
// the vault format; vault files of 2 GiB or more are refused before a stream is made.
class TStream {
public:
    virtual ~TStream() = default;

    virtual std::uint32_t Size() const = 0;
    virtual std::uint32_t Position() const = 0;
    virtual void Seek(std::uint32_t position) = 0;
    // Reads up to count bytes from the position on; answers how many were read.
    virtual std::uint32_t Read(void* buffer, std::uint32_t count) = 0;
    // Writes count bytes at the position, growing the stream as needed; answers how many
    // were written.
    virtual std::uint32_t Write(const void* buffer, std::uint32_t count) = 0;
};

// A stream in memory. It holds vault plaintext, so every buffer it lets go of is wiped
// first: on growth, on Clear and on destruction.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    TMemoryStream(const TMemoryStream&) = delete;
    TMemoryStream& operator=(const TMemoryStream&) = delete;
    ~TMemoryStream() override;

    std::uint32_t Size() const override { return FSize; }
    std::uint32_t Position() const override { return FPosition; }
    void Seek(std::uint32_t position) override { FPosition = position; }
    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    std::uint32_t Write(const void* buffer, std::uint32_t count) override;

    // Makes room for capacity bytes so that writes up to there never move the data.
    void Reserve(std::uint32_t capacity);
    // Makes the stream size bytes long; bytes added at the end are zero. The position
    // stays where it was.
    void SetSize(std::uint32_t size);
    // Wipes and empties the stream; the position goes back to 0.
    void Clear();

    const std::uint8_t* Data() const { return FBuffer.get(); }
    std::uint8_t* Data() { return FBuffer.get(); }

private:
    void Grow(std::uint32_t needed);

    struct TBufferDeleter {
        void operator()(std::uint8_t* buffer) const;
    };

    // Left uninitialised beyond FSize: a vault's worth of zero-filling costs as much as
    // deciphering it.
    std::unique_ptr<std::uint8_t[], TBufferDeleter> FBuffer;
    std::uint32_t FCapacity = 0;
    std::uint32_t FSize = 0;
    std::uint32_t FPosition = 0;
};

// A stream over an open POSIX file descriptor, which it does not own. Reads and writes
// retry on interruption and on partial transfers; a failure shows as a short count, and
// LastError() then holds the errno.
class TFileStream : public TStream {
public:
    explicit TFileStream(int fd) : FFd(fd) {}

    std::uint32_t Size() const override;
    std::uint32_t Position() const override;
    void Seek(std::uint32_t position) override;
    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    std::uint32_t Write(const void* buffer, std::uint32_t count) override;

    int LastError() const { return FLastError; }

private:
    int FFd;
    int FLastError = 0;
};
