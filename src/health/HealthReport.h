#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "health/PasswordRating.h"
#include "vault/Clock.h"
#include "vault/NodeData.h"
#include "vault/RecordTree.h"

class TBreachList;

// One thing wrong with one record's password. Detail never holds a password: for Weak the
// rating ("Very Weak, 18 bits"), for Reused the other records ("Bank / Login, Mail / Work"),
// for Old the age in days, for Breached how often the list has seen it.
struct THealthFinding {
    TGuid Guid;
    std::string Group;
    std::string Title;
    enum class TKind { Weak, Reused, Old, Breached } Kind = TKind::Weak;
    std::string Detail;
};

// "weak", "reused", "old" or "breached".
std::string_view FindingKindName(THealthFinding::TKind kind);

struct THealthOptions {
    // A password is old when it was set more than this many whole days before Now.
    int OlderThanDays = 365;
    // Format 101 records no password time: a record's age counts from when it was added.
    bool Format101 = false;
    TDateTime Now = NowAsDateTime();
    // Null: breaches are not looked for.
    const TBreachList* BreachList = nullptr;
};

struct THealthReport {
    // Record by record in the tree's order, each record's findings in the order of TKind.
    std::vector<THealthFinding> Findings;
    std::size_t Records = 0;
    bool BreachesChecked = false;

    std::size_t Count(THealthFinding::TKind kind) const;
};

// The findings of every record of tree. Each distinct password is rated and looked up once,
// the distinct ones spread over the processor's cores. Throws EBreachListError when the breach
// list turns out not to be one.
THealthReport RateVault(const TRecordTree& tree, const THealthOptions& options);

// The master password's rating; keeps nothing of it.
THealthRating RateMasterPassword(std::string_view password);
