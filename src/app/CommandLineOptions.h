#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

// The options that answer and end the program before any window exists, so they need no
// display: --help, --version, --autostart=on|off. Pass the arguments without the program
// name. Returns the exit status when one of them was given (the first one decides), nothing
// when the program starts as usual.
std::optional<int> RunCommandLineOptions(const std::vector<std::string>& arguments,
                                         std::ostream& out, std::ostream& err);
