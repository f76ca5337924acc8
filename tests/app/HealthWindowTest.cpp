// The window's password health report: its findings, the breach list from the Options, its
// refresh when the records change, the way to a record, and its end at a lock.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppTestKit.h"
#include "app/HealthCommands.h"
#include "app/PassTree.h"
#include "app/TrayLock.h"
#include "app/UnitCofferix.h"
#include "common/Settings.h"
#include "health/PasswordSha1.h"
#include "support/RecordingServices.h"
#include "tray/RecordingTrayShell.h"

namespace {

const std::string kPassword = "Master-pass-for-health-1";
const std::string kBreached = "Qv7#lmZp!w9rTk2s";  // strong by both meters, but in the list

QString ListLine(const std::string& password, int count) {
    TSha1 sha1;
    PasswordSha1(password, sha1);
    TSha1Hex hex;
    Sha1ToHex(sha1.data(), hex);
    return QString::fromLatin1(hex.data(), hex.size()) + QStringLiteral(":%1").arg(count);
}

// The report's rows as "group|title|finding", sorted.
QStringList Rows(const QTableWidget& grid) {
    QStringList rows;
    for (int row = 0; row < grid.rowCount(); ++row) {
        rows << grid.item(row, 0)->text() + "|" + grid.item(row, 1)->text() + "|" +
                    grid.item(row, 2)->text();
    }
    rows.sort();
    return rows;
}

}  // namespace

class THealthWindowTest : public QObject {
    Q_OBJECT
public:
    explicit THealthWindowTest(TTestEnvironment& environment) : FEnvironment(environment) {}

private slots:
    void ReportFindsWeakReusedAndBreachedFollowsChangesAndEndsAtTheLock() {
        TRecordingServices services;
        ClearSettings();
        QTemporaryDir folder(FEnvironment.FilePath("case-XXXXXX"));
        const QString vault = folder.filePath("vault.dat");
        WriteVault(vault, kPassword,
                   {{"Mail", "home", "me", "password", "mail.org", ""},
                    {"Bank", "savings", "me", "Zx9!vB7#qL2@wE5$", "bank.org", ""},
                    {"Shop", "store", "me", "Zx9!vB7#qL2@wE5$", "shop.org", ""},
                    {"Web", "forum", "me", kBreached, "forum.org", ""}});
        const QString list = folder.filePath("pwned.txt");
        QStringList lines{ListLine(kBreached, 42), ListLine("password", 9999999)};
        lines.sort();
        QFile file(list);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write((lines.join("\r\n") + "\r\n").toLatin1());
        file.close();
        Settings::SetBreachListFile(list);

        Settings::SetDatabase(vault);
        TfrmCofferix window;
        auto shell = std::make_unique<TRecordingTrayShell>();
        window.TrayLock().SetTrayShell(std::move(shell));
        TDialogScript script;
        script.Attach(window);
        script.Then(OpenWith(kPassword));
        QVERIFY(window.FormCreate());
        window.TrayLock().ShowAtStart(false);

        Part<QAction>(window, "mnuPasswordHealth")->trigger();
        TfrmHealthReport* report = window.findChild<TfrmHealthReport*>();
        QVERIFY(report);
        report->WaitForRating();
        const auto* grid = Part<QTableWidget>(*report, "gridFindings");
        QCOMPARE(Rows(*grid),
                 QStringList({"Bank|savings|Reused", "Mail|home|Breached", "Mail|home|Weak",
                              "Shop|store|Reused", "Web|forum|Breached"}));
        QVERIFY(Part<QLabel>(*report, "lblMaster")->text().startsWith("Master password: "));
        for (int row = 0; row < grid->rowCount(); ++row) {
            for (int column = 0; column < grid->columnCount(); ++column) {
                QVERIFY(!grid->item(row, column)->text().contains("Zx9!vB7"));
            }
        }

        // Double-click: the record in the tree.
        for (int row = 0; row < grid->rowCount(); ++row) {
            if (grid->item(row, 1)->text() == "forum") {
                emit Part<QTableWidget>(*report, "gridFindings")->cellDoubleClicked(row, 0);
            }
        }
        const PNode selected = Part<TPassTree>(window, "PassTree")->FirstSelected();
        QVERIFY(selected);
        QCOMPARE(selected->Data.Title, std::string("forum"));

        // A change of the records: rated again once the changes settle.
        services.OkCancelAnswers = {true};
        Part<QAction>(window, "ActDelRecord")->trigger();
        QSignalSpy rated(report, &TfrmHealthReport::Rated);
        QVERIFY(rated.wait(5000));
        report->WaitForRating();
        QVERIFY(!Rows(*grid).join(",").contains("forum"));

        Part<QPushButton>(window, "btnLockApp")->click();
        QVERIFY(!window.findChild<TfrmHealthReport*>());
    }

private:
    TTestEnvironment& FEnvironment;
};

COFFERIX_APP_TEST_MAIN(THealthWindowTest)
#include "HealthWindowTest.moc"
