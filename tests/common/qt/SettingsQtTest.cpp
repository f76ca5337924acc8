#include <QFile>
#include <QTest>

#include "CommonQtTests.h"
#include "common/Settings.h"
#include "support/TestEnvironment.h"

namespace {

QString SettingsFile() {
    return Environment().FilePath(QStringLiteral("config/Dravenor Cofferix FREE.conf"));
}

// Writes the settings file as another program (or a hand edit) would.
void WriteSettingsFile(const QByteArray& content) {
    QFile file(SettingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray ReadSettingsFile() {
    QFile file(SettingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QFile::remove(SettingsFile()); }

    void DefaultsWhenNothingIsStored() {
        QVERIFY(Settings::DisplayPass());
        QCOMPARE(Settings::Database(), QString());
    }

    void DatabaseRoundTripsIntoTheUsersConfigFile() {
        const QString path = QStringLiteral("/home/me/My Vaults, old/\u00C9t\u00E9 UserData.dat");
        Settings::SetDatabase(path);
        QCOMPARE(Settings::Database(), path);
        QVERIFY(QFile::exists(SettingsFile()));
        QVERIFY(ReadSettingsFile().contains("Database="));
    }

    void DisplayPassIsStoredAsZeroOrOne() {
        Settings::SetDisplayPass(false);
        QVERIFY(!Settings::DisplayPass());
        QVERIFY(ReadSettingsFile().contains("DisplayPass=0"));
        Settings::SetDisplayPass(true);
        QVERIFY(Settings::DisplayPass());
        QVERIFY(ReadSettingsFile().contains("DisplayPass=1"));
    }

    void EveryGetReadsWhatIsStoredNow() {
        Settings::SetDatabase(QStringLiteral("/first.dat"));
        QCOMPARE(Settings::Database(), QStringLiteral("/first.dat"));
        WriteSettingsFile("[General]\nDatabase=/somewhere/else.dat\nDisplayPass=0\n");
        QCOMPARE(Settings::Database(), QStringLiteral("/somewhere/else.dat"));
        QVERIFY(!Settings::DisplayPass());
    }

    void UnreadableValuesFallBackToTheDefaults() {
        WriteSettingsFile("[General]\nDatabase=a, b\nDisplayPass=yes\n");
        QCOMPARE(Settings::Database(), QString());
        QVERIFY(Settings::DisplayPass());
        WriteSettingsFile("not a settings file \x01\xFF\n===\n");
        QCOMPARE(Settings::Database(), QString());
        QVERIFY(Settings::DisplayPass());
    }
};

int RunSettingsTests(int argc, char** argv) {
    TSettingsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SettingsQtTest.moc"
