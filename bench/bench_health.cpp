// The health report's costs. First the breach list: a synthetic list in the published
// "SHA-1, ordered by hash" format (COFFERIX_BREACH_LINES lines, 100 million by default, about
// 4.4 GB, made once under /tmp and kept for later runs; COFFERIX_BREACH_LIST names another
// path), and 10,000 vault passwords of which every tenth is planted in it, looked up by the
// search in place and by a scan of every line against the set of the 10,000 hashes (how
// keepassxc-cli analyze --hibp reads the list). Then the report without a list on 100,000
// records, part by part. Prints a table; takes no Google Benchmark options.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "BenchVault.h"
#include "health/BreachList.h"
#include "health/EqualPasswords.h"
#include "health/HealthReport.h"
#include "health/ParallelWork.h"
#include "health/PasswordSha1.h"

namespace {

constexpr std::size_t kPasswords = 10000;
constexpr std::size_t kPlantedEvery = 10;
constexpr std::uint64_t kPlantedCount = 4242;
constexpr int kReportRecords = 100000;

using TClock = std::chrono::steady_clock;

double SecondsSince(TClock::time_point start) {
    return std::chrono::duration<double>(TClock::now() - start).count();
}

std::uint64_t SplitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::vector<std::string> VaultPasswords() {
    std::vector<std::string> passwords;
    for (std::size_t i = 0; i < kPasswords; ++i) {
        passwords.push_back("bench-" + std::to_string(i * 7919) + "-Pw!" + std::to_string(i));
    }
    return passwords;
}

TSha1 Sha1Of(const std::string& password) {
    TSha1 sha1;
    PasswordSha1(password, sha1);
    return sha1;
}

// Appends a line of the list: the hash in upper-case hex digits, its count, CR LF.
void AppendLine(std::string& out, const TSha1& hash, std::uint64_t count) {
    TSha1Hex hex;
    Sha1ToHex(hash.data(), hex);
    out.append(hex.data(), hex.size());
    out += ':';
    out += std::to_string(count);
    out += "\r\n";
}

// Sorted random 160-bit values made in order, written as they come: the gaps between sorted
// uniform values are exponential, so each value is the one before it plus a random gap. Real
// SHA-1s are spread the same way, so a search guesses here as well as it does on the published
// list (evenly spaced values would make its guesses look better than they are). The planted
// hashes are merged in at their places.
void MakeBreachList(const std::string& path, std::uint64_t lines, std::vector<TSha1> planted) {
    std::sort(planted.begin(), planted.end());
    const std::string part = path + ".part";
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror(part.c_str());
        std::exit(1);
    }
    // The mean gap leaves room for the sum of the gaps to run ten deviations over its mean.
    const double meanGap = std::ldexp(1.0, 128) / (static_cast<double>(lines) +
                                                   10 * std::sqrt(static_cast<double>(lines)));
    std::uint64_t random = 20240601;
    std::size_t nextPlanted = 0;
    std::string out;
    out.reserve(1 << 24);
    const auto flush = [&] {
        if (::write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size())) {
            std::perror(part.c_str());
            std::exit(1);
        }
        out.clear();
    };
    unsigned __int128 high = 0;
    for (std::uint64_t i = 0; i < lines; ++i) {
        const double uniform = (static_cast<double>(SplitMix(random) >> 11) + 0.5) * 0x1p-53;
        // A double holds 53 bits of the gap; random low bits make every digit look like a hash's.
        high += static_cast<unsigned __int128>(-std::log(uniform) * meanGap) +
                (SplitMix(random) & 0xFFFFFFFFFFull) + 1;
        TSha1 hash;
        for (int b = 0; b < 16; ++b) {
            hash[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(high >> (120 - 8 * b));
        }
        const std::uint64_t low = SplitMix(random);
        for (int b = 0; b < 4; ++b) {
            hash[static_cast<std::size_t>(16 + b)] = static_cast<std::uint8_t>(low >> (24 - 8 * b));
        }
        for (; nextPlanted < planted.size() && planted[nextPlanted] < hash; ++nextPlanted) {
            AppendLine(out, planted[nextPlanted], kPlantedCount);
        }
        // Most passwords of the published list were seen a few times, some very often.
        const std::uint64_t draw = SplitMix(random);
        AppendLine(out, hash, draw % 8 == 0 ? 1 + draw % 99999 : 1 + draw % 9);
        if (out.size() > (1 << 24) - 4096) {
            flush();
        }
    }
    for (; nextPlanted < planted.size(); ++nextPlanted) {
        AppendLine(out, planted[nextPlanted], kPlantedCount);
    }
    flush();
    ::close(fd);
    std::filesystem::rename(part, path);
}

