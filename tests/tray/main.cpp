#include "TrayTests.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = 0;
    failed += RunSimpleTimerTests(argc, argv);
    failed += RunTrayClickTests(argc, argv);
    failed += RunTrayIconTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
