#pragma once

#include <QApplication>

// The application object. No exception may cross Qt's event loop: every one that an event
// handler or slot lets out is caught here and shown in the critical error box, and the
// program goes on.
class TCofferixApplication : public QApplication {
public:
    TCofferixApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the error of the exception being handled (call inside a catch block).
void ShowCurrentException();
