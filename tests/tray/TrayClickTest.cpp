#include "RecordingTrayShell.h"
#include "TrayTests.h"
#include "common/tray/CoolTrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>
#include <memory>

namespace {
constexpr int DoubleClickTime = 80;  // ms, short to keep the tests fast
constexpr int Patience = 500;

using Reasons = QList<int>;

// A component on a recording shell with counters on its click events.
struct TClickFixture {
    TCoolTrayIcon Tray{nullptr, std::make_unique<TRecordingTrayShell>()};
    int Clicks = 0;
    int DoubleClicks = 0;
    QStringList Mouse;  // "down:<button>" / "up:<button>"

    TClickFixture() {
        Tray.OnClick = [this](TCoolTrayIcon*) { ++Clicks; };
        Tray.OnDblClick = [this](TCoolTrayIcon*) { ++DoubleClicks; };
        Tray.OnMouseDown = [this](TCoolTrayIcon*, Qt::MouseButton button, Qt::KeyboardModifiers,
                                  QPoint) { Mouse << QString("down:%1").arg(int(button)); };
        Tray.OnMouseUp = [this](TCoolTrayIcon*, Qt::MouseButton button, Qt::KeyboardModifiers,
                                QPoint) { Mouse << QString("up:%1").arg(int(button)); };
    }

    void Feed(const Reasons& reasons) {
        for (int reason : reasons) {
            Tray.HandleActivation(QSystemTrayIcon::ActivationReason(reason));
        }
    }
};
}  // namespace

class TTrayClickTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setDoubleClickInterval(DoubleClickTime); }

    void singleClickComesOneDoubleClickTimeLater() {
        TClickFixture fixture;
        QElapsedTimer elapsed;
        elapsed.start();
        fixture.Feed({QSystemTrayIcon::Trigger});
        QCOMPARE(fixture.Clicks, 0);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.Clicks, 1, Patience);
        // Coarse timers may fire up to 5% early.
        QVERIFY2(elapsed.elapsed() >= DoubleClickTime * 9 / 10,
                 qPrintable(QString::number(elapsed.elapsed())));
        QTest::qWait(DoubleClickTime * 2);
        QCOMPARE(fixture.Clicks, 1);
        QCOMPARE(fixture.DoubleClicks, 0);
    }

    void doubleClickRaisesOnlyDoubleClick_data() {
        QTest::addColumn<Reasons>("reasons");
        // X11 reports every press; Windows reports releases, the second after the double click.
        QTest::newRow("press, press, double") << Reasons{
            QSystemTrayIcon::Trigger, QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick};
        QTest::newRow("release, double, release") << Reasons{
            QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Trigger};
        QTest::newRow("press, double")
            << Reasons{QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick};
    }

    void doubleClickRaisesOnlyDoubleClick() {
        QFETCH(Reasons, reasons);
        TClickFixture fixture;
        fixture.Feed(reasons);
        QCOMPARE(fixture.DoubleClicks, 1);
        QTest::qWait(DoubleClickTime * 3);
        QCOMPARE(fixture.Clicks, 0);
        QCOMPARE(fixture.DoubleClicks, 1);
    }

    void clickAfterDoubleClickCountsAgain() {
        TClickFixture fixture;
        fixture.Feed({QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick});
        QTest::qWait(DoubleClickTime * 2);
        fixture.Feed({QSystemTrayIcon::Trigger});
        QTRY_COMPARE_WITH_TIMEOUT(fixture.Clicks, 1, Patience);
        QCOMPARE(fixture.DoubleClicks, 1);
    }

    void withoutDoubleClickHandlerTheClickIsImmediate() {
        TClickFixture fixture;
        fixture.Tray.OnDblClick = nullptr;
        fixture.Tray.HandleMouse(TTrayMouse::LButtonDown);
        QCOMPARE(fixture.Clicks, 0);
        fixture.Tray.HandleMouse(TTrayMouse::LButtonUp);
        QCOMPARE(fixture.Clicks, 1);
        // A release without its press is no click.
        fixture.Tray.HandleMouse(TTrayMouse::LButtonUp);
        QCOMPARE(fixture.Clicks, 1);
        QTest::qWait(DoubleClickTime * 2);
        QCOMPARE(fixture.Clicks, 1);
    }

    void activationsBecomePressesAndReleases() {
        TClickFixture fixture;
        fixture.Feed({QSystemTrayIcon::Trigger, QSystemTrayIcon::Context,
                      QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown});
        const QStringList expected{
            QString("down:%1").arg(int(Qt::LeftButton)),
            QString("up:%1").arg(int(Qt::LeftButton)),
            QString("down:%1").arg(int(Qt::RightButton)),
            QString("up:%1").arg(int(Qt::RightButton)),
            QString("down:%1").arg(int(Qt::MiddleButton)),
            QString("up:%1").arg(int(Qt::MiddleButton)),
        };
        QCOMPARE(fixture.Mouse, expected);
    }

    void rightPressOpensThePopupMenu() {
        TClickFixture fixture;
        QMenu menu;
        menu.addAction("Close");
        fixture.Tray.SetPopupMenu(&menu);
        fixture.Feed({QSystemTrayIcon::Context});
        QVERIFY(menu.isVisible());
        menu.close();
        QVERIFY(!menu.isVisible());
    }

    void doubleClickTriggersTheMenuDefaultItem() {
        TClickFixture fixture;
        QMenu menu;
        int triggered = 0;
        menu.addAction("Other", [&] { triggered += 100; });
        QAction* open = menu.addAction("Open", [&] { ++triggered; });
        fixture.Tray.SetPopupMenu(&menu);
        fixture.Feed({QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick});
        QCOMPARE(triggered, 0);  // no default item: nothing
        menu.setDefaultAction(open);
        fixture.Feed({QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick});
        QCOMPARE(triggered, 1);
    }

    void disabledIconIgnoresTheMouseButNotTheBalloon() {
        auto shell = std::make_unique<TRecordingTrayShell>();
        TRecordingTrayShell* desk = shell.get();
        TCoolTrayIcon tray(nullptr, std::move(shell));
        QMenu menu;
        menu.addAction("Close");
        tray.SetPopupMenu(&menu);
        int events = 0;
        int balloonClicks = 0;
        tray.OnClick = [&](TCoolTrayIcon*) { ++events; };
        tray.OnDblClick = [&](TCoolTrayIcon*) { ++events; };
        tray.OnMouseDown = [&](TCoolTrayIcon*, Qt::MouseButton, Qt::KeyboardModifiers, QPoint) {
            ++events;
        };
        tray.OnMouseMove = [&](TCoolTrayIcon*, Qt::KeyboardModifiers, QPoint) { ++events; };
        tray.OnBalloonHintClick = [&](TCoolTrayIcon*) { ++balloonClicks; };

        tray.SetEnabled(false);
        QCOMPARE(desk->Menu, nullptr);  // Qt must not open it by itself either
        for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick,
                            QSystemTrayIcon::Context, QSystemTrayIcon::MiddleClick}) {
            tray.HandleActivation(reason);
        }
        tray.HandleMouse(TTrayMouse::MouseMove);
        desk->OnMessageClicked();
        QTest::qWait(DoubleClickTime * 2);
        QCOMPARE(events, 0);
        QVERIFY(!menu.isVisible());
        QCOMPARE(balloonClicks, 1);

        tray.SetEnabled(true);
        QCOMPARE(desk->Menu, &menu);
        tray.HandleMouse(TTrayMouse::MouseMove);
        QCOMPARE(events, 1);
    }
};

int RunTrayClickTests(int argc, char** argv) {
    TTrayClickTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TrayClickTest.moc"