// The fastest line scan: each line found with memchr, its first 40 bytes looked up as text in
// the set of the vault's hashes. Not what keepassxc does; a floor for any scan.
std::size_t ScanHashPrefixes(const std::string& path, const std::vector<TSha1>& hashes) {
    std::vector<std::string> hexes;
    for (const TSha1& hash : hashes) {
        TSha1Hex hex;
        Sha1ToHex(hash.data(), hex);
        hexes.emplace_back(hex.data(), hex.size());
    }
    const std::unordered_set<std::string_view> wanted(hexes.begin(), hexes.end());
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<char> buffer(1 << 20);
    std::size_t kept = 0;
    std::size_t found = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data() + kept, buffer.size() - kept);
        if (got <= 0) {
            break;
        }
        const std::size_t size = kept + static_cast<std::size_t>(got);
        std::size_t start = 0;
        for (const char* end; (end = static_cast<const char*>(
                                   std::memchr(buffer.data() + start, '\n', size - start)));) {
            const std::size_t length = static_cast<std::size_t>(end - buffer.data()) - start;
            if (length >= 40 && wanted.count(std::string_view(buffer.data() + start, 40))) {
                ++found;
            }
            start += length + 1;
        }
        kept = size - start;
        std::memmove(buffer.data(), buffer.data() + start, kept);
    }
    ::close(fd);
    return found;
}

// A file read through a buffer a byte or a few at a time, as QIODevice's read, getChar and peek
// serve a reader.
class TBufferedFile {
public:
    explicit TBufferedFile(const std::string& path)
        : FFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), FBuffer(1 << 16) {}
    ~TBufferedFile() { ::close(FFd); }
    bool Peek(char& c) {
        if (FAt == FSize && !Fill()) {
            return false;
        }
        c = FBuffer[FAt];
        return true;
    }
    bool GetChar(char& c) {
        if (!Peek(c)) {
            return false;
        }
        ++FAt;
        return true;
    }
    std::size_t Read(char* out, std::size_t size) {
        std::size_t done = 0;
        for (char c; done < size && GetChar(c);) {
            out[done++] = c;
        }
        return done;
    }

private:
    bool Fill() {
        const ssize_t got = ::read(FFd, FBuffer.data(), FBuffer.size());
        FAt = 0;
        FSize = got > 0 ? static_cast<std::size_t>(got) : 0;
        return FSize > 0;
    }
    int FFd;
    std::vector<char> FBuffer;
    std::size_t FAt = 0;
    std::size_t FSize = 0;
};

struct TSha1Hasher {
    std::size_t operator()(const TSha1& hash) const {
        std::size_t value;
        std::memcpy(&value, hash.data(), sizeof value);
        return value;
    }
};

int HexDigit(char c) {
    return c <= '9' ? c - '0' : (c & ~0x20) - 'A' + 10;
}

// keepassxc-cli analyze --hibp's way: every line parsed (40 hex digits decoded, a colon, the
// count digit by digit, the line end), its hash looked up in a hash set of the vault's.
std::size_t ScanLikeKeepassxc(const std::string& path, const std::vector<TSha1>& hashes) {
    const std::unordered_set<TSha1, TSha1Hasher> wanted(hashes.begin(), hashes.end());
    TBufferedFile input(path);
    std::size_t found = 0;
    for (char hex[40]; input.Read(hex, sizeof hex) == sizeof hex;) {
        TSha1 sha1;
        for (std::size_t i = 0; i < sha1.size(); ++i) {
            sha1[i] =
                static_cast<std::uint8_t>(HexDigit(hex[2 * i]) << 4 | HexDigit(hex[2 * i + 1]));
        }
        char c = 0;
        if (!input.GetChar(c) || c != ':') {
            break;
        }
        std::uint64_t count = 0;
        while (input.GetChar(c) && c >= '0' && c <= '9') {
            count = count * 10 + static_cast<std::uint64_t>(c - '0');
        }
        while (input.Peek(c) && (c == '\n' || c == '\r')) {
            input.GetChar(c);
        }
        found += count > 0 && wanted.count(sha1) ? 1 : 0;
    }
    return found;
}

struct TSeekResult {
    double Seconds = 0;
    std::size_t Found = 0;
    std::uint64_t Reads = 0;
};

