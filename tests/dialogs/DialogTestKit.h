#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>
#include <memory>

#include "support/RecordingServices.h"
#include "support/TestEnvironment.h"

class QLineEdit;

// Every test gets fresh temporary folders and the recording services backend, so that no
// box is ever shown and nothing outside the temporary folders is touched.
struct TDialogTestScope {
    std::unique_ptr<TTestEnvironment> Environment = std::make_unique<TTestEnvironment>();
    std::unique_ptr<TRecordingServices> Services = std::make_unique<TRecordingServices>();

    QString FilePath(const QString& name) const { return Environment->FilePath(name); }
};

// Shows the window and waits until it is the active one, so that focus can be checked.
bool ShowActive(QWidget* window);

// True when the edit has the keyboard focus and all of its text is selected.
bool IsSelectedAndFocused(QLineEdit* edit);

// Types each character as a key press with that text; unlike QTest::keyClicks it also takes
// characters that have no key of their own.
void TypeText(QWidget* widget, const QString& text);

// Presses Tab count times in the active window and lists the widgets that took the focus
// (a combo box or spin box for its inner edit).
QList<QWidget*> TabSequence(QWidget* window, int count);

// Writes bytes to a file in the test's folder; returns its path.
QString WriteTestFile(const TDialogTestScope& scope, const QString& name, const QByteArray& bytes);
QByteArray ReadTestFile(const QString& path);

// Each runs one group of tests and returns QTest's result (0 when all passed).
int RunPassGenTests(int argc, char** argv);
int RunOpenAndUnlockTests(int argc, char** argv);
int RunCreateAndChangeTests(int argc, char** argv);
int RunNewRecordTests(int argc, char** argv);
