// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/idle_gap.h"
#include "core/time_stamp.h"
#include "core/render.h"
#include "serial/cps_file.h"
#include "simulation/line_end.h"

namespace ferrotap {

enum class CliCommand { Ports, Monitor, Slave, Master, Send, Replay };

// The line settings given by options; each one given overrides the settings file's.
struct LineOptions {
  std::optional<std::string> baud;
  std::optional<std::string> dataBits;
  std::optional<std::string> parity;
  std::optional<std::string> stopBits;
  std::optional<FlowControlChoice> flow;
  // 0: the driver switches RS-485 direction, 1: the program does (timed).
  std::optional<int> rs485Method;
};

// What ferrotap-cli was asked to do, as typed; files are read later.
struct CliOptions {
  CliCommand command = CliCommand::Monitor;
  std::string portA;
  std::string portB;
  std::string settingsFile;
  LineOptions line;
  std::string pdtFile;
  std::string pstFile;
  std::string astFile;

  bool spy = false;
  DisplayFormat format = DisplayFormat::Hex;
  bool decode = false;
  bool json = false;
  bool echo = false;
  // slave: plays the built-in demo device instead of --pdt and --pst.
  bool demo = false;

  std::vector<int> queries;  // master: the command codes, in order
  std::optional<std::string> text;
  std::string file;
  std::optional<int> asciiCommand;  // send: one of the .ast file's commands 1 to 30
  LineEnd lineEnd = LineEnd::None;
  // monitor and slave: the capture log written; replay: the log read.
  std::string logFile;
  // The log holds the text as shown besides the bytes.
  bool logText = false;
  TimeStampMode timeStamps = TimeStampMode::None;
  std::optional<IdleGap> idleGap;
};

struct CliParse {
  CommandLineAction action;  // Run, or the text to print and the exit status
  CliOptions options;
};

// args are the arguments after the program name: a subcommand, then its options in any order.
CliParse ParseCliArguments(const std::vector<std::string>& args);

std::string CliUsageText();

}  // namespace ferrotap
