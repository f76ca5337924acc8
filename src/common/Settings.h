#pragma once

#include <QString>

// The two per-user settings, "Database" and "DisplayPass", in QSettings under the product
// name (the registry on Windows, ~/.config/Dravenor Cofferix FREE.conf on Linux). Read anew on
// every get; failures fall back to the defaults silently.
namespace Settings {

// The last vault path, or empty.
QString Database();
void SetDatabase(const QString& path);
// Show passwords in the tree; true when absent.
bool DisplayPass();
void SetDisplayPass(bool value);

}  // namespace Settings
