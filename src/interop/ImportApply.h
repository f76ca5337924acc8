#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/VaultText.h"
#include "interop/ImportedRecord.h"
#include "vault/RecordTree.h"
#include "vault/VaultChange.h"

// Records from elsewhere put into the open vault, as one TVaultSession::Change: other managers'
// records (import) and another copy of the vault (merge). Neither cuts or changes a text: a
// record the vault cannot hold as it is stays out, and is listed as "Group / Title: why"
// (never with a password's characters). Format 101 keeps Windows-1252 text in fields of fixed
// size and no time of last change; format 2 keeps any UTF-8 text without a zero character, and
// every time.

struct TImportSummary {
    std::size_t Added = 0;
    std::size_t AlreadyPresent = 0;
    std::vector<std::string> LeftOut;
};

// Adds every record, each with a fresh Guid, under the group of its name (found as
// FindGroupByName finds it, or made; a blank name is "Default Group"). Times the record lacks
// (0) become now, the password's time the record's time of last change. Format 101 keeps
// neither of those two: its records keep their add time alone, and no note stands in. A record
// identical to one already in the vault or earlier in records (group name by the case-folded
// comparison, title, user name, password, URL and notes exactly) is counted as already present
// and not added again. kind is the vault's text (TVaultChange::TextKind).
TImportSummary ImportRecords(TVaultChange& change, const TImportedRecords& records,
                             TVaultTextKind kind);

struct TMergeSummary {
    std::size_t Added = 0;         // records only in other
    std::size_t Updated = 0;       // records whose newer content came from other
    std::size_t KeptAsCopies = 0;  // the older or undated side of a record changed on both
    std::size_t Unchanged = 0;
    std::vector<std::string> LeftOut;  // what this vault's format cannot hold (101)
};

// The title mark of a record kept beside the other version of itself.
inline constexpr std::string_view kMergedCopyMark = " (merged copy)";

// Merges another copy of the vault into this one, records matched by Guid:
// - only in other: added to its group with its Guid and times, unless the group holds a record
//   of the same content under another Guid (made apart in both: not doubled);
// - the same content (group name folded, the five texts exactly): unchanged;
// - different content: the version changed later stays in place (other's comes in with its
//   group), and the other version is kept as a copy in the winner's group with a fresh Guid and
//   its title marked, unless that group holds a record of its content under either title.
//   When a side has no time of last change (format 101 keeps none), this vault's version
//   stays and other's becomes the copy.
// Other's groups that hold no record are added when this vault has no group of their name.
// Merging the same other again changes nothing.
TMergeSummary MergeVault(TVaultChange& change, const TRecordTree& other);

// The copies of the vault that a sync service left in its folder when two devices changed it
// at once, as full paths, sorted. NAME.EXT split at the vault file name's last dot (no dot:
// no EXT), the services name them:
//   Syncthing:          NAME.sync-conflict-YYYYMMDD-HHMMSS-DEVICE.EXT
//   Nextcloud/ownCloud: NAME (conflicted copy YYYY-MM-DD HHMMSS).EXT, NAME_conflict-
//                       YYYYMMDD-HHMMSS.EXT (older ownCloud)
//   Dropbox:            NAME (HOST's conflicted copy YYYY-MM-DD).EXT, with a " (N)" inside
//                       or after the parentheses
// A folder that cannot be read gives none.
std::vector<std::string> FindConflictCopies(const std::string& vaultPath);
