#include "interop/KeePassXml.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "base/Cp1252.h"
#include "base/Wipe.h"
#include "interop/ExportLayout.h"
#include "interop/InteropText.h"
#include "interop/XmlReader.h"
#include "vault/Clock.h"

namespace {

using namespace ImportText;

// KDBX 4 counts seconds from 0001-01-01 UTC.
constexpr std::int64_t kSecondsFromYear1To1970 = 62135596800;
// Times outside 1900..9999 are taken as unknown (KeePass's "never" is 9999-12-31).
constexpr std::int64_t kEarliestTime = -2208988800;
constexpr std::int64_t kLatestTime = 253402300799;

constexpr std::string_view kKdbxSignature = "\x03\xD9\xA2\x9A";

constexpr std::string_view kProtectedValues =
    "The file holds protected values, which it keeps encrypted. Export the database again "
    "with plain values: \"keepassxc-cli export -f xml DATABASE > FILE.xml\", or KeePass's "
    "File > Export > KeePass XML (2.x).";

bool IsTrue(std::string_view text) {
    return text == "True" || text == "true" || text == "TRUE";
}

std::string_view TextOf(const TXmlElement* element) {
    return element ? std::string_view(element->Text) : std::string_view();
}

// Seconds since 1970 of a KeePass time: ISO 8601 text, or (KDBX 4) the base64 of a
// little-endian count of seconds since 0001-01-01. None when unreadable or out of range.
std::optional<std::int64_t> ReadTime(const TXmlElement* element) {
    if (!element) {
        return std::nullopt;
    }
    std::optional<std::int64_t> seconds = ParseIsoTime(element->Text);
    if (!seconds) {
        const auto bytes = Base64Decode(element->Text);
        if (bytes && bytes->size() == 8 && (*bytes)[7] < 0x80) {
            std::int64_t count = 0;
            for (std::size_t i = 8; i-- > 0;) {
                count = count << 8 | (*bytes)[i];
            }
            seconds = count - kSecondsFromYear1To1970;
        }
    }
    if (!seconds || *seconds < kEarliestTime || *seconds > kLatestTime) {
        return std::nullopt;
    }
    return seconds;
}

void RefuseProtectedValues(const TXmlElement& root) {
    std::vector<const TXmlElement*> pending{&root};
    while (!pending.empty()) {
        const TXmlElement* element = pending.back();
        pending.pop_back();
        const std::string* isProtected = element->Attribute("Protected");
        if (element->Name == "Value" && isProtected && IsTrue(*isProtected)) {
            throw EImportError(element->Line, kProtectedValues);
        }
        for (const TXmlElement& child : element->Children) {
            pending.push_back(&child);
        }
    }
}

// The note lines an entry gives besides its own notes, in the order they are added.
struct TEntryLines {
    std::string Strings;
    std::string Tags;
    std::string Times;
    std::string Attachments;
    ~TEntryLines() {
        for (std::string* text : {&Strings, &Tags, &Times, &Attachments}) {
            WipeString(*text);
        }
    }
};

void ReadString(const TXmlElement& string, TNodeData& fields, TEntryLines& lines) {
    const std::string_view key = TextOf(string.Child("Key"));
    const std::string_view value = TextOf(string.Child("Value"));
    std::string* single = key == "Title"      ? &fields.Title
                          : key == "UserName" ? &fields.UserName
                          : key == "Password" ? &fields.Password
                          : key == "URL"      ? &fields.Url
                                              : nullptr;
    if (single) {
        *single = SingleLine(value);
    } else if (key == "Notes") {
        fields.Notes = MultiLine(value);
    } else {
        AppendNoteLine(lines.Strings, key, value);
    }
}

void ReadTimes(const TXmlElement& times, TNodeData& fields, TEntryLines& lines) {
    if (const auto created = ReadTime(times.Child("CreationTime"))) {
        fields.AddedTime = fields.AddedTime2 = DateTimeFromUnixSeconds(*created);
    }
    // KeePass keeps no time of the password's last change: the entry's is the nearest.
    if (const auto modified = ReadTime(times.Child("LastModificationTime"))) {
        fields.ModifiedTime = fields.PasswordChangedTime = DateTimeFromUnixSeconds(*modified);
    }
    if (const auto accessed = ReadTime(times.Child("LastAccessTime"))) {
        AppendNoteLine(lines.Times, "Last Accessed", FormatIsoTime(*accessed));
    }
    const auto expiry = ReadTime(times.Child("ExpiryTime"));
    if (IsTrue(TextOf(times.Child("Expires"))) && expiry) {
        AppendNoteLine(lines.Times, "Expires", FormatIsoTime(*expiry));
    }
}

TImportedRecord ReadEntry(const TXmlElement& entry, const std::string& group) {
    TImportedRecord record;
    record.Group = group;
    record.SourceLine = entry.Line;
    TEntryLines lines;
    for (const TXmlElement& child : entry.Children) {
        if (child.Name == "String") {
            ReadString(child, record.Fields, lines);
        } else if (child.Name == "Tags") {
            AppendNoteLine(lines.Tags, "Tags", child.Text);
        } else if (child.Name == "Times") {
            ReadTimes(child, record.Fields, lines);
        } else if (child.Name == "Binary") {
            AppendNoteLine(lines.Attachments, "Attachment", TextOf(child.Child("Key")));
        }
        // History holds the entry's past versions, which are no records of their own.
    }
    std::string& notes = record.Fields.Notes;
    for (const std::string* more :
         {&lines.Strings, &lines.Tags, &lines.Times, &lines.Attachments}) {
        if (!more->empty()) {
            AppendWiping(notes, notes.empty() ? "" : "\r\n");
            AppendWiping(notes, *more);
        }
    }
    return record;
}

void ReadGroup(const TXmlElement& group, std::vector<std::string>& path,
               TImportedRecords& records) {
    path.push_back(std::string(TextOf(group.Child("Name"))));
    const std::string name = GroupName(path, true);
    for (const TXmlElement& child : group.Children) {
        if (child.Name == "Entry") {
            records.push_back(ReadEntry(child, name));
        } else if (child.Name == "Group") {
            ReadGroup(child, path, records);
        }
    }
    path.pop_back();
}

// Text as XML element content. Characters XML 1.0 cannot hold (control characters other than
// tab, LF and CR; U+FFFE, U+FFFF; bytes that are no UTF-8) become U+FFFD, so that the reader
// of the file does not refuse it and the change shows. Notes' line breaks become LF; a CR
// elsewhere is written as a reference, which a reader keeps.
void AppendXmlText(TWipingText& out, std::string_view text, bool multiLine) {
    constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t code = 0;
        const std::size_t length = DecodeUtf8(text, pos, code);
        const std::string_view character = text.substr(pos, length ? length : 1);
        pos += character.size();
        if (length == 0 || (code < 0x20 && code != '\t' && code != '\n' && code != '\r') ||
            code == 0xFFFE || code == 0xFFFF) {
            out << kReplacement;
        } else if (code == '\r' && multiLine) {
            out << "\n";
            pos += text.substr(pos, 1) == "\n" ? 1 : 0;
        } else {
            out << (code == '&'    ? "&amp;"
                    : code == '<'  ? "&lt;"
                    : code == '>'  ? "&gt;"
                    : code == '"'  ? "&quot;"
                    : code == '\r' ? "&#13;"
                                   : character);
        }
    }
}

