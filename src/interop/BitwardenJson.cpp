#include "interop/BitwardenJson.h"

#include <cstdio>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "base/Cp1252.h"
#include "base/Wipe.h"
#include "interop/ExportLayout.h"
#include "interop/InteropText.h"
#include "interop/JsonReader.h"
#include "vault/Clock.h"
#include "vault/NodeDataText.h"

namespace {

using namespace ImportText;
using TKind = TJsonValue::TKind;
using TNamesById = std::map<std::string, std::string, std::less<>>;

struct TLabel {
    std::string_view Name;   // the member's name in the file
    std::string_view Label;  // the name of its note line
};

constexpr TLabel kCardFields[] = {
    {"cardholderName", "Cardholder Name"}, {"brand", "Brand"},         {"number", "Number"},
    {"expMonth", "Expiry Month"},          {"expYear", "Expiry Year"}, {"code", "Security Code"},
};

constexpr TLabel kIdentityFields[] = {
    {"title", "Title"},
    {"firstName", "First Name"},
    {"middleName", "Middle Name"},
    {"lastName", "Last Name"},
    {"company", "Company"},
    {"email", "Email"},
    {"phone", "Phone"},
    {"address1", "Address 1"},
    {"address2", "Address 2"},
    {"address3", "Address 3"},
    {"city", "City"},
    {"state", "State"},
    {"postalCode", "Postal Code"},
    {"country", "Country"},
    {"ssn", "SSN"},
    {"username", "Username"},
    {"passportNumber", "Passport Number"},
    {"licenseNumber", "License Number"},
};

constexpr TLabel kSshKeyFields[] = {
    {"privateKey", "Private Key"},
    {"publicKey", "Public Key"},
    {"keyFingerprint", "Fingerprint"},
};

// Item kinds of newer Bitwarden versions; their fields keep their own names.
constexpr std::string_view kOtherKinds[] = {"bankAccount", "driversLicense", "passport"};

constexpr std::string_view kEncrypted =
    "This is an encrypted Bitwarden export. Export the vault again in the format \".json\" "
    "(not \".json (Encrypted)\") and import that file.";
constexpr std::string_view kNotBitwarden = "This is not a Bitwarden JSON export.";

std::string_view TextAt(const TJsonValue* object, std::string_view name) {
    const TJsonValue* value = object ? object->Find(name) : nullptr;
    return value ? value->AsText() : std::string_view();
}

const TJsonValue* ObjectAt(const TJsonValue& object, std::string_view name) {
    const TJsonValue* value = object.Find(name);
    return value && value->Is(TKind::Object) ? value : nullptr;
}

const std::vector<TJsonValue>& ItemsAt(const TJsonValue* object, std::string_view name) {
    static const std::vector<TJsonValue> kNone;
    const TJsonValue* value = object ? object->Find(name) : nullptr;
    return value && value->Is(TKind::Array) ? value->Items : kNone;
}

// Bitwarden's encrypted strings: "2.iv|data|mac", each part base64.
bool IsCipherString(std::string_view text) {
    if (text.size() < 2 || text[0] < '0' || text[0] > '9' || text[1] != '.') {
        return false;
    }
    text.remove_prefix(2);
    std::size_t parts = 0;
    for (;;) {
        const std::size_t bar = text.find('|');
        const std::string_view part = text.substr(0, bar);
        if (part.size() < 4 ||
            part.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnop"
                                   "qrstuvwxyz0123456789+/=") != std::string_view::npos) {
            return false;
        }
        ++parts;
        if (bar == std::string_view::npos) {
            return parts >= 2 && parts <= 3;
        }
        text.remove_prefix(bar + 1);
    }
}

void RefuseEncrypted(const TJsonValue* name) {
    if (name && IsCipherString(name->AsText())) {
        throw EImportError(name->Line, kEncrypted);
    }
}

TNamesById NamesById(const TJsonValue& root, std::string_view list) {
    TNamesById names;
    for (const TJsonValue& entry : ItemsAt(&root, list)) {
        if (!entry.Is(TKind::Object)) {
            throw EImportError(entry.Line, kNotBitwarden);
        }
        RefuseEncrypted(entry.Find("name"));
        names.emplace(TextAt(&entry, "id"), TextAt(&entry, "name"));
    }
    return names;
}

// The folder; for an organisation's item, its first collection that the file names.
std::string GroupOf(const TJsonValue& item, const TNamesById& folders,
                    const TNamesById& collections) {
    if (const auto folder = folders.find(TextAt(&item, "folderId")); folder != folders.end()) {
        return GroupName({folder->second}, false);
    }
    for (const TJsonValue& id : ItemsAt(&item, "collectionIds")) {
        if (const auto found = collections.find(id.AsText()); found != collections.end()) {
            return GroupName({found->second}, false);
        }
    }
    return GroupName({}, false);
}

