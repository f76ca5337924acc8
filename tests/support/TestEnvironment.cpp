#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <cstdlib>

namespace {

// The old value, or a null array when the variable was not set at all.
QByteArray SavedVariable(const char* name) {
    if (!qEnvironmentVariableIsSet(name)) {
        return QByteArray();
    }
    QByteArray value = qgetenv(name);
    if (value.isNull()) {
        value = QByteArray("");  // set but empty: keep it distinct from "not set"
    }
    return value;
}

void RestoreVariable(const char* name, const QByteArray& value) {
    if (value.isNull()) {
        qunsetenv(name);
    } else {
        qputenv(name, value);
    }
}

// An owner-only folder; the runtime folder must be one, or Qt refuses it.
QString MakePrivateFolder(const QString& path) {
    QDir().mkpath(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

}  // namespace

TTestEnvironment::TTestEnvironment()
    : FRoot(std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/cofferix-XXXXXX"))),
      FOldHome(SavedVariable("HOME")),
      FOldConfig(SavedVariable("XDG_CONFIG_HOME")),
      FOldData(SavedVariable("XDG_DATA_HOME")),
      FOldRuntime(SavedVariable("XDG_RUNTIME_DIR")),
      FOldSessionBus(SavedVariable("DBUS_SESSION_BUS_ADDRESS")),
      FOldSystemBus(SavedVariable("DBUS_SYSTEM_BUS_ADDRESS")) {
    if (!FRoot->isValid()) {
        qFatal("TTestEnvironment: cannot create a temporary folder");
    }
    qputenv("HOME", MakePrivateFolder(FilePath(QStringLiteral("home"))).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", MakePrivateFolder(FilePath(QStringLiteral("config"))).toLocal8Bit());
    qputenv("XDG_DATA_HOME", MakePrivateFolder(FilePath(QStringLiteral("data"))).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR",
            MakePrivateFolder(FilePath(QStringLiteral("runtime"))).toLocal8Bit());
    // No bus: the desktop's screen saver or login manager must not lock a test's window.
    const QByteArray noBus = "unix:path=" + FilePath(QStringLiteral("no-bus")).toLocal8Bit();
    qputenv("DBUS_SESSION_BUS_ADDRESS", noBus);
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", noBus);
}

TTestEnvironment::~TTestEnvironment() {
    RestoreVariable("HOME", FOldHome);
    RestoreVariable("XDG_CONFIG_HOME", FOldConfig);
    RestoreVariable("XDG_DATA_HOME", FOldData);
    RestoreVariable("XDG_RUNTIME_DIR", FOldRuntime);
    RestoreVariable("DBUS_SESSION_BUS_ADDRESS", FOldSessionBus);
    RestoreVariable("DBUS_SYSTEM_BUS_ADDRESS", FOldSystemBus);
}

QString TTestEnvironment::Root() const {
    return FRoot->path();
}

QString TTestEnvironment::FilePath(const QString& name) const {
    return FRoot->path() + QLatin1Char('/') + name;
}

TScopedVariable::TScopedVariable(const char* name, const QByteArray& value)
    : FName(name), FOld(SavedVariable(name)) {
    qputenv(name, value);
}

TScopedVariable::~TScopedVariable() {
    RestoreVariable(FName, FOld);
}
