#include "TrayTests.h"
#include "common/tray/SimpleTimer.h"

#include <QTest>

namespace {
constexpr int Short = 20;      // ms: an interval that fires quickly
constexpr int Patience = 500;  // ms: the longest a test waits for a timer
}  // namespace

class TSimpleTimerTest : public QObject {
    Q_OBJECT

private slots:
    void startFailsAtIntervalZero() {
        int fired = 0;
        TSimpleTimer timer(0, [&](TSimpleTimer*) { ++fired; });
        QVERIFY(!timer.Start());
        QVERIFY(!timer.Enabled());
        timer.SetEnabled(true);
        QVERIFY(!timer.Enabled());
        QVERIFY(!timer.IsRunning());
        QTest::qWait(Short * 3);
        QCOMPARE(fired, 0);
    }

    void firesRepeatedlyWithItselfAsSenderUntilStopped() {
        int fired = 0;
        TSimpleTimer* seen = nullptr;
        TSimpleTimer timer(Short, [&](TSimpleTimer* sender) {
            ++fired;
            seen = sender;
        });
        QVERIFY(timer.Start());
        QVERIFY(timer.Enabled());
        QTRY_VERIFY_WITH_TIMEOUT(fired >= 2, Patience);
        QCOMPARE(seen, &timer);
        QVERIFY(timer.Stop(true));
        QVERIFY(!timer.Enabled());
        QVERIFY(!timer.Stop(true));  // nothing left to stop
        const int afterStop = fired;
        QTest::qWait(Short * 4);
        QCOMPARE(fired, afterStop);
    }

    void stopWithoutDisableKeepsEnabled() {
        TSimpleTimer timer(Short, [](TSimpleTimer*) {});
        timer.SetEnabled(true);
        QVERIFY(timer.Stop(false));
        QVERIFY(timer.Enabled());
        QVERIFY(!timer.IsRunning());
    }

    void autoDisableFiresOnce() {
        int fired = 0;
        TSimpleTimer timer(Short, [&](TSimpleTimer* sender) {
            ++fired;
            QVERIFY(!sender->Enabled());  // already off when the handler runs
        });
        timer.SetAutoDisable(true);
        timer.SetEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(fired, 1, Patience);
        QTest::qWait(Short * 4);
        QCOMPARE(fired, 1);
        QVERIFY(!timer.Enabled());
    }

    void newIntervalRestartsARunningTimer() {
        int fired = 0;
        TSimpleTimer timer(60000, [&](TSimpleTimer*) { ++fired; });
        timer.SetEnabled(true);
        timer.SetInterval(Short);
        QTRY_VERIFY_WITH_TIMEOUT(fired >= 1, Patience);
        QVERIFY(timer.Enabled());
    }

    void intervalZeroPausesWithoutDisabling() {
        int fired = 0;
        TSimpleTimer timer(Short, [&](TSimpleTimer*) { ++fired; });
        timer.SetEnabled(true);
        timer.SetInterval(0);
        QVERIFY(timer.Enabled());
        QVERIFY(!timer.IsRunning());
        QTest::qWait(Short * 4);
        QCOMPARE(fired, 0);
        timer.SetInterval(Short);
        QTRY_VERIFY_WITH_TIMEOUT(fired >= 1, Patience);
    }

    void removingTheHandlerPausesWithoutDisabling() {
        int fired = 0;
        TSimpleTimer timer(Short, [&](TSimpleTimer*) { ++fired; });
        timer.SetEnabled(true);
        timer.SetOnTimer({});
        QVERIFY(timer.Enabled());
        QVERIFY(!timer.IsRunning());
        timer.SetOnTimer([&](TSimpleTimer*) { ++fired; });
        QTRY_VERIFY_WITH_TIMEOUT(fired >= 1, Patience);
    }

    void disabledTimerIgnoresIntervalAndHandlerChanges() {
        int fired = 0;
        TSimpleTimer timer(Short);
        timer.SetInterval(Short * 2);
        timer.SetOnTimer([&](TSimpleTimer*) { ++fired; });
        QVERIFY(!timer.IsRunning());
        QTest::qWait(Short * 4);
        QCOMPARE(fired, 0);
    }
};

int RunSimpleTimerTests(int argc, char** argv) {
    TSimpleTimerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SimpleTimerTest.moc"
