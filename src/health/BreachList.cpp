#include "health/BreachList.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
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
// The most a search reads at once: two pages, about 180 lines of the published list. Measured
// on the published list's spread: a larger read costs more copying than the read it saves, a
// smaller one more reads.
constexpr std::size_t kChunk = 8192;
// The least: enough to hold one whole line wherever it starts.
constexpr std::size_t kProbe = 2 * kMaxLine + 4;
// Guesses from the hashes at the range's ends close in fast on hashes spread at random, as
// SHA-1s are; on a list whose hashes are not, they may close in slowly, so after this many
// reads the search halves the range instead.
constexpr int kGuessedReads = 4;
// A read around a guess covers this many standard deviations of the guess's error each way.
constexpr double kCoveredDeviations = 2;

enum class TParse { Line, Cut, Bad };

// The value of each upper-case hex digit; 0xFF for every other byte.
constexpr std::array<std::uint8_t, 256> kHexValue = [] {
    std::array<std::uint8_t, 256> values{};
    values.fill(0xFF);
    for (int i = 0; i < 10; ++i) {
        values['0' + i] = static_cast<std::uint8_t>(i);
    }
    for (int i = 0; i < 6; ++i) {
        values['A' + i] = static_cast<std::uint8_t>(10 + i);
    }
    return values;
}();

int Compare(const TSha1Hex& a, const TSha1Hex& b) {
    return std::memcmp(a.data(), b.data(), a.size());
}

// The line at the start of bytes, its Start left as it is. Cut when bytes end inside the line
// and the file goes on after them.
TParse ParseLine(std::string_view bytes, bool atFileEnd, TLine& line) {
    const TParse cut = atFileEnd ? TParse::Bad : TParse::Cut;
    if (bytes.size() <= kHashDigits) {
        for (const char c : bytes) {
            if (kHexValue[static_cast<unsigned char>(c)] > 15) {
                return TParse::Bad;
            }
        }
        return cut;
    }
    unsigned invalid = 0;
    for (std::size_t k = 0; k < kHashDigits; ++k) {
        invalid |= kHexValue[static_cast<unsigned char>(bytes[k])];
    }
    if (invalid > 15) {
        return TParse::Bad;
    }
    std::size_t i = kHashDigits;
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
        value = value << 4 | kHexValue[static_cast<unsigned char>(hash[i])];
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

// Where a read should be centred and how much it should take.
struct TBreachList::TRead {
    std::uint64_t At = 0;
    std::size_t Size = 0;
};

// The range whole when it fits one read; otherwise a guess of the target's place from the hashes
// at the range's ends, read wide enough to hold the target's line when the guess is as good as
// it usually is, or just one line when it is not (a wide read would not hold it either); once
// guessing is given up, the middle line.
TBreachList::TRead TBreachList::PlanRead(const TRange& range, const TSha1Hex& target,
                                         bool guess) const {
    const std::uint64_t span = range.HiOff - range.LoOff;
    if (span + kMaxLine <= kChunk) {
        return {range.LoOff, static_cast<std::size_t>(span + kMaxLine)};
    }
    const std::uint64_t low = Prefix(range.LoKey);
    const std::uint64_t high = Prefix(range.HiKey);
    if (!guess || high <= low) {
        return {range.LoOff + span / 2, kProbe};
    }
    const double fraction =
        static_cast<double>(Prefix(target) - low) / static_cast<double>(high - low);
    const auto at = static_cast<std::uint64_t>(fraction * static_cast<double>(span));
    // On hashes spread at random the lines below the target's place are binomially many: the
    // guess is off by about the square root of the lines between it and the nearer end.
    const double lineLength = static_cast<double>(FFirst.Length);
    const double lines = static_cast<double>(span) / lineLength;
    const double deviation = std::sqrt(lines * fraction * (1 - fraction)) * lineLength;
    const double wanted = 2 * kCoveredDeviations * deviation + kProbe;
    const std::size_t size = wanted <= kChunk ? static_cast<std::size_t>(wanted) : kProbe;
    return {range.LoOff + std::min(at, span - 1), size};
}

// Reads the planned piece of the range and narrows the range by every line in it; answers the
// count when the target's line is among them.
std::optional<std::uint64_t> TBreachList::SearchChunk(TRange& range, const TSha1Hex& target,
                                                      bool guess) const {
    const TRead read = PlanRead(range, target, guess);
    // Centred on the planned place, not before the range, and early enough to hold the
    // range's last line.
    const std::uint64_t centred =
        read.At > range.LoOff + read.Size / 2 ? read.At - read.Size / 2 : range.LoOff;
    const std::uint64_t begin =
        std::max(range.LoOff, std::min(centred, range.HiOff - std::min(range.HiOff, kMaxLine)));
    const std::uint64_t end = std::min({begin + read.Size, range.HiOff + kMaxLine, FSize});
    // The byte before begin tells whether a line starts at begin; LoOff is never 0.
    const std::uint64_t from = begin - 1;
    char buffer[kChunk + kMaxLine + 1];
    const std::size_t got = ReadAt(from, buffer, static_cast<std::size_t>(end - from));
    const std::string_view bytes(buffer, got);
    const bool atFileEnd = from + got == FSize;
    const std::size_t lineEnd = bytes.substr(0, kMaxLine + 1).find('\n');
    if (lineEnd == std::string_view::npos) {
        ThrowBadLine(begin);
    }
    // Each line is told by its first 40 bytes and checked against the order; only the lines
    // the search rests on (the last below the target, the first above, the target's own) are
    // read whole: that keeps a read of a page at a few microseconds.
    const std::uint64_t limit = range.HiOff;
    const char* previous = range.LoKey.data();
    std::optional<std::uint64_t> below;
    std::optional<std::uint64_t> match;
    std::optional<std::uint64_t> above;
    for (std::uint64_t start = from + lineEnd + 1; start < limit;) {
        const std::string_view rest = bytes.substr(static_cast<std::size_t>(start - from));
        const std::size_t length = rest.substr(0, kMaxLine).find('\n');
        if (length == std::string_view::npos) {
            if (rest.size() >= kMaxLine || atFileEnd) {
                ThrowBadLine(start);
            }
            break;  // the read ends inside this line; a later one goes on from here
        }
        if (length < kHashDigits) {
            ThrowBadLine(start);
        }
        if (std::memcmp(rest.data(), previous, kHashDigits) <= 0 ||
            std::memcmp(rest.data(), range.HiKey.data(), kHashDigits) >= 0) {
            ThrowOutOfOrder(start);
        }
        previous = rest.data();
        if (!above) {
            const int order = std::memcmp(rest.data(), target.data(), kHashDigits);
            (order < 0 ? below : order == 0 ? match : above) = start;
        }
        start += length + 1;
    }
    if (!below && !match && !above) {
        ThrowBadLine(begin);  // only lines longer than the format allows leave nothing to read
    }
    const auto parse = [&](std::uint64_t start) {
        TLine line;
        line.Start = start;
        if (ParseLine(bytes.substr(static_cast<std::size_t>(start - from)), false, line) !=
            TParse::Line) {
            ThrowBadLine(start);
        }
        return line;
    };
    if (match) {
        return parse(*match).Count;
    }
    if (below) {
        const TLine line = parse(*below);
        range.LoOff = line.Start + line.Length;
        range.LoKey = line.Hash;
    }
    if (above) {
        const TLine line = parse(*above);
        range.HiOff = line.Start;
        range.HiKey = line.Hash;
    }
    return std::nullopt;
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
