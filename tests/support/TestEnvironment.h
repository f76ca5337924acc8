#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

// Points XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR and HOME at fresh temporary folders
// for the life of the object, so tests never touch the user's real settings or folders.
// Create it before the QApplication when a test program needs it for every test.
class TTestEnvironment {
public:
    TTestEnvironment();
    ~TTestEnvironment();

    QString Root() const;                         // the temporary root
    QString FilePath(const QString& name) const;  // Root() + "/" + name

private:
    std::unique_ptr<QTemporaryDir> FRoot;
    QByteArray FOldHome, FOldConfig, FOldData, FOldRuntime, FOldSessionBus, FOldSystemBus;
};

// Sets an environment variable for the life of the object, then puts back what was there.
class TScopedVariable {
public:
    TScopedVariable(const char* name, const QByteArray& value);
    ~TScopedVariable();
    TScopedVariable(const TScopedVariable&) = delete;
    TScopedVariable& operator=(const TScopedVariable&) = delete;

private:
    const char* FName;
    QByteArray FOld;
};
