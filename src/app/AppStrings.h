#pragma once

#include <string_view>

// Messages of the main window's safety checks, beside the shared string table.
namespace AppStr {

inline constexpr std::string_view sDestinationIsOpenVault =
    "This is the open database file. Please choose another file.";
inline constexpr std::string_view sBackupFilter = "Data File (*.dat)";
inline constexpr std::string_view sBackupSuffix = "dat";
inline constexpr std::string_view sExportFilter = "Text File (*.txt)";
inline constexpr std::string_view sExportSuffix = "txt";

}  // namespace AppStr
