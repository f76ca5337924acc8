#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "CommonQtTests.h"
#include "common/CofferixApplication.h"
#include "support/RecordingServices.h"
#include "vault/CofferixError.h"

using TBoxKind = IServicesBackend::TBoxKind;

// Throws from its slots the way a failing command would.
class TThrower : public QObject {
    Q_OBJECT
public:
    int Calls = 0;
public slots:
    void ThrowVaultError() {
        ++Calls;
        throw EVaultError("Invalid Password!");
    }
    void ThrowStandardError() {
        ++Calls;
        throw std::out_of_range("index out of range");
    }
    void ThrowSomethingElse() {
        ++Calls;
        throw 42;
    }
    void Work() { ++Calls; }
};

class TErrorHandlerTest : public QObject {
    Q_OBJECT
private slots:
    void TheApplicationIsTheErrorHandlingOne() {
        QVERIFY(dynamic_cast<TCofferixApplication*>(QCoreApplication::instance()) != nullptr);
    }

    void ErrorsFromSlotsAreShownAndTheProgramGoesOn() {
        TRecordingServices services;
        TThrower thrower;
        QMetaObject::invokeMethod(&thrower, "ThrowVaultError", Qt::QueuedConnection);
        QMetaObject::invokeMethod(&thrower, "ThrowStandardError", Qt::QueuedConnection);
        QMetaObject::invokeMethod(&thrower, "ThrowSomethingElse", Qt::QueuedConnection);
        QMetaObject::invokeMethod(&thrower, "Work", Qt::QueuedConnection);
        QTRY_COMPARE(thrower.Calls, 4);
        QCOMPARE(services.BoxTexts(TBoxKind::Critical),
                 (QStringList{"Invalid Password!", "index out of range",
                              "An unexpected error occurred."}));
        QCOMPARE(services.Boxes.size(), 3);
    }

    void ErrorsFromTimersAreShownToo() {
        TRecordingServices services;
        bool fired = false;
        QTimer::singleShot(0, [&fired]() {
            fired = true;
            throw ECofferixError("Stream read error");
        });
        QTRY_VERIFY(fired);
        QTRY_COMPARE(services.BoxTexts(TBoxKind::Critical), QStringList{"Stream read error"});
    }
};

int RunErrorHandlerTests(int argc, char** argv) {
    TErrorHandlerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ErrorHandlerQtTest.moc"
