#include "health/HealthReport.h"

#include <cmath>
#include <optional>
#include <span>

#include "base/Wipe.h"
#include "health/BreachList.h"
#include "health/EqualPasswords.h"
#include "health/ParallelWork.h"
#include "health/PasswordSha1.h"
#include "vault/TreeCommands.h"

namespace {

using TKind = THealthFinding::TKind;
using TNode = TRecordTree::TNode;

// A password shared by a crowd (every record without one) names this many others, then counts.
constexpr std::size_t kNamedOthers = 5;

// What is known of one distinct password.
struct TPasswordResult {
    THealthRating Rating;
    std::optional<std::uint64_t> Breaches;
};

struct TWipedSha1 {
    TSha1 Digest{};
    ~TWipedSha1() { WipeBytes(Digest.data(), Digest.size()); }
};

TPasswordResult RateOnePassword(const std::string& password, const TBreachList* breachList) {
    TPasswordResult result;
    result.Rating = RatePassword(password);
    if (breachList != nullptr) {
        TWipedSha1 sha1;
        PasswordSha1(password, sha1.Digest);
        result.Breaches = breachList->Lookup(sha1.Digest.data());
    }
    return result;
}

// "Group / Title" of each record, made when first asked for: a password shared by a crowd
// names the same few records again and again.
class TRecordNames {
public:
    TRecordNames(const TRecordTree& tree, const std::vector<const TNode*>& records)
        : FTree(tree), FRecords(records), FNames(records.size()) {}

    const std::string& Group(std::size_t record) {
        TName& name = FNames[record];
        if (!name.Known) {
            name.Group = GroupNameOf(FTree, FRecords[record]);
            name.Known = true;
        }
        return name.Group;
    }
    const std::string& Full(std::size_t record) {
        TName& name = FNames[record];
        if (name.Full.empty()) {
            name.Full = Group(record) + " / " + FRecords[record]->Data.Title;
        }
        return name.Full;
    }

private:
    struct TName {
        bool Known = false;
        std::string Group;
        std::string Full;
    };
    const TRecordTree& FTree;
    const std::vector<const TNode*>& FRecords;
    std::vector<TName> FNames;
};

std::string ReusedDetail(TRecordNames& names, std::span<const std::size_t> sharing,
                         std::size_t self) {
    std::string detail;
    std::size_t named = 0;
    for (const std::size_t other : sharing) {
        if (other == self) {
            continue;
        }
        if (named == kNamedOthers) {
            break;
        }
        if (named++ > 0) {
            detail += ", ";
        }
        detail += names.Full(other);
    }
    const std::size_t others = sharing.size() - 1;
    if (others > named) {
        detail += " and " + std::to_string(others - named) + " more";
    }
    return detail;
}

// The age of a record's password in days, or nothing when the record holds no time for it.
// Format 101 keeps no password time, and a format-2 record converted from 101 has none until
// its password changes: their age counts from when the record was added.
std::optional<std::string> OldDetail(const TNodeData& data, const THealthOptions& options) {
    const bool fromAdded = options.Format101 || data.PasswordChangedTime == 0;
    const TDateTime since = fromAdded ? data.AddedTime2 : data.PasswordChangedTime;
    // Whole days: a password is old from the first whole day past the limit.
    const double days = std::floor(options.Now - since);
    if (since == 0 || !(days > options.OlderThanDays)) {
        return std::nullopt;
    }
    return std::to_string(static_cast<long long>(days)) + " days" +
           (fromAdded ? ", counted from when the record was added" : " since it was changed");
}

std::string BreachedDetail(std::uint64_t count) {
    return count == 1 ? "seen once in breaches"
                      : "seen " + std::to_string(count) + " times in breaches";
}

}  // namespace

std::string_view FindingKindName(THealthFinding::TKind kind) {
    switch (kind) {
        case TKind::Weak:
            return "weak";
        case TKind::Reused:
            return "reused";
        case TKind::Old:
            return "old";
        case TKind::Breached:
            break;
    }
    return "breached";
}

std::size_t THealthReport::Count(THealthFinding::TKind kind) const {
    std::size_t count = 0;
    for (const THealthFinding& finding : Findings) {
        count += finding.Kind == kind ? 1 : 0;
    }
    return count;
}

THealthReport RateVault(const TRecordTree& tree, const THealthOptions& options) {
    std::vector<const TNode*> records;
    std::vector<const std::string*> passwords;
    tree.ForEach([&](TNode& node) {
        if (!node.Data.IsGroup) {
            records.push_back(&node);
            passwords.push_back(&node.Data.Password);
        }
    });
    const TPasswordClasses classes = GroupEqualPasswords(passwords);
    // zxcvbn is what costs here (tens of microseconds a password): each distinct password once.
    std::vector<TPasswordResult> results(classes.Count());
    ForEachIndexInParallel(classes.Count(), [&](std::size_t c) {
        results[c] = RateOnePassword(*passwords[classes.Class(c).front()], options.BreachList);
    });

    THealthReport report;
    report.Records = records.size();
    report.BreachesChecked = options.BreachList != nullptr;
    TRecordNames names(tree, records);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const TNodeData& data = records[i]->Data;
        const std::span<const std::size_t> sharing = classes.Class(classes.ClassOf[i]);
        const TPasswordResult& result = results[classes.ClassOf[i]];
        const auto add = [&](TKind kind, std::string detail) {
            report.Findings.push_back(
                {data.Guid, names.Group(i), data.Title, kind, std::move(detail)});
        };
        if (result.Rating.IsWeak()) {
            add(TKind::Weak, RatingText(result.Rating));
        }
        if (sharing.size() > 1) {
            add(TKind::Reused, ReusedDetail(names, sharing, i));
        }
        if (auto old = OldDetail(data, options)) {
            add(TKind::Old, std::move(*old));
        }
        if (result.Breaches) {
            add(TKind::Breached, BreachedDetail(*result.Breaches));
        }
    }
    return report;
}

THealthRating RateMasterPassword(std::string_view password) {
    struct TWipedCopy {
        std::string Text;
        ~TWipedCopy() { WipeString(Text); }
    } copy{std::string(password)};
    return RatePassword(copy.Text);
}
