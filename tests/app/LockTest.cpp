// "Lock WorkSpace" and every way back: the icon's double click, single click and balloon, a
// second start of the program, the tray menu while locked, and the desktop without a
// notification area. The icon lives in a recording notification area; the tests feed it the
// reports the desktop would deliver.
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppTestKit.h"
#include "app/PassTree.h"
#include "app/TrayLock.h"
#include "app/UnitCofferix.h"
#include "base/StringTable.h"
#include "common/Settings.h"
#include "common/TextCodec.h"
#include "common/tray/CoolTrayIcon.h"
#include "dialogs/UnitCheckPass.h"
#include "dialogs/UnitNewRecord.h"
#include "support/RecordingServices.h"
#include "tray/RecordingTrayShell.h"
#include "vault/VaultOperations.h"

namespace {

const std::string kPassword = "master-1";
const QString kTitle = QStringLiteral("Dravenor Cofferix FREE");
const QString kCheckPassword = QStringLiteral("TfrmCheckPassword");
// Short, so that the single-click tests wait little for the component's click decision.
constexpr int kDoubleClickMs = 40;

// Types the password into the unlock dialog and presses OK.
TDialogScript::TAnswer UnlockWith(const std::string& password) {
    return Answer<TfrmCheckPassword>([password](TfrmCheckPassword& dialog) {
        dialog.EditPass->setText(AnsiToQString(password));
        dialog.btnOKClick();
    });
}

// Puts bytes into the file in place, as a program that writes over it would.
void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Lets timers and posted events run for a while, from inside a dialog answer too.
void Spin(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

// A user who takes longer than the double-click time over the dialog, then answers.
TDialogScript::TAnswer TakeTimeThen(TDialogScript::TAnswer answer) {
    return [answer](QDialog& dialog) {
        Spin(3 * kDoubleClickMs);
        return answer(dialog);
    };
}

}  // namespace

class TLockTest : public QObject {
    Q_OBJECT
public:
    explicit TLockTest(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void initTestCase() { QApplication::setDoubleClickInterval(kDoubleClickMs); }

    void init() {
        FServices = std::make_unique<TRecordingServices>();
        ClearSettings();
        FFolder = std::make_unique<QTemporaryDir>(FEnvironment.FilePath("case-XXXXXX"));
        FVault = FFolder->filePath("vault.dat");
        WriteVault(FVault, kPassword, {{"Mail", "home", "me", "pw", "mail.org", ""}});
        FScript = std::make_unique<TDialogScript>();
    }

    void cleanup() {
        FWindow.reset();
        FScript.reset();
        FServices.reset();
    }

    void StartUpShowsTheIconWithTitleIconAndMenu() {
        StartWindow(true);
        QVERIFY(FShell->Shown);
        QCOMPARE(FShell->ToolTip, kTitle);
        QVERIFY(!FShell->Icon.isNull());
        QVERIFY(!FWindow->windowIcon().isNull());
        QVERIFY(!QApplication::windowIcon().isNull());
        QMenu* menu = FWindow->TrayLock().PopupTray();
        QCOMPARE(FShell->Menu, menu);
        const QList<QAction*> items = menu->actions();
        QCOMPARE(items.size(), 4);
        QCOMPARE(items[0], Part<QAction>(*FWindow, "ActPassGen"));
        QCOMPARE(items[1], Part<QAction>(*FWindow, "ActAddRecord"));
        QVERIFY(items[2]->isSeparator());
        QCOMPARE(items[3], Part<QAction>(*FWindow, "ActExit"));
        QCOMPARE(items[0]->text(), QStringLiteral("Password Generator"));
        QCOMPARE(items[1]->text(), QStringLiteral("Add Record"));
        QCOMPARE(items[3]->text(), QStringLiteral("Close"));
    }

    void LockHidesOnlyTheWindowAndShowsTheBalloon() {
        StartWindow(true);
        Part<QAction>(*FWindow, "ActPassGen")->trigger();
        QCOMPARE(FWindow->GeneratorWindows().size(), 1);
        Part<QPushButton>(*FWindow, "btnLockApp")->click();

        QVERIFY(!FWindow->isVisible());
        QVERIFY(FWindow->TrayLock().IsLocked());
        const TBalloonHint& balloon = FWindow->TrayLock().CoolTrayIcon().LastBalloon();
        QCOMPARE(balloon.Title, kTitle);
        QCOMPARE(balloon.Text, QStringLiteral("Double Click here to unlock the program."));
        QCOMPARE(balloon.Icon, TBalloonHintIcon::Information);
        QCOMPARE(balloon.TimeoutMs, 10000);
        QVERIFY(FShell->Calls.contains(
            "message:Dravenor Cofferix FREE|Double Click here to unlock the program."));
        // The vault stays open, its records in the file, and the other windows stay as they were.
        QVERIFY(FWindow->GeneratorWindows().first()->isVisible());
        QCOMPARE(FWindow->Vault().Password(), kPassword);
        QCOMPARE(FWindow->DatabaseFile(), FVault);
        QCOMPARE(FWindow->RecordTree().Count(), std::size_t{0});
        QVERIFY(!FWindow->TrayLock().IsLockedOnTaskbar());
    }

    // Locked, the window holds no record: the tree and the model are empty, and the copied
    // password's characters are overwritten. The unlock reads the vault again, and the view
    // comes back as it was: the open group, the selected record, the scroll.
    void LockDropsTheRecordsAndUnlockBringsTheViewBack() {
        std::vector<TRecordSpec> records{{"Mail", "home", "me", "pw", "mail.org", ""}};
        for (int i = 0; i < 60; ++i) {
            const std::string number = std::to_string(i);
            records.push_back({"Web", "site " + number, "", "pw-" + number, "", ""});
        }
        FVault = FFolder->filePath("many.dat");
        WriteVault(FVault, kPassword, records);
        StartWindow(true);
        auto& view = *Part<TPassTree>(*FWindow, "PassTree");
        const QStringList outline = Outline(FWindow->RecordTree());
        view.expand(FWindow->Model().IndexOf(FindByTitle(FWindow->RecordTree(), "Web")));
        view.SelectOnly(FindByTitle(FWindow->RecordTree(), "site 40"));
        view.scrollTo(view.currentIndex(), QAbstractItemView::PositionAtTop);
        const int scroll = view.verticalScrollBar()->value();
        QVERIFY(scroll > 0);
        FWindow->PassTreeGetPopupMenu(view.currentIndex().siblingAtColumn(2));
        Part<QAction>(*FWindow, "mnuCopy")->trigger();
        const QString copied = FServices->ClipboardData()->text();  // the clipboard's characters
        QCOMPARE(copied, QStringLiteral("pw-40"));

        Lock();
        QCOMPARE(FWindow->Model().rowCount(), 0);
        QCOMPARE(FWindow->RecordTree().Count(), std::size_t{0});
        QVERIFY(FWindow->Vault().Session().IsDropped());
        QCOMPARE(copied, QString(5, QChar(u'\0')));

        FScript->Then(UnlockWith(kPassword));
        DoubleClickIcon();
        QVERIFY(FWindow->isVisible());
        QCOMPARE(Outline(FWindow->RecordTree()), outline);
        const PNode site = FindByTitle(FWindow->RecordTree(), "site 40");
        QVERIFY(
            view.isExpanded(FWindow->Model().IndexOf(FindByTitle(FWindow->RecordTree(), "Web"))));
        QVERIFY(
            !view.isExpanded(FWindow->Model().IndexOf(FindByTitle(FWindow->RecordTree(), "Mail"))));
        QCOMPARE(view.SelectedNodes(), std::vector<PNode>{site});
        QCOMPARE(FWindow->Model().NodeOf(view.currentIndex()), site);
        QCOMPARE(view.verticalScrollBar()->value(), scroll);
        QVERIFY(Part<QAction>(*FWindow, "ActEditRecord")->isEnabled());
    }

    // A change that the lock cannot save stays in memory, and the unlock saves it; one that the
    // lock can save is saved before its records go.
    void UnsavedChangeIsSavedAtTheLockOrKeptUntilTheUnlock() {
        StartWindow(true);
        auto foreign = std::make_unique<TForeignLock>(FVault);
        FScript->Then(RecordWith({"Mail", "first", "", "pw-1", "", ""}));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        FWindow->Vault().StopWaiting();  // the wait for the other program ends unsaved
        Lock();
        QVERIFY(FindByTitle(FWindow->RecordTree(), "first"));
        QVERIFY(FWindow->Vault().HasUnsavedChanges());
        FWindow->Vault().StopWaiting();
        foreign.reset();
        QVERIFY(!FindByTitle(*ReadVault(FVault, kPassword), "first"));
        FScript->Then(UnlockWith(kPassword));
        DoubleClickIcon();
        QVERIFY(!FWindow->Vault().HasUnsavedChanges());
        QVERIFY(FindByTitle(*ReadVault(FVault, kPassword), "first"));
        QCOMPARE(Outline(FWindow->RecordTree()), Outline(*ReadVault(FVault, kPassword)));

        foreign = std::make_unique<TForeignLock>(FVault);
        FScript->Then(RecordWith({"Mail", "second", "", "pw-2", "", ""}));
        Part<QAction>(*FWindow, "ActAddRecord")->trigger();
        FWindow->Vault().StopWaiting();
        foreign.reset();
        Lock();
        QCOMPARE(FWindow->RecordTree().Count(), std::size_t{0});
        QVERIFY(!FWindow->Vault().HasUnsavedChanges());
        QVERIFY(FindByTitle(*ReadVault(FVault, kPassword), "second"));
        QVERIFY(FServices->Boxes.isEmpty());
    }

    // The file changes between the unlock's check of the password and its read. Gone: the
    // user is told that the file is the matter, nothing is written, and the records come back
    // once the file is there again. Re-keyed elsewhere: the window asks for the new password.
    void FileChangedUnderTheUnlockIsToldAndLosesNothing() {
        StartWindow(true);
        const QByteArray whole = FileBytes(FVault);
        const TDialogScript::TAnswer unlock = UnlockWith(kPassword);
        Lock();
        FScript->Then([&](QDialog& dialog) {
            const int result = unlock(dialog);
            QFile::remove(FVault);
            return result;
        });
        DoubleClickIcon();
        QVERIFY(FWindow->isVisible());
        QCOMPARE(FWindow->RecordTree().Count(), std::size_t{0});
        QStringList warnings = FServices->BoxTexts(IServicesBackend::TBoxKind::Warning);
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings.first().startsWith(
            QStringLiteral("The records could not be read again from the database:")));
        WriteBytes(FVault, whole);
        QTRY_COMPARE(FWindow->RecordTree().Count(), std::size_t{2});
        QCOMPARE(FileBytes(FVault), whole);

        Lock();
        FScript->Then([&](QDialog& dialog) {
            const int result = unlock(dialog);
            VaultChangePassword(NativePath(FVault), kPassword, "new-master-2");
            return result;
        });
        FScript->Then(UnlockWith("new-master-2"));
        DoubleClickIcon();
        QTRY_VERIFY(FWindow->isVisible());
        QCOMPARE(FScript->Shown.count(kCheckPassword), 3);
        warnings = FServices->BoxTexts(IServicesBackend::TBoxKind::Warning);
        QCOMPARE(warnings.size(), 2);
        QCOMPARE(warnings.last(), Tr(Str::sPasswordChangedElsewhere));
        QCOMPARE(Outline(FWindow->RecordTree()), Outline(*ReadVault(FVault, "new-master-2")));
    }

