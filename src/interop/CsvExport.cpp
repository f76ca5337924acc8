#include "interop/CsvExport.h"

#include <string_view>

#include "interop/ImportedRecord.h"
#include "vault/Clock.h"

namespace {

constexpr std::string_view kHeader =
    "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
    "\"Last Modified\",\"Created\"\n";

// Room for a row beyond its texts: quotes, commas, "Root/", the icon and two times.
constexpr std::size_t kRowOverhead = 128;

// Appends text quoted, its quotes doubled and each line break as LF, then the separator.
void AppendField(std::string& out, std::string_view text, char separator = ',') {
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            out += "\"\"";
        } else if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            out += '\n';
        } else {
            out += c;
        }
    }
    out += '"';
    out += separator;
}

std::string IsoTime(TDateTime time) {
    return time == 0 ? std::string() : ImportText::FormatIsoTime(UnixSecondsFromDateTime(time));
}

// A bound on the text's length, so that it is never moved to a larger buffer and a copy of
// the passwords left behind in the old one.
std::size_t SizeBound(const TRecordTree& tree) {
    std::size_t size = kHeader.size();
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        const TNodeData& d = node->Data;
        const PNode parent = tree.Parent(node);
        size += kRowOverhead +
                2 * (d.Title.size() + d.UserName.size() + d.Password.size() + d.Url.size() +
                     d.Notes.size() + (parent ? parent->Data.Title.size() : 0));
    }
    return size;
}

}  // namespace

std::string ExportKeePassXcCsv(const TRecordTree& tree) {
    std::string out;
    out.reserve(SizeBound(tree));
    out += kHeader;
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        const TNodeData& d = node->Data;
        if (d.IsGroup) {
            continue;
        }
        const PNode parent = tree.Parent(node);
        AppendField(out, parent ? "Root/" + parent->Data.Title : std::string("Root"));
        AppendField(out, d.Title);
        AppendField(out, d.UserName);
        AppendField(out, d.Password);
        AppendField(out, d.Url);
        AppendField(out, d.Notes);
        AppendField(out, "");   // TOTP
        AppendField(out, "0");  // KeePassXC's default icon
        AppendField(out, IsoTime(d.ModifiedTime != 0 ? d.ModifiedTime : d.AddedTime));
        AppendField(out, IsoTime(d.AddedTime), '\n');
    }
    return out;
}
