#include "common/tray/SimpleTimer.h"

#include <algorithm>
#include <utility>

TSimpleTimer::TSimpleTimer(int interval, TTimerEvent onTimer)
    : FInterval(std::max(interval, 0)), FOnTimer(std::move(onTimer)) {
    QObject::connect(&FTimer, &QTimer::timeout, &FTimer, [this] { Fire(); });
}

bool TSimpleTimer::Start() {
    if (FInterval == 0) {
        return false;
    }
    if (FEnabled) {
        Stop(true);
    }
    FTimer.start(FInterval);
    FEnabled = true;
    return true;
}

bool TSimpleTimer::Stop(bool disable) {
    if (disable) {
        FEnabled = false;
    }
    const bool wasRunning = FTimer.isActive();
    FTimer.stop();
    return wasRunning;
}

void TSimpleTimer::SetEnabled(bool enabled) {
    if (enabled) {
        Start();
    } else {
        Stop(true);
    }
}

void TSimpleTimer::SetInterval(int milliseconds) {
    milliseconds = std::max(milliseconds, 0);
    if (milliseconds == FInterval) {
        return;
    }
    FInterval = milliseconds;
    if (!FEnabled) {
        return;
    }
    if (FInterval == 0) {
        Stop(false);
    } else {
        Start();
    }
}

void TSimpleTimer::SetOnTimer(TTimerEvent handler) {
    FOnTimer = std::move(handler);
    if (!FEnabled) {
        return;
    }
    if (!FOnTimer) {
        Stop(false);
    } else if (!FTimer.isActive() && FInterval != 0) {
        Start();
    }
}

void TSimpleTimer::Fire() {
    if (FAutoDisable) {
        Stop(true);
    }
    if (!FOnTimer) {
        return;
    }
    // A copy, so the handler may replace itself while it runs.
    const TTimerEvent handler = FOnTimer;
    handler(this);
}
