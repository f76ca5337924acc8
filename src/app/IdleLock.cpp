#include "app/IdleLock.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

std::chrono::milliseconds SteadyNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

}  // namespace

TIdleLock::TIdleLock(QObject* parent) : QObject(parent), FClock(SteadyNow) {
    setObjectName(QStringLiteral("IdleLock"));
    FTimer.setSingleShot(true);
    connect(&FTimer, &QTimer::timeout, this, &TIdleLock::TimerRanOut);
}

TIdleLock::~TIdleLock() {
    if (FWatching && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void TIdleLock::SetClock(TClock clock) {
    FClock = clock ? std::move(clock) : TClock(SteadyNow);
    FLastInput = FClock();
}

void TIdleLock::SetTimeout(std::chrono::milliseconds timeout) {
    FTimeout = timeout;
    QCoreApplication* application = QCoreApplication::instance();
    if (!Active() || application == nullptr) {
        FTimer.stop();
        if (FWatching && application != nullptr) {
            application->removeEventFilter(this);
        }
        FWatching = false;
        return;
    }
    if (!FWatching) {
        application->installEventFilter(this);
        FWatching = true;
    }
    FLastInput = FClock();
    FTimer.start(FTimeout);
}

// Only what the user does: events the program makes itself (a synthetic mouse move after a
// window appears under the pointer) are not spontaneous.
bool TIdleLock::IsInput(const QEvent& event) {
    if (!event.spontaneous()) {
        return false;
    }
    switch (event.type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
            return true;
        default:
            return false;
    }
}

bool TIdleLock::eventFilter(QObject* watched, QEvent* event) {
    if (IsInput(*event)) {
        FLastInput = FClock();
    }
    return QObject::eventFilter(watched, event);
}

void TIdleLock::TimerRanOut() {
    if (!Active()) {
        return;
    }
    const std::chrono::milliseconds idle = FClock() - FLastInput;
    if (idle < FTimeout) {
        FTimer.start(FTimeout - idle);
        return;
    }
    FLastInput = FClock();
    FTimer.start(FTimeout);
    emit Idle();
}
