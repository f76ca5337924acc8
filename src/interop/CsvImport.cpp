#include "interop/CsvImport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <span>
#include <vector>

#include "base/StringTable.h"
#include "base/Wipe.h"
#include "interop/CsvReader.h"
#include "vault/Clock.h"

using namespace ImportText;

namespace {

using TFields = std::vector<std::string>;
using THeader = std::span<const std::string_view>;

constexpr std::array<std::string_view, 10> kKeePassXcHeader = {
    "Group", "Title", "Username", "Password",      "URL",
    "Notes", "TOTP",  "Icon",     "Last Modified", "Created"};
enum TKeePassXcColumn : std::size_t {
    kxGroup,
    kxTitle,
    kxUserName,
    kxPassword,
    kxUrl,
    kxNotes,
    kxTotp,
    kxIcon,
    kxModified,
    kxCreated
};

constexpr std::array<std::string_view, 11> kBitwardenHeader = {
    "folder",   "favorite",  "type",           "name",           "notes",     "fields",
    "reprompt", "login_uri", "login_username", "login_password", "login_totp"};
enum TBitwardenColumn : std::size_t {
    bwFolder,
    bwFavorite,
    bwType,
    bwName,
    bwNotes,
    bwFields,
    bwReprompt,
    bwUris,
    bwUserName,
    bwPassword,
    bwTotp
};

// Chrome before version 119 has no note column.
constexpr std::array<std::string_view, 5> kChromeHeader = {"name", "url", "username", "password",
                                                           "note"};
enum TChromeColumn : std::size_t { chName, chUrl, chUserName, chPassword, chNote };

constexpr std::array<std::string_view, 9> kFirefoxHeader = {
    "url",  "username",    "password",     "httpRealm",          "formActionOrigin",
    "guid", "timeCreated", "timeLastUsed", "timePasswordChanged"};
enum TFirefoxColumn : std::size_t {
    ffUrl,
    ffUserName,
    ffPassword,
    ffRealm,
    ffFormAction,
    ffGuid,
    ffCreated,
    ffLastUsed,
    ffChanged
};

// Latest moment accepted as a time: 9999-12-31 23:59:59 UTC.
constexpr std::int64_t kLastSecond = 253402300799;

bool HeaderIs(const TCsvRow& row, THeader header) {
    return std::equal(row.Fields.begin(), row.Fields.end(), header.begin(), header.end());
}

bool IsChromeHeader(const TCsvRow& row) {
    return HeaderIs(row, kChromeHeader) || HeaderIs(row, THeader(kChromeHeader).first(4));
}

// Reads the rows after a header that isHeader accepts, each one that is not blank a record
// that take fills.
template <typename TIsHeader, typename TTake>
TImportedRecords ReadRecords(std::string_view content, std::string_view source, TIsHeader isHeader,
                             TTake take) {
    TCsvReader reader(content);
    TCsvRow row;
    if (!reader.Next(row) || !isHeader(row)) {
        throw EImportError(row.Line == 0 ? 1 : row.Line,
                           "the file does not start with the header row of " + std::string(source) +
                               "'s CSV export");
    }
    TImportedRecords records;
    while (reader.Next(row)) {
        if (row.IsBlank()) {
            continue;
        }
        TImportedRecord& record = records.emplace_back();
        record.SourceLine = row.Line;
        take(row.Fields, record);
    }
    return records;
}

// Empty notes with room for everything one row can put in them, so that they never move to a
// larger buffer and leave a copy behind.
std::string NewNotes(const TFields& fields) {
    std::size_t size = 512;
    for (const std::string& field : fields) {
        size += 3 * field.size();
    }
    std::string notes;
    notes.reserve(size);
    return notes;
}

// Appends multi-line text to the notes as lines of their own.
void AppendText(std::string& notes, std::string_view text) {
    std::string lines = MultiLine(text);
    if (!notes.empty() && !lines.empty()) {
        notes += "\r\n";
    }
    notes += lines;
    WipeString(lines);
}

// A yes/no column: "1" is a "Name: yes" line, empty or "0" nothing, anything else kept as is.
void AppendFlag(std::string& notes, std::string_view name, std::string_view value) {
    if (value == "1") {
        AppendNoteLine(notes, name, "yes");
    } else if (value != "0") {
        AppendNoteLine(notes, name, value);
    }
}

std::optional<std::int64_t> ParseMilliseconds(std::string_view text) {
    std::int64_t ms = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, ms);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    const std::int64_t seconds = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
    if (seconds < -kLastSecond || seconds > kLastSecond) {
        return std::nullopt;
    }
    return seconds;
}