    void DoubleClickAsksEveryTimeUntilTheRightPassword() {
        StartWindow(true);
        Lock();
        QString dbFileName;
        QWidget* owner = nullptr;
        FScript->Then(Answer<TfrmCheckPassword>([&](TfrmCheckPassword& dialog) {
            dbFileName = dialog.DbFileName;
            owner = dialog.parentWidget();
            dialog.btnCancel->click();
        }));
        DoubleClickIcon();
        QCOMPARE(dbFileName, FVault);
        QCOMPARE(owner, FWindow.get());
        QVERIFY(!FWindow->isVisible());
        QVERIFY(!FWindow->TrayLock().UnlockDialog());
        QVERIFY(FWindow->findChildren<TfrmCheckPassword*>().isEmpty());  // destroyed

        // A wrong password keeps the dialog open and the window hidden.
        int resultAfterWrong = -1;
        bool shownAfterWrong = true;
        FScript->Then(Answer<TfrmCheckPassword>([&](TfrmCheckPassword& dialog) {
            dialog.EditPass->setText(QStringLiteral("master-2"));
            dialog.btnOKClick();
            resultAfterWrong = dialog.result();
            shownAfterWrong = FWindow->isVisible();
            dialog.EditPass->setText(AnsiToQString(kPassword));
            dialog.btnOKClick();
        }));
        DoubleClickIcon();
        QCOMPARE(resultAfterWrong, 0);
        QVERIFY(!shownAfterWrong);
        QCOMPARE(FScript->Shown.count(kCheckPassword), 2);
        QVERIFY(FWindow->isVisible());
        QVERIFY(!FWindow->TrayLock().IsLocked());
        QVERIFY(!FWindow->TrayLock().UnlockDialog());
        QVERIFY(FServices->Boxes.isEmpty());
    }