void AppendLabelled(std::string& lines, const TJsonValue* object, std::span<const TLabel> labels) {
    for (const TLabel& label : labels) {
        AppendNoteLine(lines, label.Label, TextAt(object, label.Name));
    }
}

// "accountNumber" as "Account Number".
std::string Humanised(std::string_view name) {
    std::string label;
    for (const char c : name) {
        const bool upper = c >= 'A' && c <= 'Z';
        if (label.empty() && c >= 'a' && c <= 'z') {
            label += static_cast<char>(c - 'a' + 'A');
            continue;
        }
        if (upper && !label.empty()) {
            label += ' ';
        }
        label += c;
    }
    return label;
}

void ReadLogin(const TJsonValue& login, TNodeData& fields, std::string& lines) {
    for (const TJsonValue& entry : ItemsAt(&login, "uris")) {
        const std::string_view uri = TextAt(&entry, "uri");
        if (fields.Url.empty()) {
            fields.Url = SingleLine(uri);
        } else {
            AppendNoteLine(lines, "URL", uri);
        }
    }
    fields.UserName = SingleLine(TextAt(&login, "username"));
    fields.Password = SingleLine(TextAt(&login, "password"));
    AppendNoteLine(lines, "TOTP", TextAt(&login, "totp"));
}

void ReadTimes(const TJsonValue& item, const TJsonValue* login, TNodeData& fields) {
    if (const auto created = ParseIsoTime(TextAt(&item, "creationDate"))) {
        fields.AddedTime = fields.AddedTime2 = DateTimeFromUnixSeconds(*created);
    }
    const auto revised = ParseIsoTime(TextAt(&item, "revisionDate"));
    if (revised) {
        fields.ModifiedTime = DateTimeFromUnixSeconds(*revised);
    }
    // An item whose password never changed gives no time of its own for it.
    if (const auto changed = ParseIsoTime(TextAt(login, "passwordRevisionDate"))) {
        fields.PasswordChangedTime = DateTimeFromUnixSeconds(*changed);
    } else if (revised) {
        fields.PasswordChangedTime = fields.ModifiedTime;
    }
}

TImportedRecord ReadItem(const TJsonValue& item, const TNamesById& folders,
                         const TNamesById& collections) {
    if (!item.Is(TKind::Object)) {
        throw EImportError(item.Line, kNotBitwarden);
    }
    RefuseEncrypted(item.Find("name"));
    TImportedRecord record;
    record.SourceLine = item.Line;
    record.Group = GroupOf(item, folders, collections);
    TNodeData& fields = record.Fields;
    fields.Title = SingleLine(TextAt(&item, "name"));
    fields.Notes = MultiLine(TextAt(&item, "notes"));
    std::string lines;
    const TJsonValue* login = ObjectAt(item, "login");
    if (login) {
        ReadLogin(*login, fields, lines);
    }
    AppendLabelled(lines, ObjectAt(item, "card"), kCardFields);
    AppendLabelled(lines, ObjectAt(item, "identity"), kIdentityFields);
    AppendLabelled(lines, ObjectAt(item, "sshKey"), kSshKeyFields);
    for (const std::string_view kind : kOtherKinds) {
        if (const TJsonValue* object = ObjectAt(item, kind)) {
            for (const TJsonMember& member : object->Members) {
                AppendNoteLine(lines, Humanised(member.Name), member.Value.AsText());
            }
        }
    }
    for (const TJsonValue& field : ItemsAt(&item, "fields")) {
        const std::string_view name = TextAt(&field, "name");
        AppendNoteLine(lines, name.empty() ? "Field" : name, TextAt(&field, "value"));
    }
    if (const TJsonValue* favorite = item.Find("favorite"); favorite && favorite->Bool) {
        AppendNoteLine(lines, "Favorite", "yes");
    }
    ReadTimes(item, login, fields);
    if (!lines.empty()) {
        AppendWiping(fields.Notes, fields.Notes.empty() ? "" : "\r\n");
        AppendWiping(fields.Notes, lines);
    }
    WipeString(lines);
    return record;
}

// Text as a JSON string. Bytes that are no UTF-8 become U+FFFD; notes' line breaks become LF.
void AppendJsonString(TWipingText& out, std::string_view text, bool multiLine) {
    out << "\"";
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t code = 0;
        const std::size_t length = DecodeUtf8(text, pos, code);
        const std::string_view character = text.substr(pos, length ? length : 1);
        pos += character.size();
        if (code == '\r' && multiLine) {
            code = '\n';
            pos += text.substr(pos, 1) == "\n" ? 1 : 0;
        }
        if (length == 0) {
            out << "\xEF\xBF\xBD";
        } else if (code == '"' || code == '\\') {
            out << (code == '"' ? "\\\"" : "\\\\");
        } else if (code == '\n' || code == '\r' || code == '\t') {
            out << (code == '\n' ? "\\n" : code == '\r' ? "\\r" : "\\t");
        } else if (code < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(code));
            out << escape;
        } else {
            out << character;
        }
    }
    out << "\"";
}

