#include "interop/ImportApply.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>

#include "base/Cp1252.h"
#include "base/StringTable.h"
#include "base/Wipe.h"
#include "interop/RecordContentIndex.h"
#include "vault/Clock.h"
#include "vault/FlatIndex.h"
#include "vault/VaultFormat.h"

namespace {

constexpr std::string_view kConvertAdvice = "; convert the database to format 2 to keep it";

// Text fit for a message: what is not UTF-8, and zero characters, shown as U+FFFD.
std::string Printable(std::string_view text) {
    std::string shown;
    for (std::size_t at = 0; at < text.size();) {
        char32_t codePoint = 0;
        const std::size_t length = DecodeUtf8(text, at, codePoint);
        if (length == 0 || codePoint == 0) {
            shown += "\xEF\xBF\xBD";
            at += length == 0 ? 1 : length;
        } else {
            shown.append(text, at, length);
            at += length;
        }
    }
    return shown;
}

std::string Label(std::string_view group, std::string_view title) {
    return Printable(group) + " / " + Printable(title);
}

// "the title is", "the notes are": the field's name with the verb's form it takes.
std::string Subject(std::string_view field, std::string_view singular, std::string_view plural) {
    return "the " + std::string(field) + " " + std::string(field == "notes" ? plural : singular);
}

std::string CodePointName(char32_t codePoint) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(codePoint));
    return text;
}

// Why format 101's field cannot hold text as it is; empty when it can.
std::string WhyFormat101CannotHold(std::string_view text, std::string_view field,
                                   std::size_t fieldSize) {
    const bool secret = field == "password";
    const VaultFormat::TSlotTextCheck check = VaultFormat::CheckSlotText(text, fieldSize);
    switch (check.Problem) {
        case VaultFormat::TSlotTextProblem::None:
            return {};
        case VaultFormat::TSlotTextProblem::InvalidUtf8:
            return Subject(field, "is", "are") + " not valid UTF-8 text";
        case VaultFormat::TSlotTextProblem::ZeroCharacter:
            return Subject(field, "holds", "hold") +
                   " a zero character, which the database cannot hold";
        case VaultFormat::TSlotTextProblem::NotInCodePage:
            return Subject(field, "holds", "hold") +
                   (secret ? std::string(" a character")
                           : " the character " + CodePointName(check.CodePoint)) +
                   " outside Windows-1252, which format 101 cannot hold" +
                   std::string(kConvertAdvice);
        case VaultFormat::TSlotTextProblem::TooLong:
            return Subject(field, "is", "are") + " longer than format 101's " +
                   std::to_string(fieldSize) + " characters" + std::string(kConvertAdvice);
    }
    return {};
}

// Why format 2 cannot hold text: it keeps UTF-8 without zero characters.
std::string WhyFormat2CannotHold(std::string_view text, std::string_view field) {
    if (!IsValidUtf8(text)) {
        return Subject(field, "is", "are") + " not valid UTF-8 text";
    }
    if (text.find('\0') != std::string_view::npos) {
        return Subject(field, "holds", "hold") +
               " a zero character, which the database cannot hold";
    }
    return {};
}

// Why the vault cannot hold the record, in the group of that name, as it is; empty when it can.
std::string WhyCannotHold(std::string_view group, const TNodeData& data, TVaultTextKind kind) {
    const auto why = [kind](std::string_view text, std::string_view field, std::size_t size) {
        return kind == TVaultTextKind::CodePage1252 ? WhyFormat101CannotHold(text, field, size)
                                                    : WhyFormat2CannotHold(text, field);
    };
    if (std::string problem = why(group, "group name", VaultFormat::kTitleSize); !problem.empty()) {
        return problem;
    }
    for (const VaultFormat::TSlotTextField& field : VaultFormat::kSlotTextFields) {
        if (std::string problem = why(data.*field.Text, field.Name, field.Size); !problem.empty()) {
            return problem;
        }
    }
    return {};
}

// The imported fields as a new record of the vault: a fresh Guid, and now for a missing time.
TNodeData NewRecordData(const TNodeData& fields, TDateTime now) {
    TNodeData data = fields;
    data.Guid = CreateGuid();
    data.IsGroup = false;
    data.AddedTime = data.AddedTime != 0 ? data.AddedTime : now;
    data.AddedTime2 = data.AddedTime2 != 0 ? data.AddedTime2 : data.AddedTime;
    data.ModifiedTime = data.ModifiedTime != 0 ? data.ModifiedTime : now;
    if (data.PasswordChangedTime == 0) {
        data.PasswordChangedTime = data.ModifiedTime;
    }
    return data;
}