    void RequestsWhileTheDialogIsOpenOnlyBringItForward() {
        StartWindow(true);
        Lock();
        QWidget* activeBeforeRequest = nullptr;
        QWidget* activeAfterRequest = nullptr;
        TfrmCheckPassword* heldDialog = nullptr;
        FScript->Then(Answer<TfrmCheckPassword>([&](TfrmCheckPassword& dialog) {
            dialog.show();
            Part<QAction>(*FWindow, "ActPassGen")->trigger();  // another window takes the focus
            QWidget* generator = FWindow->GeneratorWindows().first();
            generator->activateWindow();
            Spin(20);
            activeBeforeRequest = QApplication::activeWindow();
            DoubleClickIcon();
            ClickBalloon();
            FWindow->OnInstanceMessage(TfrmCofferix::kInstanceMessage);
            Spin(20);
            activeAfterRequest = QApplication::activeWindow();
            heldDialog = FWindow->TrayLock().UnlockDialog();
            dialog.btnCancel->click();
        }));
        DoubleClickIcon();
        Spin(20);  // the second start's request, if it were still pending
        QCOMPARE(FScript->Shown.count(kCheckPassword), 1);
        QVERIFY(heldDialog != nullptr);
        QVERIFY(activeBeforeRequest != heldDialog);
        QCOMPARE(activeAfterRequest, static_cast<QWidget*>(heldDialog));
        QVERIFY(!FWindow->isVisible());
    }