std::string UuidOf(TUniqueGuids& guids, const TGuid& wanted) {
    const TGuid guid = guids.Take(wanted);
    return Base64Encode(guid.Bytes.data(), guid.Bytes.size());
}

void WriteString(TWipingText& out, std::string_view indent, std::string_view key,
                 std::string_view value) {
    out << indent << "<String>\n"
        << indent << "\t<Key>" << key << "</Key>\n"
        << indent << "\t<Value" << (key == "Password" ? " ProtectInMemory=\"True\">" : ">");
    AppendXmlText(out, value, key == "Notes");
    out << "</Value>\n" << indent << "</String>\n";
}

void WriteTime(TWipingText& out, std::string_view indent, std::string_view name, TDateTime time) {
    if (time != 0) {
        const std::string iso = FormatIsoTime(UnixSecondsFromDateTime(time));
        out << indent << "<" << name << ">" << iso << "</" << name << ">\n";
    }
}

void WriteEntry(TWipingText& out, TUniqueGuids& guids, const TNodeData& record,
                std::string_view indent) {
    const std::string inner = std::string(indent) + "\t";
    const std::string times = inner + "\t";
    const TDateTime modified = record.ModifiedTime != 0 ? record.ModifiedTime : record.AddedTime;
    out << indent << "<Entry>\n"
        << inner << "<UUID>" << UuidOf(guids, record.Guid) << "</UUID>\n"
        << inner << "<Times>\n";
    WriteTime(out, times, "CreationTime", record.AddedTime);
    WriteTime(out, times, "LastModificationTime", modified);
    WriteTime(out, times, "ExpiryTime", record.AddedTime);
    out << times << "<Expires>False</Expires>\n"
        << times << "<UsageCount>0</UsageCount>\n"
        << inner << "</Times>\n";
    WriteString(out, inner, "Title", record.Title);
    WriteString(out, inner, "UserName", record.UserName);
    WriteString(out, inner, "Password", record.Password);
    WriteString(out, inner, "URL", record.Url);
    WriteString(out, inner, "Notes", record.Notes);
    out << indent << "</Entry>\n";
}