bool SameContent(std::string_view groupA, const TNodeData& a, std::string_view groupB,
                 const TNodeData& b) {
    return CaseFoldedCompare(groupA, groupB) == 0 && a.Title == b.Title &&
           a.UserName == b.UserName && a.Password == b.Password && a.Url == b.Url &&
           a.Notes == b.Notes;
}

// One merge: this vault's records by Guid and by content, kept current as records come in.
class TMerge {
public:
    // Each record of other adds at most one record here: itself, or a copy.
    TMerge(TVaultChange& change, TMergeSummary& summary, const TRecordTree& other)
        : FChange(change), FSummary(summary), FContent(change.Tree(), other.Count()) {
        const TRecordTree& tree = change.Tree();
        FByGuid.Reserve(tree.Count() + other.Count());
        for (PNode node = tree.First(); node; node = tree.Next(node)) {
            if (!node->Data.IsGroup && node->Data.Guid != TGuid{} && !Ours(node->Data.Guid)) {
                FByGuid.Insert(TGuidHash{}(node->Data.Guid), node);  // the first of a Guid
            }
        }
    }

    void TakeInRecord(std::string_view group, const TNodeData& theirs);
    void TakeInEmptyGroup(const std::string& name);

private:
    enum class TCopy { Made, AlreadyThere, LeftOut };

    bool Holds(std::string_view group, const TNodeData& data, std::string_view title);
    PNode Add(std::string_view group, TNodeData data);
    TCopy KeepCopy(std::string_view group, TNodeData loser);
    void TakeInRecordWithoutGuid(std::string_view group, const TNodeData& theirs);
    // This vault's record with that Guid; null when there is none.
    PNode Ours(const TGuid& guid) const {
        const PNode* found = FByGuid.Find(TGuidHash{}(guid),
                                          [&](PNode record) { return record->Data.Guid == guid; });
        return found ? *found : nullptr;
    }

    TVaultChange& FChange;
    TMergeSummary& FSummary;
    TRecordContentIndex FContent;
    TFlatIndex<PNode> FByGuid;
};

bool TMerge::Holds(std::string_view group, const TNodeData& data, std::string_view title) {
    const std::string why = WhyCannotHold(group, data, FChange.TextKind());
    if (!why.empty()) {
        FSummary.LeftOut.push_back(Label(group, title) + ": " + why);
    }
    return why.empty();
}

PNode TMerge::Add(std::string_view group, TNodeData data) {
    const PNode added = FChange.TakeInRecord(std::string(group), std::move(data));
    FContent.Add(added);
    FByGuid.Insert(TGuidHash{}(added->Data.Guid), added);  // a Guid no record had
    return added;
}

TMerge::TCopy TMerge::KeepCopy(std::string_view group, TNodeData loser) {
    if (FContent.Find(group, loser)) {
        return TCopy::AlreadyThere;
    }
    const std::size_t titleLength = loser.Title.size();
    std::string marked;
    marked.reserve(titleLength + kMergedCopyMark.size());
    marked.append(loser.Title).append(kMergedCopyMark);
    WipeString(loser.Title);  // a growing string would leave its former buffer unwiped
    loser.Title.swap(marked);
    if (FContent.Find(group, loser)) {
        return TCopy::AlreadyThere;
    }
    if (!Holds(group, loser, std::string_view(loser.Title).substr(0, titleLength))) {
        return TCopy::LeftOut;
    }
    loser.Guid = CreateGuid();
    Add(group, std::move(loser));
    ++FSummary.KeptAsCopies;
    return TCopy::Made;
}

void TMerge::TakeInRecord(std::string_view group, const TNodeData& theirs) {
    if (theirs.Guid == TGuid{}) {
        TakeInRecordWithoutGuid(group, theirs);
        return;
    }
    const PNode ours = Ours(theirs.Guid);
    if (!ours) {
        // The same record made apart in both (the same file imported into each, say) is not
        // doubled.
        if (FContent.Find(group, theirs)) {
            ++FSummary.Unchanged;
        } else if (Holds(group, theirs, theirs.Title)) {
            Add(group, theirs);
            ++FSummary.Added;
        }
        return;
    }
    const std::string ourGroup(GroupNameViewOf(FChange.Tree(), ours));
    if (SameContent(ourGroup, ours->Data, group, theirs)) {
        ++FSummary.Unchanged;
        return;
    }
    const TDateTime ourTime = ours->Data.ModifiedTime;
    const bool theirsLater =
        ourTime != 0 && theirs.ModifiedTime != 0 && theirs.ModifiedTime > ourTime;
    if (!theirsLater) {
        if (KeepCopy(ourGroup, theirs) == TCopy::AlreadyThere) {
            ++FSummary.Unchanged;
        }
        return;
    }
    if (!Holds(group, theirs, theirs.Title)) {
        return;
    }
    TNodeData loser = ours->Data;
    FContent.Forget(ours);
    FChange.TakeInContent(ours, theirs);
    FChange.MoveRecord(ours, std::string(group));
    FContent.Add(ours);
    ++FSummary.Updated;
    KeepCopy(GroupNameViewOf(FChange.Tree(), ours), std::move(loser));
}