    void ShownOrMinimisedWindowComesBackWithoutPassword() {
        StartWindow(true);
        FWindow->showMinimized();
        QVERIFY(FWindow->isMinimized());
        DoubleClickIcon();
        QVERIFY(!FWindow->isMinimized());
        QVERIFY(FWindow->isVisible());
        FWindow->showMinimized();
        ClickBalloon();
        QVERIFY(!FWindow->isMinimized());
        QCOMPARE(FScript->Shown.count(kCheckPassword), 0);
    }

    void BalloonClickUnlocksLikeADoubleClick() {
        StartWindow(true);
        Lock();
        FScript->Then(CancelDialog());
        ClickBalloon();
        QVERIFY(!FWindow->isVisible());
        FScript->Then(UnlockWith(kPassword));
        ClickBalloon();
        QCOMPARE(FScript->Shown.count(kCheckPassword), 2);
        QVERIFY(FWindow->isVisible());
    }

    // Desktops whose tray reports activation as a single click must reach the unlock too.
    void SingleClickUnlocks() {
        StartWindow(true);
        Lock();
        FScript->Then(UnlockWith(kPassword));
        Icon().HandleActivation(QSystemTrayIcon::Trigger);
        QVERIFY(!FWindow->isVisible());  // the click waits out the double-click time
        QTRY_VERIFY(FWindow->isVisible());
        QCOMPARE(FScript->Shown.count(kCheckPassword), 1);
    }

