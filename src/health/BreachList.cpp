#include "health/BreachList.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "base/Wipe.h"
#include "health/HealthError.h"
#include "vault/LockedFile.h"

namespace {

using TLine = TBreachList::TLine;

constexpr std::size_t kHashDigits = 40;
// At most 19 digits: every such count fits 64 bits.
constexpr std::size_t kMaxCountDigits = 19;
// The longest line: hash, colon, count, CR LF.
constexpr std::size_t kMaxLine = kHashDigits + 1 + kMaxCountDigits + 2;
// One read of a search: a page, about ninety lines of the published list. Reading a page
// costs the same as reading one line, and a page around a good guess holds the hash.
constexpr std::size_t kChunk = 4096;
// Guesses from the hashes at the range's ends close in fast on hashes spread evenly, as
// SHA-1s are; on a list whose hashes are not, they may close in slowly, so after this many
// reads the search halves the range instead.
constexpr int kGuessedReads = 4;

enum class TParse { Line, Cut, Bad };

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

int Compare(const TSha1Hex& a, const TSha1Hex& b) {
    return std::memcmp(a.data(), b.data(), a.size());
}

// The line at the start of bytes, its Start left as it is. Cut when bytes end inside the line
// and the file goes on after them.
TParse ParseLine(std::string_view bytes, bool atFileEnd, TLine& line) {
    const TParse cut = atFileEnd ? TParse::Bad : TParse::Cut;
    std::size_t i = 0;
    for (; i < kHashDigits; ++i) {
        if (i == bytes.size()) {
            return cut;
        }
        if (!IsUpperHex(bytes[i])) {
            return TParse::Bad;
        }
    }
    if (i == bytes.size()) {
        return cut;
    }
    if (bytes[i++] != ':') {
        return TParse::Bad;
    }
    std::uint64_t count = 0;
    std::size_t digits = 0;
    for (; i < bytes.size() && bytes[i] >= '0' && bytes[i] <= '9'; ++i) {
        if (++digits > kMaxCountDigits) {
            return TParse::Bad;
        }
        count = count * 10 + static_cast<std::uint64_t>(bytes[i] - '0');
    }
    if (i == bytes.size() && !atFileEnd) {
        return TParse::Cut;
    }
    if (digits == 0) {
        return TParse::Bad;
    }
    std::size_t length = i;  // the file's last line may end without a line end
    if (i < bytes.size()) {
        if (bytes[i] == '\n') {
            length = i + 1;
        } else if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            length = i + 2;
        } else if (bytes[i] == '\r' && i + 1 == bytes.size()) {
            return cut;
        } else {
            return TParse::Bad;
        }
    }
    std::copy_n(bytes.data(), kHashDigits, line.Hash.data());
    line.Count = count;
    line.Length = length;
    return TParse::Line;
}

// The first 64 bits of a hash, as a number to guess positions with.
std::uint64_t Prefix(const TSha1Hex& hash) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < 16; ++i) {
        const char c = hash[i];
        value = value << 4 | static_cast<std::uint64_t>(c <= '9' ? c - '0' : c - 'A' + 10);
    }
    return value;
}

struct TWipeHex {
    TSha1Hex& Hex;
    ~TWipeHex() { WipeBytes(Hex.data(), Hex.size()); }
};

}  // namespace

// What a search knows: every line that starts before LoOff has a hash below the target's (the
// last of them LoKey), every line from HiOff on one above it (the first of them HiKey). Both
// offsets are line starts.
struct TBreachList::TRange {
    std::uint64_t LoOff = 0;
    TSha1Hex LoKey{};
    std::uint64_t HiOff = 0;
    TSha1Hex HiKey{};
};

TBreachList::~TBreachList() {
    if (FFd >= 0) {
        ::close(FFd);
    }
}

void TBreachList::Open(const std::string& path) {
    if (FFd >= 0) {
        ::close(FFd);
        FFd = -1;
    }
    FPath = path;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        throw EBreachListError(CannotOpenFileText(path, errno));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw EBreachListError("\"" + path + "\" is no regular file; a breach list must be one");
    }
    FFd = fd;
    FSize = static_cast<std::uint64_t>(info.st_size);
    FReads = 0;
    try {
        if (FSize == 0) {
            throw EBreachListError("\"" + path +
                                   "\" is empty; a breach list holds Have I Been Pwned's "
                                   "passwords, \"SHA-1, ordered by hash\"");
        }
        FFirst = ReadFirstLine();
        FLast = ReadLastLine();
        const int order = Compare(FFirst.Hash, FLast.Hash);
        if (order > 0 || (order == 0 && FLast.Start != 0)) {
            ThrowOutOfOrder(FLast.Start);
        }
    } catch (...) {
        ::close(FFd);
        FFd = -1;
        throw;
    }
}