void WriteGroupStart(TWipingText& out, TUniqueGuids& guids, const TGuid& guid,
                     std::string_view name, std::string_view indent) {
    out << indent << "<Group>\n"
        << indent << "\t<UUID>" << UuidOf(guids, guid) << "</UUID>\n"
        << indent << "\t<Name>";
    AppendXmlText(out, name, false);
    out << "</Name>\n";
}

}  // namespace

TImportedRecords ImportKeePassXml(std::string_view content) {
    if (content.substr(0, kKdbxSignature.size()) == kKdbxSignature) {
        throw EImportError(
            "This is a KeePass database (.kdbx), not its XML export. Export it as XML first: "
            "\"keepassxc-cli export -f xml DATABASE > FILE.xml\".");
    }
    const TXmlElement file = ParseXml(content);
    const TXmlElement* root = file.Child("Root");
    if (file.Name != "KeePassFile" || !root) {
        throw EImportError(file.Line, "This is not a KeePass XML file.");
    }
    RefuseProtectedValues(file);
    TImportedRecords records;
    std::vector<std::string> path;
    // Root holds the root group; DeletedObjects lists only the ids of deleted entries.
    for (const TXmlElement& child : root->Children) {
        if (child.Name == "Group") {
            ReadGroup(child, path, records);
        }
    }
    return records;
}

std::string ExportKeePassXml(const TRecordTree& tree) {
    const TExportLayout layout = LayOutForExport(tree);
    TUniqueGuids guids;
    TWipingText out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<KeePassFile>\n"
           "\t<Meta>\n\t\t<Generator>Cofferix</Generator>\n\t\t<MemoryProtection>\n"
           "\t\t\t<ProtectTitle>False</ProtectTitle>\n"
           "\t\t\t<ProtectUserName>False</ProtectUserName>\n"
           "\t\t\t<ProtectPassword>True</ProtectPassword>\n"
           "\t\t\t<ProtectURL>False</ProtectURL>\n\t\t\t<ProtectNotes>False</ProtectNotes>\n"
           "\t\t</MemoryProtection>\n\t</Meta>\n\t<Root>\n";
    WriteGroupStart(out, guids, TGuid{}, "Root", "\t\t");
    // Entries come before sub-groups, as KeePass writes them.
    for (const TNodeData* record : layout.TopRecords) {
        WriteEntry(out, guids, *record, "\t\t\t");
    }
    for (const TExportGroup& group : layout.Groups) {
        WriteGroupStart(out, guids, group.Group->Guid, group.Group->Title, "\t\t\t");
        for (const TNodeData* record : group.Records) {
            WriteEntry(out, guids, *record, "\t\t\t\t");
        }
        out << "\t\t\t</Group>\n";
    }
    out << "\t\t</Group>\n\t\t<DeletedObjects/>\n\t</Root>\n</KeePassFile>\n";
    return out.Take();
}
