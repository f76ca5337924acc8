// The commands on records and groups: ls, show, add, edit, rm.

#include <optional>
#include <vector>

#include "base/VaultText.h"
#include "cli/CliError.h"
#include "cli/CliText.h"
#include "cli/Commands.h"
#include "cli/OpenVault.h"
#include "dialogs/PasswordTools.h"
#include "vault/NodeDataText.h"
#include "vault/TreeCommands.h"

namespace {

using TNodes = std::vector<PNode>;

// The records whose group and title equal the names by the case-folded comparison, in file
// order; with a GUID, only the record that carries it.
TNodes MatchingRecords(const TRecordTree& tree, const std::string& group, const std::string& title,
                       const std::optional<TGuid>& guid) {
    TNodes matches;
    tree.ForEach([&](TRecordTree::TNode& node) {
        if (node.Data.IsGroup || CaseFoldedCompare(node.Data.Title, title) != 0 ||
            CaseFoldedCompare(GroupNameOf(tree, &node), group) != 0) {
            return;
        }
        if (!guid || node.Data.Guid == *guid) {
            matches.push_back(&node);
        }
    });
    return matches;
}

TNodes MatchingGroups(const TRecordTree& tree, const std::string& name) {
    TNodes matches;
    for (int row = 0; row < tree.ChildCount(nullptr); ++row) {
        PNode node = tree.Child(nullptr, row);
        if (node->Data.IsGroup && CaseFoldedCompare(node->Data.Title, name) == 0) {
            matches.push_back(node);
        }
    }
    return matches;
}

std::optional<TGuid> GuidOption(const TCliSession& session) {
    const std::string* text = session.Call().Value("--guid");
    if (text == nullptr) {
        return std::nullopt;
    }
    TGuid guid;
    if (!ParseGuid(*text, guid)) {
        throw UsageError("--guid takes a GUID like {0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9}");
    }
    return guid;
}

std::string RecordName(const TCliSession& session) {
    return "\"" + session.Arg(2) + "\" in group \"" + session.Arg(1) + "\"";
}

// The records that GROUP TITLE (and --guid) name; none is a refusal.
// A copy of a secret for one command, wiped however the command ends.
struct TWipedText {
    std::string Value;
    ~TWipedText() { WipeString(Value); }
};

TNodes FindRecords(TCliSession& session, const TRecordTree& tree) {
    const std::string group =
        VaultTextForMatching(session.Arg(1), kGroupField.Name, session.TextKind());
    const std::string title =
        VaultTextForMatching(session.Arg(2), kTitleField.Name, session.TextKind());
    TNodes matches = MatchingRecords(tree, group, title, GuidOption(session));
    if (matches.empty()) {
        throw ECliError("no record " + RecordName(session), kExitRefused);
    }
    return matches;
}

// The one record a change applies to; several matches change nothing.
PNode FindSingleRecord(TCliSession& session, const TRecordTree& tree) {
    const TNodes matches = FindRecords(session, tree);
    if (matches.size() > 1) {
        throw ECliError(std::to_string(matches.size()) + " records match " + RecordName(session) +
                            "; nothing was changed ('show' lists them, --guid picks one)",
                        kExitRefused);
    }
    return matches.front();
}

std::string GroupArgument(const TCliSession& session, const std::string& utf8) {
    std::string group = VaultTextFromUtf8(utf8, kGroupField, session.TextKind());
    if (IsBlankGroupName(group)) {
        throw UsageError("the group name is blank");
    }
    return group;
}

std::optional<std::string> FieldOption(const TCliSession& session, std::string_view option,
                                       const TFieldRule& rule) {
    const std::string* value = session.Call().Value(option);
    if (value == nullptr) {
        return std::nullopt;
    }
    return VaultTextFromUtf8(*value, rule, session.TextKind());
}

void RefuseTwoPasswordSources(const TCliSession& session) {
    if (session.Call().Has("--generate") && session.Call().Has("--ask-password")) {
        throw UsageError("--generate and --ask-password exclude each other");
    }
}

// The record's new password from --generate or --ask-password; false when neither is given.
bool NewRecordPassword(TCliSession& session, std::string& password) {
    if (session.Call().Has("--generate")) {
        WipeString(password);
        password = CreateRecordPassword();
        return true;
    }
    if (!session.Call().Has("--ask-password")) {
        return false;
    }
    TSecretText typed;
    session.ReadPassword("Record password: ", "record's password", typed);
    if (session.TextKind() == TVaultTextKind::CodePage1252 &&
        typed.Value().size() > kRecordPasswordMaxLength) {
        throw UsageError("the record's password is longer than " +
                         std::to_string(kRecordPasswordMaxLength) + " characters");
    }
    WipeString(password);
    password.assign(typed.Value());
    return true;
}

void PrintField(std::ostream& out, std::string_view label, const std::string& utf8) {
    constexpr std::size_t kLabelWidth = 10;
    std::string line = std::string(label) + ":";
    line.resize(kLabelWidth, ' ');
    // Further lines of the notes stand under the first.
    for (const char c : utf8) {
        line.push_back(c);
        if (c == '\n') {
            line.append(kLabelWidth, ' ');
        }
    }
    out << line << "\n";
    WipeString(line);
}

void PrintRecord(std::ostream& out, const TRecordTree& tree, const TRecordTree::TNode& record,
                 bool showPassword) {
    const TNodeData& data = record.Data;
    PrintField(out, "Group", TerminalText(GroupNameOf(tree, &record)));
    PrintField(out, "Title", TerminalText(data.Title));
    PrintField(out, "User", TerminalText(data.UserName));
    if (showPassword) {
        std::string password = TerminalText(data.Password);
        PrintField(out, "Password", password);
        WipeString(password);
    } else {
        PrintField(out, "Password", "(hidden; --show-password shows it)");
    }
    PrintField(out, "URL", TerminalText(data.Url));
    std::string notes = TerminalText(data.Notes, true);
    PrintField(out, "Notes", notes);
    WipeString(notes);
    PrintField(out, "Added", FormatDateTime(data.AddedTime));
    PrintField(out, "GUID", FormatGuid(data.Guid));
}

// The vault's format decides what text its records take; told before any password is asked,
// so that text the vault cannot hold is refused first.
void LearnTextKind(TCliSession& session) {
    session.SetTextKind(TextKindOfVault(session.Arg(0)));
}

}  // namespace

