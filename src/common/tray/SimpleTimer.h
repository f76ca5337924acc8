#pragma once

#include <QTimer>
#include <functional>

// A repeating timer with an on/off switch. Enabled says the timer is meant to run; it counts
// while it is enabled and also has a non-zero interval and a handler, so changing either of
// those pauses or resumes it without the owner having to re-enable it.
class TSimpleTimer {
public:
    using TTimerEvent = std::function<void(TSimpleTimer* sender)>;

    explicit TSimpleTimer(int interval = 1000, TTimerEvent onTimer = {});
    TSimpleTimer(const TSimpleTimer&) = delete;
    TSimpleTimer& operator=(const TSimpleTimer&) = delete;

    // Restarts the count from now; fails (and changes nothing) with interval 0.
    bool Start();
    // True when the timer was counting. With disable, Enabled is cleared as well.
    bool Stop(bool disable);

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    int Interval() const { return FInterval; }
    // Milliseconds; a negative value counts as 0. A running timer restarts with the new value.
    void SetInterval(int milliseconds);
    bool AutoDisable() const { return FAutoDisable; }
    void SetAutoDisable(bool autoDisable) { FAutoDisable = autoDisable; }
    const TTimerEvent& OnTimer() const { return FOnTimer; }
    void SetOnTimer(TTimerEvent handler);

    // Whether the timer is counting now (Enabled may be set while it is paused).
    bool IsRunning() const { return FTimer.isActive(); }

private:
    void Fire();

    QTimer FTimer;
    bool FEnabled = false;
    int FInterval;
    bool FAutoDisable = false;
    TTimerEvent FOnTimer;
};
