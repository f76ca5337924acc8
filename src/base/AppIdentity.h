#pragma once

#include <string_view>

namespace Str {

// The desktop's name for this program: the maker's domain from sHomePage, reversed. The
// desktop entry, the icons, the software-centre metadata and the running program
// (QGuiApplication::desktopFileName) all carry it, so desktops match the window to its entry
// and icon. desktop/CMakeLists.txt reads it from this line.
inline constexpr std::string_view sAppId = "com.dravenor.Cofferix";

}  // namespace Str