// SHA-1 and lookup of every password, as the report does them (one thread).
TSeekResult SeekLookups(const TBreachList& list, const std::vector<std::string>& passwords) {
    TSeekResult result;
    const std::uint64_t readsBefore = list.ReadsMade();
    const auto start = TClock::now();
    for (const std::string& password : passwords) {
        const TSha1 sha1 = Sha1Of(password);
        result.Found += list.Lookup(sha1.data()) ? 1 : 0;
    }
    result.Seconds = SecondsSince(start);
    result.Reads = list.ReadsMade() - readsBefore;
    return result;
}

// The same on every core, as the report does it (ForEachIndexInParallel).
TSeekResult ParallelSeekLookups(const TBreachList& list,
                                const std::vector<std::string>& passwords) {
    TSeekResult result;
    std::atomic<std::size_t> found{0};
    const std::uint64_t readsBefore = list.ReadsMade();
    const auto start = TClock::now();
    ForEachIndexInParallel(passwords.size(), [&](std::size_t i) {
        const TSha1 sha1 = Sha1Of(passwords[i]);
        found += list.Lookup(sha1.data()) ? 1 : 0;
    });
    result.Seconds = SecondsSince(start);
    result.Found = found;
    result.Reads = list.ReadsMade() - readsBefore;
    return result;
}

std::string ListPath(std::uint64_t lines) {
    if (const char* path = std::getenv("COFFERIX_BREACH_LIST")) {
        return path;
    }
    std::filesystem::create_directories("/tmp/cofferix-bench");
    return "/tmp/cofferix-bench/breach-list-" + std::to_string(lines) + "-v3.txt";
}

void BenchBreachList() {
    const char* linesText = std::getenv("COFFERIX_BREACH_LINES");
    const std::uint64_t lines = linesText ? std::strtoull(linesText, nullptr, 10) : 100000000;
    const std::vector<std::string> passwords = VaultPasswords();
    std::vector<TSha1> planted;
    std::vector<TSha1> hashes;
    for (std::size_t i = 0; i < passwords.size(); ++i) {
        hashes.push_back(Sha1Of(passwords[i]));
        if (i % kPlantedEvery == 0) {
            planted.push_back(hashes.back());
        }
    }
    const std::string path = ListPath(lines);
    if (!std::filesystem::exists(path)) {
        std::printf("Making %s ...\n", path.c_str());
        std::fflush(stdout);
        const auto start = TClock::now();
        MakeBreachList(path, lines, planted);
        std::printf("  made in %.1f s\n", SecondsSince(start));
    }
    std::printf("Breach list: %s, %.2f GB\n", path.c_str(),
                static_cast<double>(std::filesystem::file_size(path)) / 1e9);
    std::printf("%zu passwords, %zu planted in the list\n\n", passwords.size(), planted.size());

    auto start = TClock::now();
    for (const std::string& password : passwords) {
        const TSha1 sha1 = Sha1Of(password);
        if (sha1[0] == 0 && sha1[1] == 0 && sha1[2] == 0 && sha1[3] == 0) {
            std::printf("(a rare hash)\n");  // keeps the loop from being optimised away
        }
    }
    const double sha1Seconds = SecondsSince(start);
    TBreachList list;
    list.Open(path);
    const TSeekResult first = SeekLookups(list, passwords);
    start = TClock::now();
    const std::size_t scanned = ScanLikeKeepassxc(path, hashes);
    const double scanSeconds = SecondsSince(start);
    start = TClock::now();
    const std::size_t prefixes = ScanHashPrefixes(path, hashes);
    const double prefixSeconds = SecondsSince(start);
    // The best of a few passes: the machine may be busy with other work.
    TSeekResult cached = SeekLookups(list, passwords);
    TSeekResult parallel = ParallelSeekLookups(list, passwords);
    for (int pass = 1; pass < 5; ++pass) {
        const TSeekResult again = SeekLookups(list, passwords);
        cached = again.Seconds < cached.Seconds ? again : cached;
        const TSeekResult againParallel = ParallelSeekLookups(list, passwords);
        parallel = againParallel.Seconds < parallel.Seconds ? againParallel : parallel;
    }

    std::printf("%-40s %12s %8s %14s\n", "breach lookup of 10,000 passwords", "seconds", "found",
                "reads/lookup");
    std::printf("%-40s %12.4f\n", "SHA-1 alone (part of every row below)", sha1Seconds);
    std::printf("%-40s %12.4f %8zu %14.2f\n", "search in place, first pass", first.Seconds,
                first.Found, static_cast<double>(first.Reads) / kPasswords);
    std::printf("%-40s %12.4f %8zu %14.2f\n", "search in place, page cache, best of 5",
                cached.Seconds, cached.Found, static_cast<double>(cached.Reads) / kPasswords);
    std::printf("%-40s %12.4f %8zu %14.2f\n", "same, all cores, best of 5", parallel.Seconds,
                parallel.Found, static_cast<double>(parallel.Reads) / kPasswords);
    std::printf("%-40s %12.4f %8zu %14s\n", "scan as keepassxc-cli, page cache", scanSeconds,
                scanned, "whole file");
    std::printf("%-40s %12.4f %8zu %14s\n", "scan, hash prefix only, page cache", prefixSeconds,
                prefixes, "whole file");
    std::printf("%-40s %11.0fx\n", "scan / search in place, one thread",
                scanSeconds / cached.Seconds);
    std::printf("%-40s %11.0fx\n", "scan / search in place, all cores",
                scanSeconds / parallel.Seconds);
    std::printf("%-40s %11.0fx\n\n", "prefix-only scan / search, one thread",
                prefixSeconds / cached.Seconds);
}