// A record without a Guid (zero) matches none: it comes in with a fresh one unless its group
// holds its content.
void TMerge::TakeInRecordWithoutGuid(std::string_view group, const TNodeData& theirs) {
    if (FContent.Find(group, theirs)) {
        ++FSummary.Unchanged;
    } else if (Holds(group, theirs, theirs.Title)) {
        TNodeData data = theirs;
        data.Guid = CreateGuid();
        Add(group, std::move(data));
        ++FSummary.Added;
    }
}

void TMerge::TakeInEmptyGroup(const std::string& name) {
    const std::string why = WhyCannotHold(name, TNodeData{}, FChange.TextKind());
    if (!why.empty()) {
        FSummary.LeftOut.push_back(Printable(name) + " (group): " + why);
        return;
    }
    FChange.AddGroup(name);
}

}  // namespace

TImportSummary ImportRecords(TVaultChange& change, const TImportedRecords& records,
                             TVaultTextKind kind) {
    TImportSummary summary;
    TRecordContentIndex present(change.Tree(), records.size());
    const TDateTime now = NowAsDateTime();
    const std::string defaultGroup(Str::sDefaultGroup);
    for (const TImportedRecord& record : records) {
        const std::string& group = IsBlankGroupName(record.Group) ? defaultGroup : record.Group;
        if (const std::string why = WhyCannotHold(group, record.Fields, kind); !why.empty()) {
            summary.LeftOut.push_back(Label(group, record.Fields.Title) + ": " + why);
            continue;
        }
        if (present.Find(group, record.Fields)) {
            ++summary.AlreadyPresent;
            continue;
        }
        present.Add(change.TakeInRecord(group, NewRecordData(record.Fields, now)));
        ++summary.Added;
    }
    return summary;
}

TMergeSummary MergeVault(TVaultChange& change, const TRecordTree& other) {
    TMergeSummary summary;
    TMerge merge(change, summary, other);
    for (PNode node = other.First(); node; node = other.Next(node)) {
        if (!node->Data.IsGroup) {
            merge.TakeInRecord(GroupNameViewOf(other, node), node->Data);
        } else if (node->Children.empty()) {
            merge.TakeInEmptyGroup(node->Data.Title);
        }
    }
    return summary;
}

namespace {

// What a sync service puts between NAME and .EXT (see the header).
const std::regex& ConflictMarks() {
    static const std::regex marks(
        R"(\.sync-conflict-\d{8}-\d{6}-[A-Za-z0-9]+)"
        R"(|_conflict-\d{8}-\d{6})"
        R"(| \((?:[^()]+(?:'|\xE2\x80\x99)s )?conflicted copy (?:\d{4}-\d{2}-\d{2}|\d{8}))"
        R"((?:[ _T-]?\d{2}[-:.]?\d{2}(?:[-:.]?\d{2})?)?(?: \(\d+\))?\)(?: \(\d+\))?)",
        std::regex::ECMAScript | std::regex::icase | std::regex::optimize);
    return marks;
}

bool IsConflictCopyName(const std::string& name, std::string_view stem, std::string_view ext) {
    if (name.size() <= stem.size() + ext.size() || !name.starts_with(stem) ||
        !name.ends_with(ext)) {
        return false;
    }
    const std::string middle = name.substr(stem.size(), name.size() - stem.size() - ext.size());
    return std::regex_match(middle, ConflictMarks());
}

}  // namespace

std::vector<std::string> FindConflictCopies(const std::string& vaultPath) {
    namespace fs = std::filesystem;
    std::vector<std::string> copies;
    try {
        const fs::path path(vaultPath);
        const std::string fileName = path.filename().string();
        if (fileName.empty()) {
            return {};
        }
        const std::size_t dot = fileName.rfind('.');
        const std::string stem = fileName.substr(0, dot);
        const std::string ext = dot == std::string::npos ? "" : fileName.substr(dot);
        const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            std::error_code typeError;
            if (it->is_regular_file(typeError) &&
                IsConflictCopyName(it->path().filename().string(), stem, ext)) {
                copies.push_back((path.parent_path() / it->path().filename()).string());
            }
        }
    } catch (const std::exception&) {
        return {};  // a name the file system cannot give, or no memory: no copies to offer
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}
