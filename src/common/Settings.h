#pragma once

#include <QString>

// The per-user settings, "Database", "DisplayPass" and the Options, in QSettings under the product
// name (the registry on Windows, ~/.config/Dravenor Cofferix FREE.conf on Linux). Read anew on
// every get; failures fall back to the defaults silently.
namespace Settings {

// The last vault path, or empty.
QString Database();
void SetDatabase(const QString& path);
// Show passwords in the tree; true when absent.
bool DisplayPass();
void SetDisplayPass(bool value);

// The Options. Values that are missing, not numbers or out of range read as the default.
inline constexpr int kDefaultClearClipboardSeconds = 30;
inline constexpr int kMaxClearClipboardSeconds = 3600;
inline constexpr int kMaxIdleLockMinutes = 1440;
// Seconds before a copied password leaves the clipboard; 0 = never.
int ClearClipboardSeconds();
void SetClearClipboardSeconds(int seconds);
// Minutes without input before the workspace locks; 0 (the default) = never.
int IdleLockMinutes();
void SetIdleLockMinutes(int minutes);
// Lock when the desktop session locks; true when absent.
bool LockWithSession();
void SetLockWithSession(bool value);
// New vaults in format 101, which version 1 programs read, rather than format 2; false when
// absent.
bool NewVaultsReadableByVersion1();
void SetNewVaultsReadableByVersion1(bool value);
// The breach list the password health report looks passwords up in; empty when none.
QString BreachListFile();
void SetBreachListFile(const QString& path);

}  // namespace Settings