int RunList(TCliSession& session) {
    TVaultSession vault;
    OpenVault(session, session.Arg(0), vault);
    const TRecordTree& tree = vault.Tree();
    tree.ForEach([&](TRecordTree::TNode& node) {
        const bool topLevel = tree.Parent(&node) == nullptr;
        session.Out() << (topLevel ? "" : "  ") << TerminalText(node.Data.Title) << "\n";
    });
    return kExitOk;
}

int RunShow(TCliSession& session) {
    TVaultSession vault;
    OpenVault(session, session.Arg(0), vault);
    const bool showPassword = session.Call().Has("--show-password");
    const TNodes matches = FindRecords(session, vault.Tree());
    for (std::size_t i = 0; i < matches.size(); ++i) {
        if (i > 0) {
            session.Out() << "\n";
        }
        PrintRecord(session.Out(), vault.Tree(), *matches[i], showPassword);
    }
    return kExitOk;
}

int RunAdd(TCliSession& session) {
    RefuseTwoPasswordSources(session);
    LearnTextKind(session);
    const std::string group = GroupArgument(session, session.Arg(1));
    TNodeData fields;
    fields.Title = VaultTextFromUtf8(session.Arg(2), kTitleField, session.TextKind());
    fields.UserName = FieldOption(session, "--user", kUserField).value_or("");
    fields.Url = FieldOption(session, "--url", kUrlField).value_or("");
    fields.Notes = FieldOption(session, "--notes", kNotesField).value_or("");

    TVaultSession vault;
    OpenVault(session, session.Arg(0), vault);
    NewRecordPassword(session, fields.Password);
    ChangeVault(vault, [&](TVaultChange& change) { change.AddRecord(group, fields); });
    return kExitOk;
}

int RunEdit(TCliSession& session) {
    RefuseTwoPasswordSources(session);
    LearnTextKind(session);
    const std::optional<std::string> title = FieldOption(session, "--title", kTitleField);
    const std::optional<std::string> user = FieldOption(session, "--user", kUserField);
    const std::optional<std::string> url = FieldOption(session, "--url", kUrlField);
    const std::optional<std::string> notes = FieldOption(session, "--notes", kNotesField);
    const std::string* groupText = session.Call().Value("--group");
    const std::optional<std::string> group =
        groupText ? std::optional(GroupArgument(session, *groupText)) : std::nullopt;
    GuidOption(session);  // a malformed GUID is bad usage, found before any password is asked

    TVaultSession vault;
    OpenVault(session, session.Arg(0), vault);
    FindSingleRecord(session, vault.Tree());  // refused before a new password is asked for
    TWipedText password;
    const bool newPassword = NewRecordPassword(session, password.Value);
    ChangeVault(vault, [&](TVaultChange& change) {
        const PNode record = FindSingleRecord(session, change.Tree());
        const TNodeData& data = record->Data;
        TNodeData fields;
        fields.Password = newPassword ? password.Value : data.Password;
        fields.Title = title.value_or(data.Title);
        fields.UserName = user.value_or(data.UserName);
        fields.Url = url.value_or(data.Url);
        fields.Notes = notes.value_or(data.Notes);
        change.ModifyRecord(record, fields, group.value_or(GroupNameOf(change.Tree(), record)));
    });
    return kExitOk;
}

int RunRemove(TCliSession& session) {
    const bool wholeGroup = session.ArgCount() == 2;
    if (wholeGroup && session.Call().Has("--guid")) {
        throw UsageError("--guid picks a record; give its TITLE too");
    }
    GuidOption(session);
    LearnTextKind(session);
    if (!wholeGroup) {
        VaultTextForMatching(session.Arg(2), kTitleField.Name, session.TextKind());
    }
    const std::string group =
        VaultTextForMatching(session.Arg(1), kGroupField.Name, session.TextKind());

    TVaultSession vault;
    OpenVault(session, session.Arg(0), vault);
    ChangeVault(vault, [&](TVaultChange& change) {
        if (!wholeGroup) {
            change.Remove({FindSingleRecord(session, change.Tree())});
            return;
        }
        const TNodes groups = MatchingGroups(change.Tree(), group);
        if (groups.empty()) {
            throw ECliError("no group \"" + session.Arg(1) + "\"", kExitRefused);
        }
        if (groups.size() > 1) {
            throw ECliError(std::to_string(groups.size()) + " groups are named \"" +
                                session.Arg(1) + "\"; nothing was removed",
                            kExitRefused);
        }
        change.Remove({groups.front()});
    });
    return kExitOk;
}
