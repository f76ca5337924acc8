#pragma once

#include <string>

#include "interop/ImportApply.h"
#include "vault/VaultCredentials.h"

// What an import or a merge did, as lines for the person who asked for it (the tool prints
// them, the window shows them): counts first, then each record left out with why. Never a
// password.
std::string ImportSummaryText(const TImportSummary& summary, TVaultFormat format);
std::string MergeSummaryText(const TMergeSummary& summary, TVaultFormat format);
