// SPDX-License-Identifier: MIT
#include "core/command_line.h"

#include <array>
#include <string_view>

namespace ferrotap {
namespace {

constexpr int kUsageError = 2;

// Options the toolkit takes from the command line, with one or two leading dashes.
constexpr std::array<std::string_view, 14> kToolkitOptionsWithValue = {"platform",
                                                                       "platformpluginpath",
                                                                       "platformtheme",
                                                                       "plugin",
                                                                       "qwindowgeometry",
                                                                       "qwindowicon",
                                                                       "qwindowtitle",
                                                                       "display",
                                                                       "geometry",
                                                                       "style",
                                                                       "stylesheet",
                                                                       "session",
                                                                       "name",
                                                                       "title"};
constexpr std::array<std::string_view, 5> kToolkitFlags = {"reverse", "widgetcount", "nograb",
                                                           "dograb", "sync"};

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
  for (std::string_view known : names) {
    if (known == name) return true;
  }
  return false;
}

CommandLineAction Failure(const std::string& message) {
  return {CommandLineAction::Kind::Fail,
          "ferrotap: " + message + "\nTry 'ferrotap --help' for more information.\n", kUsageError};
}

}  // namespace

std::string VersionLine() {
  return "ferrotap " + std::to_string(FERROTAP_VERSION_MAJOR) + "." +
         std::to_string(FERROTAP_VERSION_MINOR) + "." + std::to_string(FERROTAP_VERSION_PATCH) +
         "\n";
}

std::string UsageText() {
  return "Usage: ferrotap [OPTION]...\n"
         "Watch, decode and drive serial lines (RS-232, RS-485) in a desktop window.\n"
         "\n"
         "  -h, --help       show this help and exit\n"
         "      --version    show the version and exit\n"
         "      --demo       connect port A to a built-in sample device, to try the program\n"
         "                   without hardware (your settings files are left alone)\n"
         "\n"
         "The toolkit's display options (-platform NAME, -display NAME, -style NAME, ...) are\n"
         "accepted too. Port numbers map to devices by the variables FERROTAP_COM<n>, then the\n"
         "file ports.map beside the settings file Port_CFG.cps, then the default table; see\n"
         "ferrotap(1).\n";
}

std::string NoDisplayLine(const std::vector<std::string>& args,
                          const std::function<const char*(const char*)>& getenv) {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = getenv(variable);
    if (value != nullptr && *value != '\0') return {};
  }
  for (const std::string& arg : args) {
    if (arg == "-platform" || arg == "--platform" || arg.starts_with("-platform=") ||
        arg.starts_with("--platform=")) {
      return {};
    }
  }
  return "ferrotap: no display (DISPLAY and WAYLAND_DISPLAY are not set): the window cannot open; "
         "without a display use ferrotap-cli (see ferrotap-cli --help)\n";
}

CommandLineAction ParseCommandLine(const std::vector<std::string>& args) {
  CommandLineAction run;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") return {CommandLineAction::Kind::Print, UsageText(), 0};
    if (arg == "--version") return {CommandLineAction::Kind::Print, VersionLine(), 0};
    if (arg == "--demo") {
      run.demo = true;
      continue;
    }
    if (arg.size() < 2 || arg[0] != '-') return Failure("unexpected argument '" + arg + "'");
    std::string_view name(arg);
    name.remove_prefix(name.starts_with("--") ? 2 : 1);
    const auto equals = name.find('=');
    const std::string_view key = name.substr(0, equals);
    if (Contains(kToolkitFlags, key) && equals == std::string_view::npos) continue;
    if (!Contains(kToolkitOptionsWithValue, key)) return Failure("unknown option '" + arg + "'");
    if (equals != std::string_view::npos) continue;
    if (i + 1 >= args.size()) return Failure("option '" + arg + "' needs a value");
    ++i;
  }
  return run;
}

}  // namespace ferrotap
