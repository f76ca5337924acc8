// The health command: weak, reused, old and breached passwords of a vault, for a person or,
// with --json, for a script. No password is ever printed.

#include <cstdio>
#include <memory>

#include "base/Cp1252.h"
#include "base/Wipe.h"
#include "cli/CliError.h"
#include "cli/CliText.h"
#include "cli/Commands.h"
#include "cli/OpenVault.h"
#include "health/BreachList.h"
#include "health/HealthReport.h"
#include "vault/NodeDataText.h"

namespace {

using TKind = THealthFinding::TKind;

constexpr int kMaxOlderThanDays = 100000;
constexpr TKind kKinds[] = {TKind::Weak, TKind::Reused, TKind::Old, TKind::Breached};

int OlderThanOption(const TCliSession& session) {
    const std::string* value = session.Call().Value("--older-than");
    if (value == nullptr) {
        return THealthOptions().OlderThanDays;
    }
    int days = 0;
    bool valid = !value->empty() && value->size() <= 6;
    for (const char c : *value) {
        valid = valid && c >= '0' && c <= '9';
        days = days * 10 + (c - '0');
    }
    if (!valid || days > kMaxOlderThanDays) {
        throw UsageError("--older-than takes a number of days, 0 to " +
                         std::to_string(kMaxOlderThanDays));
    }
    return days;
}

// text as a JSON string: quotes, backslashes and control characters escaped, and any byte that
// is no part of well-formed UTF-8 replaced, so that the document always parses.
std::string JsonString(std::string_view text) {
    std::string json = "\"";
    for (std::size_t i = 0; i < text.size();) {
        char32_t character = 0;
        const std::size_t length = DecodeUtf8(text, i, character);
        if (length == 0) {
            json += "\\ufffd";
            ++i;
            continue;
        }
        if (character == '"' || character == '\\') {
            json += '\\';
            json += static_cast<char>(character);
        } else if (character == '\n') {
            json += "\\n";
        } else if (character == '\r') {
            json += "\\r";
        } else if (character == '\t') {
            json += "\\t";
        } else if (character < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(character));
            json += escape;
        } else {
            json.append(text.substr(i, length));
        }
        i += length;
    }
    return json + "\"";
}

void PrintText(std::ostream& out, const THealthReport& report, const THealthRating& master) {
    out << "Master password: " << RatingText(master) << "\n";
    for (const THealthFinding& finding : report.Findings) {
        // Titles and group names may hold anything; they must not steer the terminal.
        out << EscapeControls(finding.Group + " / " + finding.Title + ": " +
                              std::string(FindingKindName(finding.Kind)) + " (" + finding.Detail +
                              ")")
            << "\n";
    }
    out << report.Records << " records: " << report.Count(TKind::Weak) << " weak, "
        << report.Count(TKind::Reused) << " reused, " << report.Count(TKind::Old) << " old, ";
    if (report.BreachesChecked) {
        out << report.Count(TKind::Breached) << " breached\n";
    } else {
        out << "breaches not looked for (--breached FILE)\n";
    }
}

void PrintJson(std::ostream& out, const std::string& vaultPath, const THealthReport& report,
               const THealthRating& master, int olderThanDays, const std::string* breachList) {
    out << "{\n  \"vault\": " << JsonString(vaultPath) << ",\n  \"records\": " << report.Records
        << ",\n  \"masterPassword\": {\"rating\": "
        << JsonString(PasswordStrengthText(master.Level)) << ", \"bits\": " << master.Bits
        << "},\n  \"olderThanDays\": " << olderThanDays
        << ",\n  \"breachList\": " << (breachList ? JsonString(*breachList) : "null")
        << ",\n  \"findings\": [";
    const char* separator = "\n";
    for (const THealthFinding& finding : report.Findings) {
        out << separator << "    {\"guid\": " << JsonString(FormatGuid(finding.Guid))
            << ", \"group\": " << JsonString(finding.Group)
            << ", \"title\": " << JsonString(finding.Title)
            << ", \"kind\": " << JsonString(FindingKindName(finding.Kind))
            << ", \"detail\": " << JsonString(finding.Detail) << "}";
        separator = ",\n";
    }
    out << (report.Findings.empty() ? "],\n" : "\n  ],\n") << "  \"counts\": {";
    separator = "";
    for (const TKind kind : kKinds) {
        out << separator << JsonString(FindingKindName(kind)) << ": ";
        if (kind == TKind::Breached && !report.BreachesChecked) {
            out << "null";
        } else {
            out << report.Count(kind);
        }
        separator = ", ";
    }
    out << "}\n}\n";
}

// The held master password's rating; the copy rated is wiped.
THealthRating MasterRating(const TVaultSession& vault) {
    struct TWipedCopy {
        std::string Text;
        ~TWipedCopy() { WipeString(Text); }
    } password{vault.Password()};
    return RateMasterPassword(password.Text);
}

}  // namespace

int RunHealth(TCliSession& session) {
    const std::string& path = session.Arg(0);
    const int olderThanDays = OlderThanOption(session);
    // A list that is no list fails before the password is asked for.
    const std::string* breachPath = session.Call().Value("--breached");
    std::unique_ptr<TBreachList> breachList;
    if (breachPath != nullptr) {
        breachList = std::make_unique<TBreachList>();
        breachList->Open(*breachPath);
    }
    TVaultSession vault;
    OpenVault(session, path, vault);
    const THealthRating master = MasterRating(vault);
    THealthOptions options;
    options.OlderThanDays = olderThanDays;
    options.Format101 = vault.Format() == TVaultFormat::Format101;
    options.BreachList = breachList.get();
    const THealthReport report = RateVault(vault.Tree(), options);
    if (session.Call().Has("--json")) {
        PrintJson(session.Out(), path, report, master, olderThanDays, breachPath);
    } else {
        PrintText(session.Out(), report, master);
    }
    return report.Findings.empty() ? kExitOk : kExitFindings;
}