using TParseTime = std::optional<std::int64_t> (*)(std::string_view);

// The seconds of a time column; none when it is empty or does not parse, and then its text is
// kept as the note line "name: text".
std::optional<std::int64_t> TakeTime(std::string_view text, TParseTime parse, std::string_view name,
                                     std::string& notes) {
    if (text.empty()) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> seconds = parse(text);
    if (!seconds) {
        AppendNoteLine(notes, name, text);
    }
    return seconds;
}

TDateTime LocalTime(std::optional<std::int64_t> seconds) {
    return seconds ? DateTimeFromUnixSeconds(*seconds) : 0;
}

// The host of a URL: "https://user@mail.example.com:8080/x" gives "mail.example.com".
std::string_view HostOf(std::string_view url) {
    const std::size_t scheme = url.find("://");
    std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos) {
        rest.remove_prefix(at + 1);
    }
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        return rest.substr(0, close == std::string_view::npos ? close : close + 1);
    }
    return rest.substr(0, rest.find(':'));
}

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> parts;
    for (std::size_t slash = path.find('/'); slash != std::string_view::npos;
         slash = path.find('/')) {
        parts.emplace_back(path.substr(0, slash));
        path.remove_prefix(slash + 1);
    }
    parts.emplace_back(path);
    return parts;
}

// The icon column is KeePassXC's choice of picture, not the user's data: it is left out.
void TakeKeePassXc(const TFields& f, TImportedRecord& record) {
    record.Group = GroupName(SplitPath(f[kxGroup]), true);
    TNodeData& data = record.Fields;
    data.Title = SingleLine(f[kxTitle]);
    data.UserName = SingleLine(f[kxUserName]);
    data.Password = SingleLine(f[kxPassword]);
    data.Url = SingleLine(f[kxUrl]);
    std::string notes = NewNotes(f);
    AppendText(notes, f[kxNotes]);
    AppendNoteLine(notes, "TOTP", f[kxTotp]);
    const auto modified = TakeTime(f[kxModified], ParseIsoTime, "Last Modified", notes);
    const auto created = TakeTime(f[kxCreated], ParseIsoTime, "Created", notes);
    data.Notes = std::move(notes);
    data.ModifiedTime = LocalTime(modified);
    data.PasswordChangedTime = data.ModifiedTime;
    data.AddedTime = LocalTime(created);
    data.AddedTime2 = data.AddedTime;
}

void TakeBitwarden(const TFields& f, TImportedRecord& record) {
    record.Group = GroupName({f[bwFolder]}, false);
    TNodeData& data = record.Fields;
    data.Title = SingleLine(f[bwName]);
    data.UserName = SingleLine(f[bwUserName]);
    data.Password = SingleLine(f[bwPassword]);
    std::string notes = NewNotes(f);
    AppendText(notes, f[bwNotes]);
    // Custom fields come as "name: value" lines already.
    AppendText(notes, f[bwFields]);
    // Bitwarden joins an item's URIs with commas.
    std::string_view uris = f[bwUris];
    std::size_t comma = uris.find(',');
    data.Url = SingleLine(uris.substr(0, comma));
    while (comma != std::string_view::npos) {
        uris.remove_prefix(comma + 1);
        comma = uris.find(',');
        AppendNoteLine(notes, "URL", uris.substr(0, comma));
    }
    AppendNoteLine(notes, "TOTP", f[bwTotp]);
    AppendFlag(notes, "Favorite", f[bwFavorite]);
    AppendFlag(notes, "Master Password Re-prompt", f[bwReprompt]);
    if (f[bwType] != "login" && f[bwType] != "note") {
        AppendNoteLine(notes, "Type", f[bwType]);
    }
    data.Notes = std::move(notes);
}