    // How X11 reports a double click (Trigger, then DoubleClick) and a press on the icon
    // while the balloon shows (messageClicked, then Trigger, each after the other's handler
    // returned): one dialog for each gesture, also after it was cancelled.
    void OneGestureOpensOneDialog() {
        StartWindow(true);
        Lock();
        FScript->Then(TakeTimeThen(CancelDialog()));
        Icon().HandleActivation(QSystemTrayIcon::Trigger);
        Icon().HandleActivation(QSystemTrayIcon::DoubleClick);
        Spin(3 * kDoubleClickMs);
        QCOMPARE(FScript->Shown.count(kCheckPassword), 1);

        FScript->Then(TakeTimeThen(CancelDialog()));
        Icon().HandleBalloon(TTrayBalloon::UserClick);
        Icon().HandleActivation(QSystemTrayIcon::Trigger);
        Spin(3 * kDoubleClickMs);
        QCOMPARE(FScript->Shown.count(kCheckPassword), 2);
        QVERIFY(!FWindow->isVisible());

        FScript->Then(TakeTimeThen(UnlockWith(kPassword)));
        Icon().HandleBalloon(TTrayBalloon::UserClick);
        Icon().HandleActivation(QSystemTrayIcon::Trigger);
        Spin(3 * kDoubleClickMs);
        QCOMPARE(FScript->Shown.count(kCheckPassword), 3);
        QVERIFY(FWindow->isVisible());
    }

    void TrayMenuWorksWhileLocked() {
        StartWindow(true);
        Lock();
        bool editorIsOwnWindow = false;
        bool editorShows = false;
        QStringList offered;
        const TDialogScript::TAnswer fill = RecordWith({"Web", "shop", "ann", "s3cret", "", ""});
        FScript->Then([&](QDialog& dialog) {
            editorIsOwnWindow = dialog.isWindow();
            dialog.show();
            editorShows = dialog.isVisible();
            if (const auto* editor = qobject_cast<TfrmNewRecord*>(&dialog)) {
                for (int i = 0; i < editor->cmbGroup->count(); ++i) {
                    offered << editor->cmbGroup->itemText(i);
                }
            }
            return fill(dialog);
        });
        QMenu* menu = FWindow->TrayLock().PopupTray();
        menu->actions()[1]->trigger();  // Add Record
        QCOMPARE(FScript->Shown, QStringList({"TfrmImportDb", "TfrmNewRecord"}));
        QVERIFY(editorIsOwnWindow);
        QVERIFY(editorShows);
        QCOMPARE(offered, QStringList{"Mail"});  // read from the file for the editor
        QVERIFY(!FWindow->isVisible());
        QVERIFY(ReadVault(FVault, kPassword)->Count() == 4);
        QVERIFY(Outline(*ReadVault(FVault, kPassword)).contains("  shop|ann|s3cret||"));
        QCOMPARE(FWindow->RecordTree().Count(), std::size_t{0});  // read for the change only

        menu->actions()[0]->trigger();  // Password Generator
        QCOMPARE(FWindow->GeneratorWindows().size(), 1);
        QVERIFY(FWindow->GeneratorWindows().first()->isVisible());
        QVERIFY(!FWindow->isVisible());
    }

