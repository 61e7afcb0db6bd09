// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "core/colors.h"

namespace ferrotap {

enum class FlowControlChoice { None, Hardware, Software };

inline constexpr int kCpsLineCount = 27;

// The items of the RS-485 method and of the software flow direction, in the selectors' order.
inline constexpr const char* kRs485Methods[] = {"via Driver ( hardware)",
                                                "via KOB (virtual Ports) 15 ms delay"};
inline constexpr const char* kSoftwareFlowDirections[] = {"RX", "TX", "RX-TX"};

// The values of the port-setting controls as the 27 lines of a .cps file carry them. The defaults
// are the controls' defaults.
struct CpsSettings {
  bool spyMode = false;
  std::string comPortA = "1";
  std::string comPortB = "2";
  std::string baudRate = "9600";
  std::string dataBits = "8";
  std::string parity = "None";
  std::string stopBits = "1";
  bool rs485Mode = false;
  std::string rs485Method = "via KOB (virtual Ports) 15 ms delay";
  int inBuffer = 4096;
  int outBuffer = 4096;
  FlowControlChoice flowControl = FlowControlChoice::None;
  int bufferFullPercent = 90;
  int bufferResumePercent = 10;
  bool useRts = false;
  bool useDtr = false;
  bool requireCts = false;
  bool requireDsr = false;
  // True while no file line and no click has chosen between the two boxes of a pair since a file
  // without that line was read: the pair was kept as it was, and a save writes the line empty so
  // that reading it back keeps the pair again instead of checking "Use DTR" or "Req DSR".
  bool outCriteriaOpen = false;
  bool inCriteriaOpen = false;
  std::string softwareFlowFor = "RX-TX";
  std::string xonChar = "#17";
  std::string xoffChar = "#19";
  ColorSet colors;
};

std::vector<std::string> WriteCpsLines(const CpsSettings& settings);

// Reads the lines by position onto `current`: empty texts and non-integers leave a value as it
// was, and so do the lines a short file lacks and empty criteria lines.
CpsSettings ReadCpsLines(const std::vector<std::string>& lines, CpsSettings current);

// A .cps file read onto `current` (FileError naming the file when it cannot be read); `warning`
// is the MissingLinesMessage of a short file, empty otherwise.
struct CpsFileRead {
  CpsSettings settings;
  std::string warning;
};
CpsFileRead ReadCpsFile(const std::string& path, const CpsSettings& current);

// The one report of a settings file with fewer lines than its format has, naming the file.
std::string MissingLinesMessage(const std::string& path, std::size_t found, std::size_t expected);

}  // namespace ferrotap
