// SPDX-License-Identifier: MIT
#include "cli/cli_options.h"

#include <array>
#include <functional>
#include <string_view>

#include "core/capture_options.h"
#include "serial/key_value.h"

namespace ferrotap {
namespace {

constexpr int kUsageError = 2;

struct CommandName {
  std::string_view name;
  CliCommand command;
};
constexpr std::array<CommandName, 6> kCommands = {{{"ports", CliCommand::Ports},
                                                   {"monitor", CliCommand::Monitor},
                                                   {"slave", CliCommand::Slave},
                                                   {"master", CliCommand::Master},
                                                   {"send", CliCommand::Send},
                                                   {"replay", CliCommand::Replay}}};

constexpr unsigned Bit(CliCommand command) {
  return 1u << static_cast<unsigned>(command);
}
constexpr unsigned kPortCommands =
    Bit(CliCommand::Monitor) | Bit(CliCommand::Slave) | Bit(CliCommand::Master) |
    Bit(CliCommand::Send);
// Commands that show received data: those on ports, and a capture log played back.
constexpr unsigned kShowCommands = kPortCommands | Bit(CliCommand::Replay);

// An option's value is checked as it is read; an empty error means it was taken.
using Taker = std::function<std::string(CliOptions&, const std::string&)>;

struct OptionSpec {
  std::string_view longName;
  char shortName;
  bool takesValue;
  unsigned commands;
  Taker take;
};

std::string Into(std::string& target, const std::string& value) {
  target = value;
  return {};
}

template <typename T, std::size_t N>
std::string Choose(T& target, const std::string& value,
                   const std::array<std::pair<std::string_view, T>, N>& choices) {
  for (const auto& [name, choice] : choices) {
    if (value == name) {
      target = choice;
      return {};
    }
  }
  std::string names;
  for (const auto& choice : choices) names += (names.empty() ? "" : "|") + std::string(choice.first);
  return "must be one of " + names;
}

std::string TakeFrame(LineOptions& line, const std::string& value) {
  static constexpr std::array<std::pair<char, std::string_view>, 5> kParities = {
      {{'N', "None"}, {'O', "Odd"}, {'E', "Even"}, {'M', "Mark"}, {'S', "Space"}}};
  const std::string_view stop = value.size() >= 3 ? std::string_view(value).substr(2) : "";
  if (value.size() < 3 || value[0] < '5' || value[0] > '8' ||
      (stop != "1" && stop != "1.5" && stop != "2")) {
    return "must be data bits 5-8, parity N|O|E|M|S and stop bits 1|1.5|2, as in 8N1";
  }
  for (const auto& [letter, name] : kParities) {
    if (value[1] == letter) {
      line.dataBits = std::string(1, value[0]);
      line.parity = std::string(name);
      line.stopBits = std::string(stop);
      return {};
    }
  }
  return "has no parity letter N|O|E|M|S";
}

// The capture options' parsers name the value first; the option's error names it already.
std::string AfterValue(const std::string& error) {
  const std::size_t end = error.starts_with('"') ? error.find("\" ") : std::string::npos;
  return end == std::string::npos ? error : error.substr(end + 2);
}

std::string TakeNumber(const std::string& value, int low, int high, int& target) {
  int number = 0;
  if (!ParseIntegerValue(value, number) || number < low || number > high) {
    return "must be a number from " + std::to_string(low) + " to " + std::to_string(high);
  }
  target = number;
  return {};
}

const std::vector<OptionSpec>& Options() {
  static const std::vector<OptionSpec> specs = {
      {"port-a", 'a', true, kPortCommands,
       [](CliOptions& o, const std::string& v) { return Into(o.portA, v); }},
      {"port-b", 'b', true, kPortCommands,
       [](CliOptions& o, const std::string& v) { return Into(o.portB, v); }},
      {"settings", 'c', true, kShowCommands,
       [](CliOptions& o, const std::string& v) { return Into(o.settingsFile, v); }},
      {"baud", 0, true, kShowCommands,
       [](CliOptions& o, const std::string& v) {
         int baud = 0;
         const std::string error = TakeNumber(v, 1, 4000000, baud);
         if (error.empty()) o.line.baud = v;
         return error;
       }},
      {"frame", 0, true, kShowCommands,
       [](CliOptions& o, const std::string& v) { return TakeFrame(o.line, v); }},
      {"flow", 0, true, kPortCommands,
       [](CliOptions& o, const std::string& v) {
         static constexpr std::array<std::pair<std::string_view, FlowControlChoice>, 3> kFlows = {
             {{"none", FlowControlChoice::None},
              {"rtscts", FlowControlChoice::Hardware},
              {"xonxoff", FlowControlChoice::Software}}};
         FlowControlChoice flow = FlowControlChoice::None;
         const std::string error = Choose(flow, v, kFlows);
         if (error.empty()) o.line.flow = flow;
         return error;
       }},
      {"rs485", 0, true, kPortCommands,
       [](CliOptions& o, const std::string& v) {
         static constexpr std::array<std::pair<std::string_view, int>, 2> kMethods = {
             {{"driver", 0}, {"timed", 1}}};
         int method = 0;
         const std::string error = Choose(method, v, kMethods);
         if (error.empty()) o.line.rs485Method = method;
         return error;
       }},
      {"pdt", 0, true, kShowCommands,
       [](CliOptions& o, const std::string& v) { return Into(o.pdtFile, v); }},
      {"pst", 0, true, Bit(CliCommand::Slave) | Bit(CliCommand::Master),
       [](CliOptions& o, const std::string& v) { return Into(o.pstFile, v); }},
      {"ast", 0, true, Bit(CliCommand::Send),
       [](CliOptions& o, const std::string& v) { return Into(o.astFile, v); }},
      {"format", 0, true, kShowCommands,
       [](CliOptions& o, const std::string& v) {
         static constexpr std::array<std::pair<std::string_view, DisplayFormat>, 5> kFormats = {
             {{"ascii", DisplayFormat::Ascii},
              {"filt", DisplayFormat::AsciiFilt},
              {"hex", DisplayFormat::Hex},
              {"dec", DisplayFormat::Dec},
              {"bin", DisplayFormat::Bin}}};
         return Choose(o.format, v, kFormats);
       }},
      {"spy", 0, false, Bit(CliCommand::Monitor),
       [](CliOptions& o, const std::string&) {
         o.spy = true;
         return std::string();
       }},
      {"demo", 0, false, Bit(CliCommand::Slave),
       [](CliOptions& o, const std::string&) {
         o.demo = true;
         return std::string();
       }},
      {"decode", 0, false, Bit(CliCommand::Monitor) | Bit(CliCommand::Replay),
       [](CliOptions& o, const std::string&) {
         o.decode = true;
         return std::string();
       }},
      {"json", 0, false, kShowCommands,
       [](CliOptions& o, const std::string&) {
         o.json = true;
         return std::string();
       }},
      {"echo", 0, false, Bit(CliCommand::Send) | Bit(CliCommand::Master) | Bit(CliCommand::Slave),
       [](CliOptions& o, const std::string&) {
         o.echo = true;
         return std::string();
       }},
      {"send", 0, true, Bit(CliCommand::Master),
       [](CliOptions& o, const std::string& v) {
         int code = 0;
         const std::string error = TakeNumber(v, 0, 255, code);
         if (error.empty()) o.queries.push_back(code);
         return error;
       }},
      {"text", 0, true, Bit(CliCommand::Send),
       [](CliOptions& o, const std::string& v) {
         o.text = v;
         return std::string();
       }},
      {"file", 0, true, Bit(CliCommand::Send),
       [](CliOptions& o, const std::string& v) { return Into(o.file, v); }},
      {"command", 0, true, Bit(CliCommand::Send),
       [](CliOptions& o, const std::string& v) {
         int number = 0;
         const std::string error = TakeNumber(v, 1, 30, number);
         if (error.empty()) o.asciiCommand = number;
         return error;
       }},
      {"log", 0, true, Bit(CliCommand::Monitor) | Bit(CliCommand::Slave),
       [](CliOptions& o, const std::string& v) { return Into(o.logFile, v); }},
      {"log-text", 0, false, Bit(CliCommand::Monitor) | Bit(CliCommand::Slave),
       [](CliOptions& o, const std::string&) {
         o.logText = true;
         return std::string();
       }},
      {"timestamps", 0, true, kShowCommands,
       [](CliOptions& o, const std::string& v) {
         const Parsed<TimeStampMode> mode = ParseTimeStampMode(v);
         if (mode.ok()) o.timeStamps = mode.value;
         return AfterValue(mode.error);
       }},
      {"idle-gap", 0, true, kShowCommands,
       [](CliOptions& o, const std::string& v) {
         const Parsed<IdleGap> gap = ParseIdleGap(v);
         if (gap.ok()) o.idleGap = gap.value;
         return AfterValue(gap.error);
       }},
      {"line-end", 0, true, Bit(CliCommand::Send),
       [](CliOptions& o, const std::string& v) {
         static constexpr std::array<std::pair<std::string_view, LineEnd>, 3> kEnds = {
             {{"none", LineEnd::None}, {"cr", LineEnd::Cr}, {"crlf", LineEnd::CrLf}}};
         return Choose(o.lineEnd, v, kEnds);
       }},
  };
  return specs;
}

CliParse Failure(const std::string& message) {
  CliParse parse;
  parse.action = {CommandLineAction::Kind::Fail,
                  "ferrotap-cli: " + message + "\nTry 'ferrotap-cli --help' for more information.\n",
                  kUsageError};
  return parse;
}

CliParse Print(const std::string& text) {
  CliParse parse;
  parse.action = {CommandLineAction::Kind::Print, text, 0};
  return parse;
}

const OptionSpec* Find(std::string_view arg, std::string_view& name) {
  for (const OptionSpec& spec : Options()) {
    if (arg.starts_with("--") && arg.substr(2) == spec.longName) {
      name = arg;
      return &spec;
    }
    if (spec.shortName != 0 && arg.size() == 2 && arg[0] == '-' && arg[1] == spec.shortName) {
      name = arg;
      return &spec;
    }
  }
  return nullptr;
}

// What a command needs besides its options: an error naming what is missing, or empty.
std::string Missing(const CliOptions& o) {
  if (o.logText && o.logFile.empty()) return "'--log-text' needs '--log FILE'";
  switch (o.command) {
    case CliCommand::Ports:
      return {};
    case CliCommand::Monitor:
      if (o.spy && o.portB.empty()) return "'monitor --spy' needs port B (-b/--port-b)";
      break;
    case CliCommand::Slave:
      if (o.demo && !(o.pstFile.empty() && o.pdtFile.empty())) {
        return "'slave --demo' plays its own protocol and table: leave out --pdt and --pst";
      }
      if (o.pstFile.empty() && !o.demo) {
        return "'slave' needs a simulation table (--pst FILE, or --demo)";
      }
      break;
    case CliCommand::Master:
      if (o.queries.empty()) return "'master' needs at least one '--send CMD'";
      break;
    case CliCommand::Replay:
      if (o.logFile.empty()) return "'replay' needs the capture log to read (replay FILE)";
      return {};
    case CliCommand::Send: {
      const int given = (o.text ? 1 : 0) + (o.file.empty() ? 0 : 1) + (o.asciiCommand ? 1 : 0);
      if (given != 1) return "'send' needs one of --text ESCAPED, --file PATH, --command N";
      if (o.asciiCommand && o.astFile.empty()) return "'send --command' needs --ast FILE";
      break;
    }
  }
  if (o.portA.empty()) return "port A is missing (-a/--port-a PATH or number)";
  return {};
}

}  // namespace

std::string CliUsageText() {
  return "Usage: ferrotap-cli COMMAND [OPTION]...\n"
         "Watch, decode and drive serial lines without a display, with the window's files.\n"
         "\n"
         "Commands:\n"
         "  ports                  list the serial devices, with their numbers in the window's list\n"
         "  monitor                show what port A (and B with --spy) receives\n"
         "  slave                  answer as the slave from --pst until interrupted\n"
         "  master --send CMD ...  send each command's query and follow the hand-shake\n"
         "  send                   send --text ESCAPED, --file PATH or --command N of --ast\n"
         "  replay FILE            show a capture log again as it was received\n"
         "\n"
         "Ports and settings:\n"
         "  -a, --port-a PORT      port A: a device path, a number of the window's list or\n"
         "                         virtual:NAME:a\n"
         "  -b, --port-b PORT      port B, for monitor --spy\n"
         "  -c, --settings FILE    port settings (.cps); the options below override it\n"
         "      --baud N           bit rate (default 9600)\n"
         "      --frame 8N1        data bits, parity (N O E M S) and stop bits (1 1.5 2)\n"
         "      --flow MODE        none, rtscts or xonxoff\n"
         "      --rs485 MODE       driver or timed direction switching\n"
         "      --pdt FILE         protocol definition (default: the window's default protocol)\n"
         "      --pst FILE         protocol simulation table, for slave and master\n"
         "      --demo             slave: play the demo device, with its own protocol and table\n"
         "      --ast FILE         ASCII command table, for send --command\n"
         "\n"
         "Output:\n"
         "      --format FMT       ascii, filt, hex (default), dec or bin\n"
         "      --decode           monitor: one annotated line per packet\n"
         "      --spy              monitor: port B as well\n"
         "      --json             one JSON object a line instead of text\n"
         "      --echo             show what is sent\n"
         "      --line-end END     send: none (default), cr or crlf after text and commands\n"
         "      --timestamps MODE  none (default), abs (hh:mm:ss.mmm) or rel (+s.mmm) per line\n"
         "      --idle-gap GAP     a new line after a silence: 100ms, or 3.5c character times\n"
         "      --log FILE         monitor, slave: write a capture log of everything on the line\n"
         "      --log-text         with --log: the text as shown goes into the log too\n"
         "\n"
         "  -h, --help             show this help and exit\n"
         "      --version          show the version and exit\n"
         "\n"
         "Exit status: 0 done, 1 a port failed or an exchange did not complete, 2 usage error.\n"
         "See ferrotap-cli(1).\n";
}

CliParse ParseCliArguments(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "-h" || arg == "--help") return Print(CliUsageText());
    if (arg == "--version") {
      std::string line = VersionLine();
      return Print("ferrotap-cli" + line.substr(line.find(' ')));
    }
  }
  if (args.empty()) return Failure("a command is missing (ports, monitor, slave, master, send)");
  CliParse parse;
  CliOptions& o = parse.options;
  bool known = false;
  for (const CommandName& command : kCommands) {
    if (args[0] == command.name) {
      o.command = command.command;
      known = true;
    }
  }
  if (!known) return Failure("unknown command '" + args[0] + "'");

  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> value;
    if (arg.starts_with("--")) {
      if (const auto equals = arg.find('='); equals != std::string::npos) {
        value = arg.substr(equals + 1);
        arg.resize(equals);
      }
    }
    std::string_view name;
    const OptionSpec* spec = Find(arg, name);
    if (spec == nullptr && o.command == CliCommand::Replay && !arg.starts_with("-") &&
        o.logFile.empty()) {
      o.logFile = arg;
      continue;
    }
    if (spec == nullptr) {
      return Failure((arg.starts_with("-") ? "unknown option '" : "unexpected argument '") + arg +
                     "'");
    }
    if ((spec->commands & Bit(o.command)) == 0) {
      return Failure("option '" + arg + "' does not go with '" + args[0] + "'");
    }
    if (!spec->takesValue && value) return Failure("option '" + arg + "' takes no value");
    if (spec->takesValue && !value) {
      if (i + 1 >= args.size()) return Failure("option '" + arg + "' needs a value");
      value = args[++i];
    }
    if (const std::string error = spec->take(o, value.value_or("")); !error.empty()) {
      return Failure("option '" + arg + "': '" + *value + "' " + error);
    }
  }
  if (const std::string missing = Missing(o); !missing.empty()) return Failure(missing);
  return parse;
}

}  // namespace ferrotap
