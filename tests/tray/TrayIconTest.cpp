#include "RecordingTrayShell.h"
#include "TrayTests.h"
#include "common/tray/CoolTrayIcon.h"

#include <QPixmap>
#include <QTest>
#include <QWidget>
#include <climits>
#include <memory>

namespace {
// A component on a recording shell; Desk is the shell it owns.
struct TTrayFixture {
    TRecordingTrayShell* Desk;
    std::unique_ptr<TCoolTrayIcon> Tray;
    QStringList Balloons;  // the balloon events, in order

    explicit TTrayFixture(QWidget* owner = nullptr) {
        auto shell = std::make_unique<TRecordingTrayShell>();
        Desk = shell.get();
        Tray = std::make_unique<TCoolTrayIcon>(owner, std::move(shell));
        Tray->OnBalloonHintShow = [this](TCoolTrayIcon*) { Balloons << "show"; };
        Tray->OnBalloonHintHide = [this](TCoolTrayIcon*) { Balloons << "hide"; };
        Tray->OnBalloonHintTimeout = [this](TCoolTrayIcon*) { Balloons << "timeout"; };
        Tray->OnBalloonHintClick = [this](TCoolTrayIcon*) { Balloons << "click"; };
    }
};

QIcon RedIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}
}  // namespace

class TTrayIconTest : public QObject {
    Q_OBJECT

private slots:
    void toolTipIsTheHintCutTo127() {
        TTrayFixture fixture;
        const QString longHint = QString(100, 'a') + QString(100, 'b');
        fixture.Tray->SetHint(longHint);
        QCOMPARE(fixture.Desk->ToolTip, longHint.left(127));
        QCOMPARE(fixture.Tray->Hint(), longHint);  // the hint itself is kept whole

        fixture.Tray->SetShowHint(false);
        QCOMPARE(fixture.Desk->ToolTip, QString());
        fixture.Tray->SetShowHint(true);
        QCOMPARE(fixture.Desk->ToolTip, longHint.left(127));
        fixture.Tray->SetHint(QString());
        QCOMPARE(fixture.Desk->ToolTip, QString());
        fixture.Tray->SetHint("Dravenor Cofferix FREE");
        QCOMPARE(fixture.Desk->ToolTip, QString("Dravenor Cofferix FREE"));
    }

    void cutNeverSplitsACharacter() {
        TTrayFixture fixture;
        // 126 letters, then a character outside the BMP that would straddle the limit.
        fixture.Tray->SetHint(QString(126, 'x') + QString::fromUcs4(U"\U0001F512") + "tail");
        QCOMPARE(fixture.Desk->ToolTip, QString(126, 'x'));
    }

    void addIconShowsItWithIconAndTip() {
        TTrayFixture fixture;
        QVERIFY(!fixture.Tray->IconVisible());
        QVERIFY(!fixture.Tray->UpdateIcon());  // not added yet
        const QIcon icon = RedIcon();
        fixture.Tray->SetIcon(icon);
        fixture.Tray->SetHint("tip");
        fixture.Tray->SetIconVisible(true);
        QVERIFY(fixture.Tray->IconVisible());
        QVERIFY(fixture.Desk->Shown);
        QCOMPARE(fixture.Desk->Icon.cacheKey(), icon.cacheKey());
        QCOMPARE(fixture.Desk->ToolTip, QString("tip"));
        QVERIFY(fixture.Tray->UpdateIcon());

        QVERIFY(fixture.Tray->RemoveIcon());
        QVERIFY(!fixture.Tray->IconVisible());
        QVERIFY(!fixture.Desk->Shown);
        QVERIFY(!fixture.Tray->RemoveIcon());  // nothing left to remove
    }

    void iconWaitsForTheNotificationArea() {
        TTrayFixture fixture;
        fixture.Desk->Available = false;
        QVERIFY(!fixture.Tray->AddIcon());
        QVERIFY(fixture.Tray->IconVisible());
        QVERIFY(!fixture.Desk->Shown);
        fixture.Tray->CheckTrayHost();
        QVERIFY(!fixture.Desk->Shown);

        fixture.Desk->Available = true;
        fixture.Tray->CheckTrayHost();
        QVERIFY(fixture.Desk->Shown);
    }

