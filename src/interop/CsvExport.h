#pragma once

#include <string>

#include "vault/RecordTree.h"

// Every record of tree as KeePassXC's own CSV export, which KeePassXC's CSV import reads back:
// the header row, then one row per record with every field quoted, LF line ends, the group as
// "Root/<group name>" ("Root" for a record outside any group), and the times in ISO UTC.
// Groups are no rows of their own. The text holds every password: the caller wipes it
// (WipeString) once it is written.
std::string ExportKeePassXcCsv(const TRecordTree& tree);
