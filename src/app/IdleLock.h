#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

// Reports when the program has had no keyboard or mouse input for a set time. It watches
// every event of the application; input only notes the time, and the timer, when it runs
// out, checks how long ago that was, so that a moving mouse costs no timer restarts.
class TIdleLock : public QObject {
    Q_OBJECT
public:
    explicit TIdleLock(QObject* parent = nullptr);
    ~TIdleLock() override;

    // Zero switches the watch off. A new time counts from now.
    void SetTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds Timeout() const { return FTimeout; }
    bool Active() const { return FTimeout.count() > 0; }

    // What the time since the last input is measured with: a monotonic clock unless a test
    // sets its own, so that no delay of the machine can decide its outcome.
    using TClock = std::function<std::chrono::milliseconds()>;
    void SetClock(TClock clock);

signals:
    // The set time passed without input; reported again after each further idle stretch.
    void Idle();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TimerRanOut();
    static bool IsInput(const QEvent& event);

    std::chrono::milliseconds FTimeout{0};
    QTimer FTimer;
    TClock FClock;
    std::chrono::milliseconds FLastInput{0};
    bool FWatching = false;
};
