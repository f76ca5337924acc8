#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "health/PasswordSha1.h"

// A list of breached passwords in Have I Been Pwned's "SHA-1, ordered by hash" format: one
// line per password, 40 upper-case hex digits of its SHA-1, a colon and how often it was
// seen, lines ending in CR LF or LF (the last one may have no line end), in ascending order.
//
// The list is searched where it lies: a lookup reads a few small pieces of the file (pread,
// so lookups from several threads share nothing but the descriptor), guessing where the hash
// must be from the hashes around it and halving the range when guessing does not close in.
// Nothing is copied, indexed or read whole: the published list is tens of gigabytes.
//
// A file that does not have that shape, or a line found out of order during a search, throws
// EBreachListError naming the file and the byte offset of the line. An empty file is refused:
// it is more likely a download that failed than a list with nothing in it, and answering
// "not breached" for every password would mislead.
class TBreachList {
public:
    TBreachList() = default;
    ~TBreachList();
    TBreachList(const TBreachList&) = delete;
    TBreachList& operator=(const TBreachList&) = delete;

    // Opens the list at path and checks the shape of its first and last lines and their order.
    // Refuses what is no regular file (a pipe would not seek).
    void Open(const std::string& path);
    bool IsOpen() const { return FFd >= 0; }
    const std::string& Path() const { return FPath; }

    // How often the list has seen the password of that SHA-1; nothing when it is not listed.
    std::optional<std::uint64_t> Lookup(const std::uint8_t sha1[20]) const;

    // The reads made since Open, for tests and the benchmark to see what a lookup costs.
    std::uint64_t ReadsMade() const { return FReads.load(std::memory_order_relaxed); }

    // One line of the list: where it starts, how long it is with its line end, its hash and
    // its count.
    struct TLine {
        std::uint64_t Start = 0;
        std::uint64_t Length = 0;
        TSha1Hex Hash{};
        std::uint64_t Count = 0;
    };

private:
    // Reads up to size bytes from offset (fewer only at the end of the file).
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) const;
    TLine ReadFirstLine() const;
    TLine ReadLastLine() const;
    [[noreturn]] void ThrowBadLine(std::uint64_t offset) const;
    [[noreturn]] void ThrowOutOfOrder(std::uint64_t offset) const;

    struct TRange;
    struct TRead;
    TRead PlanRead(const TRange& range, const TSha1Hex& target, bool guess) const;
    std::optional<std::uint64_t> SearchChunk(TRange& range, const TSha1Hex& target,
                                             bool guess) const;

    int FFd = -1;
    std::string FPath;
    std::uint64_t FSize = 0;
    TLine FFirst;
    TLine FLast;
    mutable std::atomic<std::uint64_t> FReads{0};
};