std::size_t TBreachList::ReadAt(std::uint64_t offset, char* buffer, std::size_t size) const {
    FReads.fetch_add(1, std::memory_order_relaxed);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(FFd, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw EBreachListError("cannot read the breach list \"" + FPath +
                                   "\": " + std::strerror(errno));
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

TLine TBreachList::ReadFirstLine() const {
    char buffer[kMaxLine];
    const std::size_t got = ReadAt(0, buffer, std::min<std::uint64_t>(kMaxLine, FSize));
    TLine line;
    if (ParseLine(std::string_view(buffer, got), got == FSize, line) != TParse::Line) {
        ThrowBadLine(0);
    }
    return line;
}

TLine TBreachList::ReadLastLine() const {
    char buffer[2 * kMaxLine];
    const std::uint64_t from = FSize - std::min<std::uint64_t>(sizeof buffer, FSize);
    const std::size_t got = ReadAt(from, buffer, static_cast<std::size_t>(FSize - from));
    std::string_view bytes(buffer, got);
    // The last line's own line end, if it has one, is no start of a line after it.
    std::size_t body = bytes.size();
    if (body > 0 && bytes[body - 1] == '\n') {
        --body;
        if (body > 0 && bytes[body - 1] == '\r') {
            --body;
        }
    }
    const std::size_t end = bytes.substr(0, body).rfind('\n');
    if (end == std::string_view::npos && from > 0) {
        ThrowBadLine(from);
    }
    TLine line;
    line.Start = end == std::string_view::npos ? 0 : from + end + 1;
    if (ParseLine(bytes.substr(static_cast<std::size_t>(line.Start - from)), true, line) !=
            TParse::Line ||
        line.Start + line.Length != FSize) {
        ThrowBadLine(line.Start);
    }
    return line;
}

std::optional<std::uint64_t> TBreachList::Lookup(const std::uint8_t sha1[20]) const {
    if (FFd < 0) {
        throw EBreachListError("no breach list is open");
    }
    TSha1Hex target;
    const TWipeHex wipe{target};
    Sha1ToHex(sha1, target);
    for (const TLine* end : {&FFirst, &FLast}) {
        if (Compare(target, end->Hash) == 0) {
            return end->Count;
        }
    }
    if (Compare(target, FFirst.Hash) < 0 || Compare(target, FLast.Hash) > 0) {
        return std::nullopt;
    }
    TRange range{FFirst.Start + FFirst.Length, FFirst.Hash, FLast.Start, FLast.Hash};
    for (int reads = 0; range.LoOff < range.HiOff; ++reads) {
        if (const auto count = SearchChunk(range, target, reads < kGuessedReads)) {
            return count;
        }
    }
    return std::nullopt;
}

// Reads one chunk of the range around a guessed position (or its middle) and narrows the
// range by every line in it; answers the count when the target's line is among them.
std::optional<std::uint64_t> TBreachList::SearchChunk(TRange& range, const TSha1Hex& target,
                                                      bool interpolate) const {
    const std::uint64_t span = range.HiOff - range.LoOff;
    std::uint64_t guess = range.LoOff + span / 2;
    const std::uint64_t low = Prefix(range.LoKey);
    const std::uint64_t high = Prefix(range.HiKey);
    if (interpolate && high > low) {
        const double fraction =
            static_cast<double>(Prefix(target) - low) / static_cast<double>(high - low);
        guess =
            range.LoOff +
            std::min(span - 1, static_cast<std::uint64_t>(fraction * static_cast<double>(span)));
    }
    // A chunk centred on the guess that starts early enough to hold the range's last line.
    std::uint64_t begin = guess > range.LoOff + kChunk / 2 ? guess - kChunk / 2 : range.LoOff;
    begin = std::max(range.LoOff, std::min(begin, range.HiOff - std::min(range.HiOff, kMaxLine)));
    const std::uint64_t end = std::min({begin + kChunk, range.HiOff + kMaxLine, FSize});
    // The byte before begin tells whether a line starts at begin; LoOff is never 0.
    const std::uint64_t from = begin - 1;
    char buffer[kChunk + 1];
    const std::size_t got = ReadAt(from, buffer, static_cast<std::size_t>(end - from));
    const std::string_view bytes(buffer, got);
    const bool atFileEnd = from + got == FSize;
    const std::size_t lineEnd = bytes.substr(0, kMaxLine + 1).find('\n');
    if (lineEnd == std::string_view::npos) {
        ThrowBadLine(begin);
    }
    std::uint64_t start = from + lineEnd + 1;
    // Every whole line of the chunk is checked against the order, also those past the
    // target's place: they cost nothing more to look at.
    const std::uint64_t limit = range.HiOff;
    const TSha1Hex above = range.HiKey;
    TSha1Hex below = range.LoKey;
    bool passed = false;
    bool narrowed = false;
    std::optional<std::uint64_t> found;
    for (TLine line; start < limit; start += line.Length) {
        line.Start = start;
        const TParse parse =
            ParseLine(bytes.substr(static_cast<std::size_t>(start - from)), atFileEnd, line);
        if (parse == TParse::Cut) {
            break;  // the chunk ends inside this line; a later read goes on from here
        }
        if (parse == TParse::Bad) {
            ThrowBadLine(start);
        }
        if (Compare(line.Hash, below) <= 0 || Compare(line.Hash, above) >= 0) {
            ThrowOutOfOrder(start);
        }
        below = line.Hash;
        narrowed = true;
        const int order = Compare(line.Hash, target);
        if (order == 0) {
            found = line.Count;
        } else if (order < 0) {
            range.LoOff = start + line.Length;
            range.LoKey = line.Hash;
        } else if (!passed) {
            range.HiOff = start;
            range.HiKey = line.Hash;
            passed = true;
        }
    }
    if (!narrowed) {
        ThrowBadLine(begin);  // only lines longer than the format allows leave nothing to read
    }
    return found;
}

void TBreachList::ThrowBadLine(std::uint64_t offset) const {
    throw EBreachListError("\"" + FPath +
                           "\" is no breach list in the \"SHA-1, ordered by hash\" format: the "
                           "line at byte " +
                           std::to_string(offset) +
                           " is not 40 upper-case hex digits, a colon and a count");
}

void TBreachList::ThrowOutOfOrder(std::uint64_t offset) const {
    throw EBreachListError("\"" + FPath + "\" is not ordered by hash: the line at byte " +
                           std::to_string(offset) +
                           " does not fit the order of the lines around it");
}
