#include "interop/ForeignFormat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "base/Wipe.h"
#include "interop/BitwardenJson.h"
#include "interop/CsvExport.h"
#include "interop/CsvImport.h"
#include "interop/KeePassXml.h"

namespace {

struct TFormatName {
    TForeignFormat Format;
    std::string_view Name;
    bool Exported;
};

constexpr std::array<TFormatName, 6> kFormats{{
    {TForeignFormat::KeePassXcCsv, "keepassxc-csv", true},
    {TForeignFormat::KeePassXml, "keepass-xml", true},
    {TForeignFormat::BitwardenJson, "bitwarden-json", true},
    {TForeignFormat::BitwardenCsv, "bitwarden-csv", false},
    {TForeignFormat::ChromeCsv, "chrome-csv", false},
    {TForeignFormat::FirefoxCsv, "firefox-csv", false},
}};

constexpr std::size_t kMaxForeignFileSize = std::size_t{256} << 20;

// The content after a byte-order mark and blanks: what tells XML and JSON apart from CSV.
char FirstSignificant(std::string_view content) {
    if (content.starts_with("\xEF\xBB\xBF")) {
        content.remove_prefix(3);
    }
    const std::size_t at = content.find_first_not_of(" \t\r\n");
    return at == std::string_view::npos ? '\0' : content[at];
}

class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : FFd(fd) {}
    ~TFileDescriptor() {
        if (FFd >= 0) {
            ::close(FFd);
        }
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const { return FFd; }

private:
    int FFd;
};

[[noreturn]] void ThrowUnreadable(const std::string& path, const std::string& why) {
    throw ECofferixError("Cannot read \"" + path + "\": " + why);
}

}  // namespace

std::string_view ForeignFormatName(TForeignFormat format) {
    for (const TFormatName& entry : kFormats) {
        if (entry.Format == format) {
            return entry.Name;
        }
    }
    return {};
}

std::optional<TForeignFormat> ForeignFormatFromName(std::string_view name) {
    for (const TFormatName& entry : kFormats) {
        if (entry.Name == name) {
            return entry.Format;
        }
    }
    return std::nullopt;
}

std::string ForeignFormatNames(bool exportOnly) {
    std::string names;
    for (const TFormatName& entry : kFormats) {
        if (exportOnly && !entry.Exported) {
            continue;
        }
        if (!names.empty()) {
            names += ", ";
        }
        names += entry.Name;
    }
    return names;
}

bool CanExportForeignFormat(TForeignFormat format) {
    for (const TFormatName& entry : kFormats) {
        if (entry.Format == format) {
            return entry.Exported;
        }
    }
    return false;
}

TForeignFormat DetectForeignFormat(std::string_view content) {
    switch (FirstSignificant(content)) {
    case '<':
        return TForeignFormat::KeePassXml;
    case '{':
        return TForeignFormat::BitwardenJson;
    default:
        break;
    }
    if (const std::optional<TForeignFormat> csv = DetectCsvFormat(content)) {
        return *csv;
    }
    throw EImportError(1, "the file is none of the formats Cofferix imports (" +
                              ForeignFormatNames(false) + ")");
}

TImportedRecords ImportForeignFile(std::string_view content, TForeignFormat format) {
    switch (format) {
    case TForeignFormat::KeePassXcCsv:
        return ImportKeePassXcCsv(content);
    case TForeignFormat::KeePassXml:
        return ImportKeePassXml(content);
    case TForeignFormat::BitwardenJson:
        return ImportBitwardenJson(content);
    case TForeignFormat::BitwardenCsv:
        return ImportBitwardenCsv(content);
    case TForeignFormat::ChromeCsv:
        return ImportChromeCsv(content);
    case TForeignFormat::FirefoxCsv:
        return ImportFirefoxCsv(content);
    }
    return {};
}

std::string ExportForeignFile(const TRecordTree& tree, TForeignFormat format) {
    switch (format) {
    case TForeignFormat::KeePassXcCsv:
        return ExportKeePassXcCsv(tree);
    case TForeignFormat::KeePassXml:
        return ExportKeePassXml(tree);
    case TForeignFormat::BitwardenJson:
        return ExportBitwardenJson(tree);
    default:
        throw ECofferixError("Cofferix does not write " + std::string(ForeignFormatName(format)) +
                             " files; it writes " + ForeignFormatNames(true));
    }
}

std::string ReadForeignFile(const std::string& path) {
    const TFileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) {
        ThrowUnreadable(path, std::strerror(errno));
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        ThrowUnreadable(path, "it is not a file");
    }
    if (static_cast<std::uint64_t>(info.st_size) > kMaxForeignFileSize) {
        ThrowUnreadable(path, "it is larger than 256 MiB, more than any export of passwords");
    }
    std::string content(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t got = ::read(file.Get(), content.data() + done, content.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            const std::string why = got < 0 ? std::strerror(errno) : "it became shorter";
            WipeString(content);
            ThrowUnreadable(path, why);
        }
        done += static_cast<std::size_t>(got);
    }
    return content;
}
