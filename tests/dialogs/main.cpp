#include <QApplication>

#include "DialogTestKit.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TTestEnvironment environment;
    QApplication app(argc, argv);
    int failed = 0;
    failed += RunPassGenTests(argc, argv);
    failed += RunOpenAndUnlockTests(argc, argv);
    failed += RunCreateAndChangeTests(argc, argv);
    failed += RunNewRecordTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
