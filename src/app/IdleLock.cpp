#include "app/IdleLock.h"

#include <QCoreApplication>
#include <QEvent>

TIdleLock::TIdleLock(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("IdleLock"));
    FTimer.setSingleShot(true);
    connect(&FTimer, &QTimer::timeout, this, &TIdleLock::TimerRanOut);
}

TIdleLock::~TIdleLock() {
    if (FWatching && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
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
    FSinceInput.start();
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
        FSinceInput.start();
    }
    return QObject::eventFilter(watched, event);
}

void TIdleLock::TimerRanOut() {
    if (!Active()) {
        return;
    }
    const std::chrono::milliseconds idle(FSinceInput.elapsed());
    if (idle < FTimeout) {
        FTimer.start(FTimeout - idle);
        return;
    }
    FSinceInput.start();
    FTimer.start(FTimeout);
    emit Idle();
}
