#include "common/Settings.h"

#include <QSettings>
#include <QVariant>
#include <memory>

#include "common/StringTable.h"
#include "common/TextCodec.h"

namespace {

const QString kDatabaseValue = QStringLiteral("Database");
const QString kDisplayPassValue = QStringLiteral("DisplayPass");

// A fresh object on every call, so that each get reads what is stored now.
std::unique_ptr<QSettings> OpenSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       Tr(Str::sRegistryKeyName));
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

}  // namespace Settings