template <typename TWork>
double Milliseconds(TWork&& work) {
    const auto start = TClock::now();
    work();
    return SecondsSince(start) * 1000;
}

void BenchReport() {
    TRecordTree tree;
    FillBenchTree(tree, kReportRecords);
    const TDateTime now = 45500.5;
    std::size_t i = 0;
    std::vector<const std::string*> passwords;
    tree.ForEach([&](TRecordTree::TNode& node) {
        if (node.Data.IsGroup) {
            return;
        }
        // Every 50th record shares one weak password; ages spread over two years.
        if (i % 50 == 0) {
            node.Data.Password = "Password1";
        }
        node.Data.PasswordChangedTime = now - static_cast<double>(i % 730);
        passwords.push_back(&node.Data.Password);
        ++i;
    });
    THealthOptions options;
    options.Now = now;
    std::size_t classes = 0;
    std::size_t weak = 0;
    THealthReport report;
    GroupEqualPasswords(passwords);  // libsodium's start and the first touch of the memory
    const double grouping = Milliseconds([&] { classes = GroupEqualPasswords(passwords).Count(); });
    const double meter = Milliseconds([&] {
        for (const std::string* password : passwords) {
            weak += CalcPasswordScore(*password) > 0 ? 1 : 0;
        }
    });
    const double rating = Milliseconds([&] {
        for (const std::string* password : passwords) {
            weak += RatePassword(*password).IsWeak() ? 1 : 0;
        }
    });
    const double whole = Milliseconds([&] { report = RateVault(tree, options); });
    // The same records all sharing one password: zxcvbn runs once, so this is the rest of the
    // report (grouping, meter, ages, every record named as reused, which is its worst case).
    TRecordTree shared;
    FillBenchTree(shared, kReportRecords);
    shared.ForEach([&](TRecordTree::TNode& node) {
        node.Data.Password = "one-Shared#pw";
        node.Data.PasswordChangedTime = now - 400;
    });
    THealthReport sharedReport;
    const double withoutZxcvbn = Milliseconds([&] { sharedReport = RateVault(shared, options); });

    std::printf("%-52s %10s\n", "report of 100,000 records, no breach list", "ms");
    std::printf("%-52s %10.1f\n", "equal passwords (keyed SipHash, sorted)", grouping);
    std::printf("%-52s %10.1f\n", "record editor's meter, every password", meter);
    std::printf("%-52s %10.1f\n", "meter and zxcvbn, every password, one thread", rating);
    std::printf("%-52s %10.1f\n", "RateVault (each distinct password once, all cores)", whole);
    std::printf("%-52s %10.1f\n", "RateVault, one password shared by all (zxcvbn once)",
                withoutZxcvbn);
    std::printf("  %zu findings there\n", sharedReport.Findings.size());
    std::printf("  %zu distinct passwords; %zu weak, %zu reused, %zu old findings (%zu)\n", classes,
                report.Count(THealthFinding::TKind::Weak),
                report.Count(THealthFinding::TKind::Reused),
                report.Count(THealthFinding::TKind::Old), weak);
}

}  // namespace

int main() {
    BenchBreachList();
    BenchReport();
    return 0;
}
