#pragma once

#include <cstdint>

#include "vault/NodeData.h"

// The local wall clock as days since 1899-12-30, or the time a TFixedClock set. Every time the
// core stamps (records added, vaults created, passwords changed) is taken here.
TDateTime NowAsDateTime();

// Stops the clock at a given time while it lives, so that a test can know what the core
// stamps; the clock before it comes back at its end. Nest in scope order only.
class TFixedClock {
public:
    explicit TFixedClock(TDateTime now);
    ~TFixedClock();
    TFixedClock(const TFixedClock&) = delete;
    TFixedClock& operator=(const TFixedClock&) = delete;

private:
    TDateTime FFormer;
};

// 16 random bytes from the operating system, shaped as a version-4 UUID in the Windows layout.
TGuid CreateGuid();

// The local wall-clock time, as NowAsDateTime counts it, of seconds since 1970-01-01 UTC, and
// back. Other programs' files count time in UTC.
TDateTime DateTimeFromUnixSeconds(std::int64_t unixSeconds);
std::int64_t UnixSecondsFromDateTime(TDateTime time);
