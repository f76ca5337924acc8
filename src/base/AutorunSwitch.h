#pragma once

#include <string>
#include <vector>

// True when one of the arguments is the autorun switch: "autorun" after "-", "/" or "\",
// in any letter case and at any position ("--autorun" too). Pass the arguments without the program
// name.
bool HasAutorunSwitch(const std::vector<std::string>& arguments);
