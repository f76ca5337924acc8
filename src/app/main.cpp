#include <QFile>
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLineOptions.h"
#include "app/DesktopIdentity.h"
#include "app/StartDecision.h"
#include "app/TrayLock.h"
#include "app/UnitCofferix.h"
#include "base/AutorunSwitch.h"
#include "base/StringTable.h"
#include "common/CofferixApplication.h"
#include "common/SingleInstance.h"
#include "common/TextCodec.h"
#include "vault/ProcessMemory.h"

int main(int argc, char** argv) {
    KeepProcessMemoryPrivate();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // --help, --version, --autostart and a vault file that is not there answer and end here,
    // before anything needs a display.
    if (const std::optional<int> status = RunCommandLineOptions(arguments, std::cout, std::cerr)) {
        return *status;
    }
    const bool autorun = HasAutorunSwitch(arguments);
    const QString vaultPath = QFile::decodeName(VaultPathArgument(arguments).c_str());

    // Before the application exists: a second start ends here, showing nothing, after it
    // handed the running instance the vault file to open.
    TSingleInstance instance;
    if (DecideStart(instance, autorun, vaultPath) == TStartDecision::EndNow) {
        return 0;
    }

    TCofferixApplication application(argc, argv);
    application.setApplicationName(Tr(Str::sAppTitle));
    ApplyDesktopIdentity(application);
    // Generator windows and dialogs may outlive a hidden main window; only closing the main
    // window ends the program.
    application.setQuitOnLastWindowClosed(false);

    TfrmCofferix window;
    if (!window.FormCreate(vaultPath)) {
        return 0;  // the vault dialog was declined: end without showing anything
    }
    window.ListenForInstances(instance);
    window.TrayLock().ShowAtStart(autorun);
    return application.exec();
}
