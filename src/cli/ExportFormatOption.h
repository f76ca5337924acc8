#pragma once

#include <optional>

#include "cli/CliSession.h"
#include "interop/ForeignFormat.h"

// The other manager's format that export's --to names, or none for the "Export List" text.
// Throws a usage error for a format Cofferix does not write.
std::optional<TForeignFormat> ExportFormatOption(const TCliSession& session);
