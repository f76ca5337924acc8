#include "vault/Clock.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <ctime>
#include <limits>

#include "vault/CofferixError.h"

namespace {

// 1970-01-01 counted in days since 1899-12-30.
constexpr double kUnixEpochAsDateTime = 25569.0;
constexpr double kSecondsPerDay = 86400.0;

// The time a TFixedClock set; not a number while the wall clock runs.
std::atomic<TDateTime> gFixedNow{std::numeric_limits<TDateTime>::quiet_NaN()};

TDateTime WallClockNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    // The wall clock of the local zone: UTC seconds plus the zone's offset at this moment.
    const double localSeconds = static_cast<double>(now.tv_sec) +
                                static_cast<double>(local.tm_gmtoff) +
                                static_cast<double>(now.tv_nsec) / 1e9;
    return kUnixEpochAsDateTime + localSeconds / kSecondsPerDay;
}

bool FillFromGetrandom(std::uint8_t* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = getrandom(bytes + done, size - done, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool FillFromUrandom(std::uint8_t* bytes, std::size_t size) {
    const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = read(fd, bytes + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    close(fd);
    return done == size;
}

void FillRandom(std::uint8_t* bytes, std::size_t size) {
    if (!FillFromGetrandom(bytes, size) && !FillFromUrandom(bytes, size)) {
        throw ECofferixError("The system's random number generator is not available.");
    }
}

// Random bytes for Guids, fetched from the system 256 Guids at a time: a merge or an import
// makes tens of thousands, and each fetch is a system call. A forked child never takes bytes
// that its parent's pool handed out or will hand out.
std::atomic<unsigned> gForks{0};

struct TGuidPool {
    std::array<std::uint8_t, 4096> Bytes{};
    std::size_t Used = Bytes.size();
    unsigned Forks = 0;
};

void TakeGuidBytes(std::uint8_t* out, std::size_t size) {
    static const int registered = pthread_atfork(nullptr, nullptr, [] { gForks.fetch_add(1); });
    (void)registered;
    thread_local TGuidPool pool;
    const unsigned forks = gForks.load();
    if (pool.Used + size > pool.Bytes.size() || pool.Forks != forks) {
        FillRandom(pool.Bytes.data(), pool.Bytes.size());
        pool.Used = 0;
        pool.Forks = forks;
    }
    std::copy_n(pool.Bytes.data() + pool.Used, size, out);
    pool.Used += size;
}

}  // namespace

TDateTime NowAsDateTime() {
    const TDateTime fixed = gFixedNow.load();
    return std::isnan(fixed) ? WallClockNow() : fixed;
}

TFixedClock::TFixedClock(TDateTime now) : FFormer(gFixedNow.exchange(now)) {}

TFixedClock::~TFixedClock() {
    gFixedNow.store(FFormer);
}

TGuid CreateGuid() {
    TGuid guid;
    auto* bytes = guid.Bytes.data();
    TakeGuidBytes(bytes, guid.Bytes.size());
    // Version 4 sits in the top nibble of the third field, which the Windows layout stores
    // little-endian: its high byte is byte 7. The variant bits open the last eight bytes.
    bytes[7] = static_cast<std::uint8_t>((bytes[7] & 0x0F) | 0x40);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    return guid;
}

namespace {

long ZoneOffsetAt(std::int64_t unixSeconds) {
    const time_t when = static_cast<time_t>(unixSeconds);
    tm local{};
    localtime_r(&when, &local);
    return local.tm_gmtoff;
}

}  // namespace

TDateTime DateTimeFromUnixSeconds(std::int64_t unixSeconds) {
    const double localSeconds =
        static_cast<double>(unixSeconds) + static_cast<double>(ZoneOffsetAt(unixSeconds));
    return kUnixEpochAsDateTime + localSeconds / kSecondsPerDay;
}

std::int64_t UnixSecondsFromDateTime(TDateTime time) {
    const auto localSeconds =
        static_cast<std::int64_t>(std::llround((time - kUnixEpochAsDateTime) * kSecondsPerDay));
    // The zone's offset at the local time taken as UTC is off by at most the offset itself
    // near a change of offset; the second guess is the offset at the true moment.
    std::int64_t unixSeconds = localSeconds - ZoneOffsetAt(localSeconds);
    unixSeconds = localSeconds - ZoneOffsetAt(unixSeconds);
    return unixSeconds;
}