    void iconComesBackWithTheNotificationArea() {
        TTrayFixture fixture;
        QVERIFY(fixture.Tray->AddIcon());
        fixture.Desk->Calls.clear();
        fixture.Tray->CheckTrayHost();  // still there: nothing to do
        QCOMPARE(fixture.Desk->Calls, QStringList());

        fixture.Desk->Available = false;  // the panel went away...
        fixture.Tray->CheckTrayHost();
        fixture.Desk->Available = true;  // ...and a new one started
        fixture.Tray->CheckTrayHost();
        QCOMPARE(fixture.Desk->Calls, (QStringList{"hide", "show"}));
        QVERIFY(fixture.Desk->Shown);
    }

    void removedIconStaysAwayWhenTheNotificationAreaReturns() {
        TTrayFixture fixture;
        fixture.Tray->AddIcon();
        fixture.Tray->RemoveIcon();
        fixture.Desk->Available = false;
        fixture.Tray->CheckTrayHost();
        fixture.Desk->Available = true;
        fixture.Tray->CheckTrayHost();
        QVERIFY(!fixture.Desk->Shown);
    }

    void balloonIsCutToItsLimits() {
        TTrayFixture fixture;
        fixture.Tray->AddIcon();
        const QString title = QString(70, 't');
        const QString text = QString(300, 'm');
        QVERIFY(fixture.Tray->ShowBalloon(title, text, TBalloonHintIcon::Warning, 10));
        const TBalloonHint& shown = fixture.Tray->LastBalloon();
        QCOMPARE(shown.Title, title.left(63));
        QCOMPARE(shown.Text, text.left(255));
        QCOMPARE(shown.Icon, TBalloonHintIcon::Warning);
        QCOMPARE(shown.TimeoutMs, 10000);
        QCOMPARE(fixture.Desk->Calls.last(), "message:" + title.left(63) + "|" + text.left(255));
        QCOMPARE(fixture.Desk->LastMessageIcon, QSystemTrayIcon::Warning);
        QCOMPARE(fixture.Desk->LastMessageMs, 10000);
        QCOMPARE(fixture.Balloons, QStringList{"show"});
        QVERIFY(fixture.Tray->BalloonShown());
    }

    void balloonIconKindsAndTimeoutsMapSafely() {
        TTrayFixture fixture;
        fixture.Tray->AddIcon();
        fixture.Tray->ShowBalloon("t", "x", TBalloonHintIcon::Error, INT_MAX);
        QCOMPARE(fixture.Desk->LastMessageIcon, QSystemTrayIcon::Critical);
        QCOMPARE(fixture.Desk->LastMessageMs, INT_MAX / 1000 * 1000);
        fixture.Tray->ShowBalloon("t", "x", TBalloonHintIcon::Information, -5);
        QCOMPARE(fixture.Desk->LastMessageIcon, QSystemTrayIcon::Information);
        QCOMPARE(fixture.Desk->LastMessageMs, 0);
        fixture.Tray->ShowBalloon("t", "x", TBalloonHintIcon::None, 1);
        QCOMPARE(fixture.Desk->LastMessageIcon, QSystemTrayIcon::NoIcon);
    }

    void newBalloonHidesThePreviousFirst() {
        TTrayFixture fixture;
        fixture.Tray->AddIcon();
        fixture.Desk->Calls.clear();
        fixture.Tray->ShowBalloon("A", "first", TBalloonHintIcon::Information, 10);
        fixture.Tray->ShowBalloon("B", "second", TBalloonHintIcon::Information, 10);
        QCOMPARE(fixture.Desk->Calls,
                 (QStringList{"message:A|first", "hidemessage", "message:B|second"}));
        QCOMPARE(fixture.Balloons, (QStringList{"show", "hide", "show"}));
        QVERIFY(fixture.Tray->HideBalloon());
        QVERIFY(!fixture.Tray->BalloonShown());
        QCOMPARE(fixture.Balloons.last(), "hide");
    }

