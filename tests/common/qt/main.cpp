#include <cstring>

#include "CommonQtTests.h"
#include "common/CofferixApplication.h"
#include "support/TestEnvironment.h"

namespace {
TTestEnvironment* gEnvironment = nullptr;
}

TTestEnvironment& Environment() {
    return *gEnvironment;
}

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], kHoldLockSwitch) == 0) {
        TCofferixApplication app(argc, argv);
        return RunLockHolder(argv[2], argv[3]);
    }
    // Before the application and before any settings are read, so nothing real is touched.
    TTestEnvironment environment;
    gEnvironment = &environment;
    TCofferixApplication app(argc, argv);
    int failures = 0;
    failures += RunTextCodecTests(argc, argv);
    failures += RunServicesTests(argc, argv);
    failures += RunDesktopServicesTests(argc, argv);
    failures += RunSettingsTests(argc, argv);
    failures += RunErrorHandlerTests(argc, argv);
    failures += RunSingleInstanceTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
