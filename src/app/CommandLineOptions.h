#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

// The options that answer and end the program before any window exists, so they need no
// display: --help, --version, --autostart=on|off, and a vault file named wrongly (more than
// one, or one that is no file: status 2). Pass the arguments without the program name.
// Returns the exit status when the program ends here (the first option decides), nothing
// when it starts as usual.
std::optional<int> RunCommandLineOptions(const std::vector<std::string>& arguments,
                                         std::ostream& out, std::ostream& err);

// The arguments that are no options: vault files to open. "--" ends the options; Qt's own
// options that take a value (-platform offscreen) take the next argument with them, and the
// autorun switch in every spelling (/autorun too) is no path.
std::vector<std::string> PathArguments(const std::vector<std::string>& arguments);
// The vault file to open, made absolute (the running instance that may get it works in
// another folder); empty when none is named.
std::string VaultPathArgument(const std::vector<std::string>& arguments);