    void SecondStartNeverShowsALockedWindowWithoutPassword() {
        StartWindow(true);
        Lock();
        FScript->Then(CancelDialog());
        FWindow->OnInstanceMessage(TfrmCofferix::kInstanceMessage);
        QTRY_COMPARE(FScript->Shown.count(kCheckPassword), 1);
        QVERIFY(!FWindow->isVisible());
        FScript->Then(UnlockWith(kPassword));
        FWindow->OnInstanceMessage(TfrmCofferix::kInstanceMessage);
        QTRY_VERIFY(FWindow->isVisible());
        // Shown again, the message only brings the window forward.
        FWindow->OnInstanceMessage(TfrmCofferix::kInstanceMessage);
        Spin(20);
        QCOMPARE(FScript->Shown.count(kCheckPassword), 2);
    }

    void AutorunShowsOnlyTheIcon() {
        StartWindow(true, TStart::Autorun);
        QVERIFY(!FWindow->isVisible());
        QVERIFY(FShell->Shown);
        // The never placed window gives the dialog no middle: it stands in the screen's.
        QPoint offCentre;
        const TDialogScript::TAnswer unlock = UnlockWith(kPassword);
        FScript->Then([&](QDialog& dialog) {
            offCentre =
                dialog.frameGeometry().center() - FWindow->screen()->availableGeometry().center();
            return unlock(dialog);
        });
        DoubleClickIcon();
        QCOMPARE(FScript->Shown.count(kCheckPassword), 1);
        QVERIFY(offCentre.manhattanLength() <= 2);
        QVERIFY(FWindow->isVisible());
    }

    void WithoutTrayLockKeepsTheWindowOnTheTaskbarLocked() {
        StartWindow(false);
        Part<QPushButton>(*FWindow, "btnLockApp")->click();
        TTrayLock& lock = FWindow->TrayLock();
        QVERIFY(lock.IsLockedOnTaskbar());
        QVERIFY(lock.IsLocked());
        QVERIFY(FWindow->isVisible());
        QVERIFY(FWindow->isMinimized());
        QVERIFY(RecordsAreHidden());
        QVERIFY(FWindow->menuBar()->isHidden());
        QVERIFY(!Part<QPushButton>(*FWindow, "btnLockApp")->isVisible());
        QVERIFY(lock.LockPanel() && !lock.LockPanel()->isHidden());
        QVERIFY(!FShell->Calls.join(' ').contains("message:"));

        // Restored from the taskbar: the password first; Cancel puts it back down.
        FScript->Then(CancelDialog());
        FWindow->setWindowState(Qt::WindowNoState);
        QTRY_COMPARE(FScript->Shown.count(kCheckPassword), 1);
        QVERIFY(FWindow->isMinimized());
        QVERIFY(RecordsAreHidden());

        // A second start asks as well.
        FScript->Then(CancelDialog());
        FWindow->OnInstanceMessage(TfrmCofferix::kInstanceMessage);
        QTRY_COMPARE(FScript->Shown.count(kCheckPassword), 2);
        QVERIFY(lock.IsLockedOnTaskbar());

        // Restored again, the right password unlocks.
        FScript->Then(UnlockWith(kPassword));
        FWindow->setWindowState(Qt::WindowNoState);
        QTRY_COMPARE(FScript->Shown.count(kCheckPassword), 3);
        QVERIFY(!lock.IsLocked());
        QVERIFY(!FWindow->isMinimized());
        QVERIFY(!FWindow->ShowsLockPage() && Part<TPassTree>(*FWindow, "PassTree")->isVisible());
        QVERIFY(!FWindow->menuBar()->isHidden());
        QVERIFY(lock.LockPanel()->isHidden());
        Spin(20);
        QCOMPARE(FScript->Shown.count(kCheckPassword), 3);
    }

    void UnlockButtonOfTheLockedWindowAsks() {
        StartWindow(false);
        Part<QPushButton>(*FWindow, "btnLockApp")->click();
        auto* button = FWindow->findChild<QPushButton*>(QStringLiteral("btnUnlock"));
        QVERIFY(button);
        QCOMPARE(button->text(), QStringLiteral("Unlock"));
        FScript->Then(UnlockWith(kPassword));
        button->click();
        QCOMPARE(FScript->Shown.count(kCheckPassword), 1);
        QVERIFY(!FWindow->TrayLock().IsLocked());
        QVERIFY(!FWindow->ShowsLockPage() && Part<TPassTree>(*FWindow, "PassTree")->isVisible());
    }

