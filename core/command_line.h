// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
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
  // Run: port A on a virtual cable to the built-in demo device.
  bool demo = false;
};

// args are the arguments after the program name. The toolkit's own options (-platform NAME,
// -style=NAME, -display NAME ...) are let through for it.
CommandLineAction ParseCommandLine(const std::vector<std::string>& args);

// The one line ferrotap says when the window would have nowhere to show: neither an X11 nor a
// Wayland display in the environment and no platform chosen (QT_QPA_PLATFORM, -platform).
// Empty when there is a display. getenv returns nullptr for an unset variable.
std::string NoDisplayLine(const std::vector<std::string>& args,
                          const std::function<const char*(const char*)>& getenv);
inline constexpr int kNoDisplayExitCode = 1;

std::string UsageText();
std::string VersionLine();

}  // namespace ferrotap
