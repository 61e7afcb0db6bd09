// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace ferrotap {

// What the command line asks for, decided before any window system is touched, so that --help
// and --version work over a plain terminal.
struct CommandLineAction {
  enum class Kind { Run, Print, Fail };
  Kind kind = Kind::Run;
  std::string text;  // for Print the text for the standard output, for Fail the error message
  int exitCode = 0;
};

// args are the arguments after the program name. The toolkit's own options (-platform NAME,
// -style=NAME, -display NAME ...) are let through for it.
CommandLineAction ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();
std::string VersionLine();

}  // namespace ferrotap
