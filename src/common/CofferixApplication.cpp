#include "common/CofferixApplication.h"

#include <exception>

#include "base/StringTable.h"
#include "common/Services.h"
#include "common/TextCodec.h"

TCofferixApplication::TCofferixApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TCofferixApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException();
    }
    return false;
}

void ShowCurrentException() {
    QString text;
    try {
        throw;
    } catch (const std::exception& error) {
        // Error texts are the program's own 8-bit texts.
        text = AnsiToQString(std::string(error.what()));
    } catch (...) {
        text = Tr(Str::sUnexpectedError);
    }
    try {
        ShowError(text);
    } catch (...) {
        // The box itself failed; there is nothing left to tell the user with.
    }
}
