#pragma once

#include <string>

#include "cli/CommandTable.h"

// The help texts of cofferix-cli, made from the command table.
std::string OverviewHelp();
std::string CommandHelp(const TCommandSpec& command);
std::string VersionText();