void TakeChrome(const TFields& f, TImportedRecord& record) {
    record.Group = std::string(Str::sDefaultGroup);
    TNodeData& data = record.Fields;
    data.Title = SingleLine(f[chName].empty() ? HostOf(f[chUrl]) : f[chName]);
    data.UserName = SingleLine(f[chUserName]);
    data.Password = SingleLine(f[chPassword]);
    data.Url = SingleLine(f[chUrl]);
    if (f.size() > chNote) {
        data.Notes = MultiLine(f[chNote]);
    }
}

void TakeFirefox(const TFields& f, TImportedRecord& record) {
    record.Group = std::string(Str::sDefaultGroup);
    TNodeData& data = record.Fields;
    data.Title = SingleLine(HostOf(f[ffUrl]));
    data.UserName = SingleLine(f[ffUserName]);
    data.Password = SingleLine(f[ffPassword]);
    data.Url = SingleLine(f[ffUrl]);
    std::string notes = NewNotes(f);
    AppendNoteLine(notes, "HTTP Realm", f[ffRealm]);
    AppendNoteLine(notes, "Form Action Origin", f[ffFormAction]);
    AppendNoteLine(notes, "Firefox GUID", f[ffGuid]);
    const auto created = TakeTime(f[ffCreated], ParseMilliseconds, "Created", notes);
    if (const auto lastUsed = TakeTime(f[ffLastUsed], ParseMilliseconds, "Last Used", notes)) {
        AppendNoteLine(notes, "Last Used", FormatIsoTime(*lastUsed));
    }
    const auto changed = TakeTime(f[ffChanged], ParseMilliseconds, "Password Changed", notes);
    data.Notes = std::move(notes);
    data.AddedTime = LocalTime(created);
    data.AddedTime2 = data.AddedTime;
    data.PasswordChangedTime = LocalTime(changed);
}

}  // namespace

std::optional<TForeignFormat> DetectCsvFormat(std::string_view content) {
    TCsvRow header;
    try {
        TCsvReader reader(content);
        if (!reader.Next(header)) {
            return std::nullopt;
        }
    } catch (const EImportError&) {
        return std::nullopt;
    }
    if (HeaderIs(header, kKeePassXcHeader)) {
        return TForeignFormat::KeePassXcCsv;
    }
    if (HeaderIs(header, kBitwardenHeader)) {
        return TForeignFormat::BitwardenCsv;
    }
    if (IsChromeHeader(header)) {
        return TForeignFormat::ChromeCsv;
    }
    if (HeaderIs(header, kFirefoxHeader)) {
        return TForeignFormat::FirefoxCsv;
    }
    return std::nullopt;
}

TImportedRecords ImportKeePassXcCsv(std::string_view content) {
    return ReadRecords(
        content, "KeePassXC", [](const TCsvRow& row) { return HeaderIs(row, kKeePassXcHeader); },
        TakeKeePassXc);
}

TImportedRecords ImportBitwardenCsv(std::string_view content) {
    return ReadRecords(
        content, "Bitwarden", [](const TCsvRow& row) { return HeaderIs(row, kBitwardenHeader); },
        TakeBitwarden);
}

TImportedRecords ImportChromeCsv(std::string_view content) {
    return ReadRecords(content, "Chrome", IsChromeHeader, TakeChrome);
}

TImportedRecords ImportFirefoxCsv(std::string_view content) {
    return ReadRecords(
        content, "Firefox", [](const TCsvRow& row) { return HeaderIs(row, kFirefoxHeader); },
        TakeFirefox);
}
