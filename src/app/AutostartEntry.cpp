#include "app/AutostartEntry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "base/AppIdentity.h"
#include "base/StringTable.h"

namespace fs = std::filesystem;

namespace AutostartEntry {

namespace {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home == '/') {
        return home;
    }
    const passwd* account = getpwuid(getuid());
    if (account == nullptr || account->pw_dir == nullptr) {
        throw std::runtime_error("cannot find the home folder (HOME is not set)");
    }
    return account->pw_dir;
}

// One argument of an Exec line: quoted where the desktop entry format asks for it, with
// field codes escaped ("%%"), then with the string escape of the file's values applied.
std::string ExecArgument(std::string_view argument) {
    constexpr std::string_view kReserved = " \t\"'\\><~|&;$*?#()`";
    const bool quote = argument.find_first_of(kReserved) != std::string_view::npos;
    std::string quoted = quote ? "\"" : "";
    for (const char ch : argument) {
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f) {
            throw std::invalid_argument("the program's path holds a control character");
        }
        if (quote && (ch == '"' || ch == '`' || ch == '$' || ch == '\\')) {
            quoted += '\\';
        }
        quoted += ch == '%' ? std::string("%%") : std::string(1, ch);
    }
    if (quote) {
        quoted += '"';
    }
    std::string value;
    for (const char ch : quoted) {
        value += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
    }
    return value;
}

bool FileHolds(const fs::path& path, const std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::string held((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return held == text;
}

}  // namespace

fs::path EntryPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // XDG base directory rules: a relative path here is ignored.
    const fs::path base =
        config != nullptr && *config == '/' ? fs::path(config) : fs::path(HomeFolder()) / ".config";
    return base / "autostart" / (std::string(Str::sAppId) + ".desktop");
}

fs::path ProgramPath() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error && fs::is_regular_file(self, error)) {
        return self;
    }
    return "cofferix";  // found through PATH, as an installed program is
}

std::string EntryText(const fs::path& program) {
    std::ostringstream text;
    text << "[Desktop Entry]\n"
         << "Type=Application\n"
         << "Name=" << Str::sAppTitle << "\n"
         << "Comment=Start hidden in the notification area\n"
         << "Exec=" << ExecArgument(program.string()) << " --" << Str::sAutorunSwitch << "\n"
         << "Icon=" << Str::sAppId << "\n"
         << "Terminal=false\n"
         << "X-GNOME-Autostart-enabled=true\n";
    return text.str();
}

TChange Enable(const fs::path& entry, const fs::path& program) {
    const std::string text = EntryText(program);
    if (FileHolds(entry, text)) {
        return TChange::Unchanged;
    }
    fs::create_directories(entry.parent_path());
    fs::path temporary = entry;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            throw fs::filesystem_error("cannot write the entry", temporary,
                                       std::make_error_code(std::errc::io_error));
        }
    }
    fs::rename(temporary, entry);
    return TChange::Written;
}

TChange Disable(const fs::path& entry) {
    return fs::remove(entry) ? TChange::Removed : TChange::Absent;
}

}  // namespace AutostartEntry
