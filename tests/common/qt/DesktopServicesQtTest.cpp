#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "CommonQtTests.h"
#include "common/ClipboardGuard.h"
#include "common/Services.h"
#include "common/TextCodec.h"

namespace {

// Runs action on the next modal window once it is shown. Should the action leave it open,
// the window is rejected after a while, so that a faulty test fails instead of hanging.
class TModalDriver : public QObject {
public:
    explicit TModalDriver(std::function<void(QWidget*)> action) : FAction(std::move(action)) {
        connect(&FTimer, &QTimer::timeout, this, [this]() { Poll(); });
        FTimer.start(20);
    }

    bool Acted() const { return FActed; }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            return;
        }
        if (!FActed) {
            FActed = true;
            FAction(modal);
            return;
        }
        if (++FPollsSinceAction > 100) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            }
        }
    }

    std::function<void(QWidget*)> FAction;
    QTimer FTimer;
    bool FActed = false;
    int FPollsSinceAction = 0;
};

struct TSeenBox {
    QString Caption;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;
};

// Records what the box shows and presses the given button.
std::function<void(QWidget*)> SeeBoxAndPress(TSeenBox& seen, QMessageBox::StandardButton button) {
    return [&seen, button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            return;
        }
        seen = TSeenBox{box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        box->button(button)->click();
    };
}

QtMessageHandler gPreviousHandler = nullptr;
QStringList gLoggedLines;

void RecordDebugLine(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtDebugMsg && qstrcmp(context.category, "cofferix.debug") == 0) {
        gLoggedLines.append(text);
        return;
    }
    gPreviousHandler(type, context, text);
}

}  // namespace

// The real desktop backend, with every window driven from the test.
class TDesktopServicesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetServicesBackend(nullptr); }

    void MessageBoxesHaveTheirCaptionIconAndButtons() {
        TSeenBox seen;
        {
            TModalDriver driver(SeeBoxAndPress(seen, QMessageBox::Ok));
            ShowWarning(QStringLiteral("Need at least 6 letters for the password!"));
            QVERIFY(driver.Acted());
        }
        QCOMPARE(seen.Caption, QStringLiteral("Warning"));
        QCOMPARE(seen.Icon, QMessageBox::Warning);
        QCOMPARE(seen.Text, QStringLiteral("Need at least 6 letters for the password!"));
        QCOMPARE(seen.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        {
            TModalDriver driver(SeeBoxAndPress(seen, QMessageBox::Ok));
            ShowInformation(QStringLiteral("Backup the database successfully!"));
        }
        QCOMPARE(seen.Caption, QStringLiteral("Information"));
        QCOMPARE(seen.Icon, QMessageBox::Information);
        {
            TModalDriver driver(SeeBoxAndPress(seen, QMessageBox::Ok));
            ShowError(QStringLiteral("Stream read error"));
        }
        QCOMPARE(seen.Icon, QMessageBox::Critical);
    }

    void AskOkCancelIsFalseForCancelAndEscape() {
        TSeenBox seen;
        {
            TModalDriver driver(SeeBoxAndPress(seen, QMessageBox::Ok));
            QVERIFY(AskOkCancel(nullptr, QStringLiteral("Are you sure to delete these records?")));
        }
        QCOMPARE(seen.Caption, QStringLiteral("Query"));
        QCOMPARE(seen.Icon, QMessageBox::Question);
        QCOMPARE(seen.Buttons, QMessageBox::Ok | QMessageBox::Cancel);
        {
            TModalDriver driver(SeeBoxAndPress(seen, QMessageBox::Cancel));
            QVERIFY(!AskOkCancel(nullptr, QStringLiteral("again")));
        }
        {
            TModalDriver driver([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
            QVERIFY(!AskOkCancel(nullptr, QStringLiteral("escape")));
            QVERIFY(driver.Acted());
        }
    }

    void InputBoxRefusesForeignTextAndGivesTheDefaultAfterCancel() {
        {
            TModalDriver driver([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
            QCOMPARE(InputBox(nullptr, QStringLiteral("Rename Group"), QStringLiteral("p"),
                              QStringLiteral("Mail")),
                     QStringLiteral("Mail"));
        }
        QString caption;
        bool validated = false;
        {
            TModalDriver driver([&](QWidget* modal) {
                auto* dialog = qobject_cast<QInputDialog*>(modal);
                caption = dialog->windowTitle();
                auto* edit = dialog->findChild<QLineEdit*>();
                validated = qobject_cast<const TAnsiValidator*>(edit->validator()) != nullptr;
                edit->selectAll();
                QTest::keyClicks(edit, "Bank");
                dialog->accept();
            });
            QCOMPARE(InputBox(nullptr, QStringLiteral("Rename Group"), QStringLiteral("p"),
                              QStringLiteral("Mail")),
                     QStringLiteral("Bank"));
        }
        QCOMPARE(caption, QStringLiteral("Rename Group"));
        QVERIFY(validated);
    }

    void FileDialogsTakeBarFiltersAndAnswerEmptyWhenCancelled() {
        QStringList filters;
        QString suffix;
        {
            TModalDriver driver([&](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                filters = dialog->nameFilters();
                suffix = dialog->defaultSuffix();
                dialog->reject();
            });
            QCOMPARE(
                ServicesBackend().SaveFileName(nullptr, QStringLiteral("Text files|*.txt|All|*.*"),
                                               QStringLiteral("txt"), QString()),
                QString());
        }
        QCOMPARE(filters, (QStringList{"Text files (*.txt)", "All (*.*)"}));
        QCOMPARE(suffix, QStringLiteral("txt"));
        {
            TModalDriver driver([&](QWidget* modal) {
                filters = qobject_cast<QFileDialog*>(modal)->nameFilters();
                qobject_cast<QDialog*>(modal)->reject();
            });
            QCOMPARE(ServicesBackend().OpenFileName(nullptr, QStringLiteral("Database (*.dat)"),
                                                    QString()),
                     QString());
        }
        QCOMPARE(filters, QStringList{"Database (*.dat)"});
    }

    void ClipboardHoldsThePlacedTextAndMarksSecrets() {
        QVERIFY(CopyTextToClipboard(QStringLiteral("pa\u20ACss")));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("pa\u20ACss"));
        const QString hint = QString::fromLatin1(TClipboardGuard::kHintFormat);
        QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasFormat(hint));
        QVERIFY(CopyTextToClipboard(QString()));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
        QVERIFY(CopySecretToClipboard(QStringLiteral("s3cret")));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("s3cret"));
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data(hint), QByteArray("secret"));
        QCOMPARE(ServicesBackend().ClipboardData()->text(), QStringLiteral("s3cret"));
        ServicesBackend().ClearClipboard();
        QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
    }

    void DebugLogIsSilentUntilItsCategoryIsEnabled() {
        gLoggedLines.clear();
        gPreviousHandler = qInstallMessageHandler(RecordDebugLine);
        DebugLog(QStringLiteral("11"));
        QLoggingCategory::setFilterRules(QStringLiteral("cofferix.debug.debug=true"));
        DebugLog(QStringLiteral("12"));
        QLoggingCategory::setFilterRules(QString());
        DebugLog(QStringLiteral("13"));
        qInstallMessageHandler(gPreviousHandler);
        QCOMPARE(gLoggedLines, QStringList{"KLOMP:12"});
    }
};

int RunDesktopServicesTests(int argc, char** argv) {
    TDesktopServicesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DesktopServicesQtTest.moc"
