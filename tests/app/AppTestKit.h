#pragma once

#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/TestEnvironment.h"
#include "vault/RecordTree.h"

class TfrmCofferix;

// One record of a test vault, with the name of its group.
struct TRecordSpec {
    std::string Group;
    std::string Title;
    std::string UserName;
    std::string Password;
    std::string Url;
    std::string Notes;
};

// A vault file holding these records, in this order (groups in the order first named).
void WriteVault(const QString& path, const std::string& password,
                const std::vector<TRecordSpec>& records);
void FillTree(TRecordTree& tree, const std::vector<TRecordSpec>& records);
// The vault's content as the core reads it.
std::unique_ptr<TRecordTree> ReadVault(const QString& path, const std::string& password);
// The tree as lines in pre-order: "[group]" for a group, "title|user|password|url|notes"
// for a record, indented by two blanks per level.
QStringList Outline(const TRecordTree& tree);
PNode FindByTitle(const TRecordTree& tree, const std::string& title);

// A part of a window (a widget, menu or action) found by its object name. A missing part is
// a fault of the window under test, so the test stops there.
template <class T>
T* Part(const QObject& window, const char* name) {
    T* part = window.findChild<T*>(QLatin1String(name));
    if (!part) {
        qFatal("the window has no %s named %s", T::staticMetaObject.className(), name);
    }
    return part;
}

// Removes both per-user settings.
void ClearSettings();
// The file's inode number: every save writes a new file and renames it over the vault, so a
// changed number shows that the vault was written.
quint64 FileInode(const QString& path);
QByteArray FileBytes(const QString& path);
// True when only the owner may read or write the file.
bool IsOwnerOnly(const QString& path);

// Holds the vault's lock as another program's save would, until it goes.
class TForeignLock {
public:
    explicit TForeignLock(const QString& path);
    TForeignLock(const TForeignLock&) = delete;
    TForeignLock& operator=(const TForeignLock&) = delete;
    ~TForeignLock();

private:
    int FFd;
};

// Answers the modal dialogs of a window in order, without an event loop. Each answer
// gets the dialog, fills it and presses its buttons, and answers the dialog's result.
class TDialogScript {
public:
    using TAnswer = std::function<int(QDialog&)>;

    void Attach(TfrmCofferix& window);
    void Then(TAnswer answer) { FAnswers.push_back(std::move(answer)); }
    bool Done() const { return FAnswers.empty(); }

    QStringList Shown;  // class names of the dialogs run, in order

private:
    std::deque<TAnswer> FAnswers;
};

// An answer for a dialog of class D; fails the dialog (Cancel) when another class comes.
template <class D>
TDialogScript::TAnswer Answer(std::function<void(D&)> act) {
    return [act](QDialog& dialog) {
        auto* typed = qobject_cast<D*>(&dialog);
        if (!typed) {
            return static_cast<int>(QDialog::Rejected);
        }
        act(*typed);
        return dialog.result();
    };
}

TDialogScript::TAnswer CancelDialog();
// The open dialog: types the password and presses OK.
TDialogScript::TAnswer OpenWith(const std::string& password);
// The create dialog: types the password twice and presses OK.
TDialogScript::TAnswer CreateWith(const std::string& password);
// The record editor: fills the fields and presses OK.
TDialogScript::TAnswer RecordWith(const TRecordSpec& record);

// A main window started on the vault at path through the open dialog, the way the program
// starts; null when the start-up declined. The script stays attached for later dialogs.
std::unique_ptr<TfrmCofferix> StartWindowOn(const QString& path, const std::string& password,
                                            TDialogScript& script);

// Runs the test object with a temporary environment made before the application.
#define COFFERIX_APP_TEST_MAIN(TestClass)       \
    int main(int argc, char** argv) {           \
        TTestEnvironment environment;           \
        QApplication application(argc, argv);   \
        TestClass test(environment);            \
        return QTest::qExec(&test, argc, argv); \
    }
