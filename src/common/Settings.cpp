#include "common/Settings.h"

#include <QSettings>
#include <QVariant>
#include <memory>

#include "base/StringTable.h"
#include "common/TextCodec.h"

namespace {

const QString kDatabaseValue = QStringLiteral("Database");
const QString kDisplayPassValue = QStringLiteral("DisplayPass");
const QString kClearClipboardValue = QStringLiteral("ClearClipboardSeconds");
const QString kIdleLockValue = QStringLiteral("IdleLockMinutes");
const QString kLockWithSessionValue = QStringLiteral("LockWithSession");
const QString kNewVaultsVersion1Value = QStringLiteral("NewVaultsReadableByVersion1");
const QString kBreachListValue = QStringLiteral("BreachListFile");

// A fresh object on every call, so that each get reads what is stored now.
std::unique_ptr<QSettings> OpenSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       Tr(Str::sRegistryKeyName));
}

int NumberOr(const QString& name, int fallback, int highest) {
    const QVariant value = OpenSettings()->value(name);
    bool isNumber = false;
    const int number = value.toInt(&isNumber);
    if (!value.isValid() || !isNumber || number < 0 || number > highest) {
        return fallback;
    }
    return number;
}

}  // namespace

namespace Settings {

QString Database() {
    const QVariant value = OpenSettings()->value(kDatabaseValue);
    // A value of another type is as good as none.
    if (value.typeId() != QMetaType::QString) {
        return QString();
    }
    return value.toString();
}

void SetDatabase(const QString& path) {
    OpenSettings()->setValue(kDatabaseValue, path);
}

bool DisplayPass() {
    const QVariant value = OpenSettings()->value(kDisplayPassValue);
    if (!value.isValid()) {
        return true;
    }
    bool isNumber = false;
    const int number = value.toInt(&isNumber);
    if (!isNumber) {
        return true;
    }
    return number != 0;
}

void SetDisplayPass(bool value) {
    OpenSettings()->setValue(kDisplayPassValue, value ? 1 : 0);
}

int ClearClipboardSeconds() {
    return NumberOr(kClearClipboardValue, kDefaultClearClipboardSeconds, kMaxClearClipboardSeconds);
}

void SetClearClipboardSeconds(int seconds) {
    OpenSettings()->setValue(kClearClipboardValue, seconds);
}

int IdleLockMinutes() {
    return NumberOr(kIdleLockValue, 0, kMaxIdleLockMinutes);
}

void SetIdleLockMinutes(int minutes) {
    OpenSettings()->setValue(kIdleLockValue, minutes);
}

bool LockWithSession() {
    return NumberOr(kLockWithSessionValue, 1, 1) != 0;
}

void SetLockWithSession(bool value) {
    OpenSettings()->setValue(kLockWithSessionValue, value ? 1 : 0);
}

bool NewVaultsReadableByVersion1() {
    return NumberOr(kNewVaultsVersion1Value, 0, 1) != 0;
}

void SetNewVaultsReadableByVersion1(bool value) {
    OpenSettings()->setValue(kNewVaultsVersion1Value, value ? 1 : 0);
}

QString BreachListFile() {
    return OpenSettings()->value(kBreachListValue).toString();
}

void SetBreachListFile(const QString& path) {
    OpenSettings()->setValue(kBreachListValue, path);
}

}  // namespace Settings