    void balloonFailsWithoutIconOrMessages() {
        TTrayFixture fixture;
        QVERIFY(!fixture.Tray->ShowBalloon("T", "text", TBalloonHintIcon::Information, 10));
        QCOMPARE(fixture.Tray->LastBalloon().Text, QString("text"));  // asked for, all the same
        fixture.Tray->AddIcon();
        fixture.Desk->Messages = false;
        QVERIFY(!fixture.Tray->ShowBalloon("T", "text", TBalloonHintIcon::Information, 10));
        fixture.Desk->Messages = true;
        fixture.Desk->Available = false;
        QVERIFY(!fixture.Tray->ShowBalloon("T", "text", TBalloonHintIcon::Information, 10));
        QVERIFY(!fixture.Desk->Calls.join(',').contains("message:"));
        QCOMPARE(fixture.Balloons, QStringList());
    }

    void balloonClickReachesTheOwnerOnce() {
        TTrayFixture fixture;
        TCoolTrayIcon* sender = nullptr;
        fixture.Tray->OnBalloonHintClick = [&](TCoolTrayIcon* from) {
            sender = from;
            fixture.Balloons << "click";
        };
        fixture.Tray->AddIcon();
        fixture.Tray->ShowBalloon("T", "Double Click here to unlock the program.",
                                  TBalloonHintIcon::Information, 10);
        fixture.Desk->OnMessageClicked();
        QCOMPARE(sender, fixture.Tray.get());
        QVERIFY(!fixture.Tray->BalloonShown());
        fixture.Tray->HideBalloon();  // already gone: no hide event, no shell call
        QCOMPARE(fixture.Balloons, (QStringList{"show", "click"}));
        QCOMPARE(fixture.Desk->Calls.count("hidemessage"), 0);
    }

    void balloonTimesOut() {
        TTrayFixture fixture;
        fixture.Tray->AddIcon();
        fixture.Tray->ShowBalloon("T", "x", TBalloonHintIcon::Information, 1);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.Balloons, (QStringList{"show", "timeout"}), 2000);
        QVERIFY(!fixture.Tray->BalloonShown());
    }

    void removingTheIconTakesTheBalloonDown() {
        TTrayFixture fixture;
        fixture.Tray->AddIcon();
        fixture.Tray->ShowBalloon("T", "x", TBalloonHintIcon::Information, 10);
        fixture.Tray->RemoveIcon();
        QCOMPARE(fixture.Balloons, (QStringList{"show", "hide"}));
        QCOMPARE(fixture.Desk->Calls.mid(fixture.Desk->Calls.size() - 2),
                 (QStringList{"hidemessage", "hide"}));
    }

    void destructionCallsNoHandler() {
        TTrayFixture fixture;
        fixture.Tray->AddIcon();
        fixture.Tray->ShowBalloon("T", "x", TBalloonHintIcon::Information, 10);
        fixture.Balloons.clear();
        fixture.Tray.reset();  // takes icon and balloon down, telling nobody
        QCOMPARE(fixture.Balloons, QStringList());
    }

    void hideAndRestoreTheMainWindow() {
        QWidget mainWindow;
        TTrayFixture fixture(&mainWindow);
        mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
        fixture.Tray->HideMainWindow();
        QVERIFY(!mainWindow.isVisible());
        fixture.Tray->RestoreMainWindow();
        QVERIFY(mainWindow.isVisible());

        mainWindow.showMinimized();
        QVERIFY(mainWindow.isMinimized());
        fixture.Tray->HideMainWindow();
        QVERIFY(!mainWindow.isVisible());
        fixture.Tray->RestoreMainWindow();
        QVERIFY(mainWindow.isVisible());
        QVERIFY(!mainWindow.isMinimized());
        QCOMPARE(mainWindow.windowState(), Qt::WindowNoState);
    }

    void restoreKeepsAMaximisedWindowMaximised() {
        QWidget mainWindow;
        TTrayFixture fixture(&mainWindow);
        mainWindow.setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
        mainWindow.show();
        fixture.Tray->RestoreMainWindow();
        QVERIFY(mainWindow.isVisible());
        QCOMPARE(mainWindow.windowState(), Qt::WindowMaximized);
    }
};

int RunTrayIconTests(int argc, char** argv) {
    TTrayIconTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TrayIconTest.moc"