// Empty text as null, as Bitwarden writes an absent value.
void AppendJsonStringOrNull(TWipingText& out, std::string_view text, bool multiLine) {
    if (text.empty()) {
        out << "null";
    } else {
        AppendJsonString(out, text, multiLine);
    }
}

// Bitwarden's ids are GUIDs in lower case.
std::string IdOf(TUniqueGuids& guids, const TGuid& wanted) {
    std::string id = FormatGuid(guids.Take(wanted));
    id = id.substr(1, id.size() - 2);
    for (char& c : id) {
        c = (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return id;
}

// ISO 8601 in UTC with milliseconds, as JavaScript writes a date; null when unknown.
std::string DateText(TDateTime time) {
    if (time == 0) {
        return "null";
    }
    std::string iso = FormatIsoTime(UnixSecondsFromDateTime(time));
    iso.insert(iso.size() - 1, ".000");
    return "\"" + iso + "\"";
}

void WriteItem(TWipingText& out, TUniqueGuids& guids, const TNodeData& record,
               std::string_view folderId) {
    const TDateTime revised = record.ModifiedTime != 0 ? record.ModifiedTime : record.AddedTime;
    out << "\n    {\n      \"passwordHistory\": null,\n      \"revisionDate\": "
        << DateText(revised) << ",\n      \"creationDate\": " << DateText(record.AddedTime)
        << ",\n      \"deletedDate\": null,\n      \"id\": \"" << IdOf(guids, record.Guid)
        << "\",\n      \"organizationId\": null,\n      \"folderId\": " << folderId
        << ",\n      \"type\": 1,\n      \"reprompt\": 0,\n      \"name\": ";
    AppendJsonString(out, record.Title, false);
    out << ",\n      \"notes\": ";
    AppendJsonStringOrNull(out, record.Notes, true);
    out << ",\n      \"favorite\": false,\n      \"login\": {\n        \"fido2Credentials\": [],\n"
           "        \"uris\": [";
    if (!record.Url.empty()) {
        out << "\n          {\n            \"match\": null,\n            \"uri\": ";
        AppendJsonString(out, record.Url, false);
        out << "\n          }\n        ";
    }
    out << "],\n        \"username\": ";
    AppendJsonString(out, record.UserName, false);
    out << ",\n        \"password\": ";
    AppendJsonString(out, record.Password, false);
    out << ",\n        \"totp\": null\n      },\n      \"collectionIds\": null\n    }";
}

}  // namespace

TImportedRecords ImportBitwardenJson(std::string_view content) {
    const TJsonValue root = ParseJson(content);
    if (!root.Is(TKind::Object)) {
        throw EImportError(root.Line, kNotBitwarden);
    }
    for (const std::string_view flag : {"encrypted", "passwordProtected"}) {
        if (const TJsonValue* value = root.Find(flag); value && value->Bool) {
            throw EImportError(value->Line, kEncrypted);
        }
    }
    const TJsonValue* items = root.Find("items");
    if (!items || !items->Is(TKind::Array)) {
        throw EImportError(root.Line, kNotBitwarden);
    }
    const TNamesById folders = NamesById(root, "folders");
    const TNamesById collections = NamesById(root, "collections");
    TImportedRecords records;
    for (const TJsonValue& item : items->Items) {
        records.push_back(ReadItem(item, folders, collections));
    }
    return records;
}

std::string ExportBitwardenJson(const TRecordTree& tree) {
    const TExportLayout layout = LayOutForExport(tree);
    TUniqueGuids guids;
    TWipingText out;
    std::vector<std::string> folderIds;
    out << "{\n  \"encrypted\": false,\n  \"folders\": [";
    for (const TExportGroup& group : layout.Groups) {
        // Built by appending: GCC's optimiser warns falsely on "literal" + string here.
        std::string id(1, '"');
        id += IdOf(guids, group.Group->Guid);
        id += '"';
        folderIds.push_back(std::move(id));
        out << (folderIds.size() > 1 ? "," : "") << "\n    {\n      \"id\": " << folderIds.back()
            << ",\n      \"name\": ";
        AppendJsonString(out, group.Group->Title, false);
        out << "\n    }";
    }
    out << (folderIds.empty() ? "],\n" : "\n  ],\n") << "  \"items\": [";
    bool first = true;
    const auto writeItems = [&](const std::vector<const TNodeData*>& records,
                                std::string_view folderId) {
        for (const TNodeData* record : records) {
            out << (first ? "" : ",");
            first = false;
            WriteItem(out, guids, *record, folderId);
        }
    };
    writeItems(layout.TopRecords, "null");
    for (std::size_t i = 0; i < layout.Groups.size(); ++i) {
        writeItems(layout.Groups[i].Records, folderIds[i]);
    }
    out << (first ? "]\n}\n" : "\n  ]\n}\n");
    return out.Take();
}
