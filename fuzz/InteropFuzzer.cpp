// Hostile files of other password managers for the importers. The first byte picks the format
// (its value modulo the number of formats, in the order of TForeignFormat), the rest is the
// file. A parser may refuse the file with EImportError; anything else (a crash, a leak, a
// sanitizer report, a hang) is a fault. Detection runs on every input too.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "interop/ForeignFormat.h"

namespace {

constexpr int kFormatCount = 6;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto format = static_cast<TForeignFormat>(data[0] % kFormatCount);
    const std::string_view content(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        DetectForeignFormat(content);
    } catch (const EImportError&) {
    }
    try {
        ImportForeignFile(content, format);
    } catch (const EImportError&) {
    }
    return 0;
}