    void AutorunWithoutTrayStartsLockedOnTheTaskbar() {
        StartWindow(false, TStart::Autorun);
        QVERIFY(FWindow->isVisible());
        QVERIFY(FWindow->isMinimized());
        QVERIFY(FWindow->TrayLock().IsLockedOnTaskbar());
        QVERIFY(RecordsAreHidden());
    }

    void TrayGoneUnderAHiddenWindowLocksOnTheTaskbar() {
        StartWindow(true);
        Lock();
        FWindow->TrayLock().CheckTrayStillThere();
        QVERIFY(!FWindow->isVisible());  // the tray is still there
        FShell->Available = false;
        FWindow->TrayLock().CheckTrayStillThere();
        QVERIFY(FWindow->isVisible());
        QVERIFY(FWindow->isMinimized());
        QVERIFY(FWindow->TrayLock().IsLockedOnTaskbar());
        QVERIFY(RecordsAreHidden());
    }

    void LogoDoubleClickOpensTheHomePage() {
        StartWindow(true);
        QTest::mouseDClick(Part<QLabel>(*FWindow, "imgLogo"), Qt::LeftButton);
        QCOMPARE(FServices->OpenedTargets,
                 QStringList{QStringLiteral("https://www.dravenor.com/cofferix/")});
    }

private:
    // Nothing that shows or reaches the records is on screen: no widget of the records page
    // (whatever it holds), and no menu.
    bool RecordsAreHidden() const {
        const QWidget* page = FWindow->RecordsPage();
        if (page->isVisible() || !FWindow->ShowsLockPage() || FWindow->menuBar()->isVisible()) {
            return false;
        }
        const QList<QWidget*> widgets = page->findChildren<QWidget*>();
        return std::none_of(widgets.begin(), widgets.end(),
                            [](const QWidget* widget) { return widget->isVisible(); });
    }

    enum class TStart { Normal, Autorun };

    // The window started on the test vault, with a notification area that is there or not.
    void StartWindow(bool trayAvailable, TStart start = TStart::Normal) {
        Settings::SetDatabase(FVault);
        FWindow = std::make_unique<TfrmCofferix>();
        auto shell = std::make_unique<TRecordingTrayShell>();
        shell->Available = trayAvailable;
        FShell = shell.get();
        FWindow->TrayLock().SetTrayShell(std::move(shell));
        FScript->Attach(*FWindow);
        FScript->Then(OpenWith(kPassword));
        QVERIFY(FWindow->FormCreate());
        FWindow->TrayLock().ShowAtStart(start == TStart::Autorun);
    }

    void Lock() {
        Part<QPushButton>(*FWindow, "btnLockApp")->click();
        QVERIFY(!FWindow->isVisible());
    }

    TCoolTrayIcon& Icon() { return FWindow->TrayLock().CoolTrayIcon(); }

    // The desktop's report, and the event loop that carries it to the window.
    void DoubleClickIcon() {
        Icon().HandleMouse(TTrayMouse::LButtonDblClk);
        Spin(10);
    }

    void ClickBalloon() {
        Icon().HandleBalloon(TTrayBalloon::UserClick);
        Spin(10);
    }

    TTestEnvironment& FEnvironment;
    std::unique_ptr<TRecordingServices> FServices;
    std::unique_ptr<QTemporaryDir> FFolder;
    QString FVault;
    std::unique_ptr<TDialogScript> FScript;
    std::unique_ptr<TfrmCofferix> FWindow;
    TRecordingTrayShell* FShell = nullptr;
};

COFFERIX_APP_TEST_MAIN(TLockTest)
#include "LockTest.moc"
