#pragma once

#include <filesystem>
#include <string>

// The XDG autostart entry that starts the program hidden (the autorun switch) at login:
// $XDG_CONFIG_HOME/autostart/<application id>.desktop, ~/.config when the variable is unset.
// Qt-free: it runs before the application object exists, without a display.
namespace AutostartEntry {

enum class TChange { Written, Unchanged, Removed, Absent };

// Where the entry lives for this user, from the environment.
std::filesystem::path EntryPath();

// The running program's own file, for the entry's command line.
std::filesystem::path ProgramPath();

// The entry's text for the given program. Throws std::invalid_argument for a path the entry's
// command line cannot hold (a control character).
std::string EntryText(const std::filesystem::path& program);

// Writes the entry (through a temporary file and a rename); an entry that already holds this
// text is left untouched. Throws std::filesystem::filesystem_error.
TChange Enable(const std::filesystem::path& entry, const std::filesystem::path& program);

// Removes the entry if it exists.
TChange Disable(const std::filesystem::path& entry);

}  // namespace AutostartEntry
