// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "protocol/pdt_extension.h"

namespace ferrotap {

inline constexpr int kPdtLineCount = 23;

// The Protocol Setting controls as a .pdt file carries them: its 23 positional lines
// (characters as typed, numbers as integers) and the options appended after them. The defaults are
// the controls' defaults.
struct PdtSettings {
  std::string stxChar = "#2";
  std::string etxChar = "#3";
  bool useEtx = false;
  bool useId = true;
  int idMin = 1;
  int idMax = 255;
  int idSim = 1;
  int lenMin = 2;
  int lenMax = 250;
  bool useCmd = true;
  int cmdMin = 1;
  int cmdMax = 250;
  bool swapNibble = true;
  bool useHandShake = true;
  std::string ackChar = "#6";
  std::string nakChar = "#21";
  std::string synChar = "#4";
  int packTimeout = 1;
  int ackNakTimeout = 1;
  int syncTimeout = 2;
  bool useChecksum = true;
  int syncType = 0;  // item index of the SYNC type selector
  int syncDelay = 500;
  PdtExtension extension;

  bool operator==(const PdtSettings&) const = default;
};

inline constexpr const char* kSyncTypeItems[] = {"No SYN", "SYN Character",
                                                 "* SYN on R/CTS by slave"};

std::vector<std::string> WritePdtLines(const PdtSettings& settings);

// The first 23 lines are read by position, never by key; the lines after them by key (see
// pdt_extension.h), and a file without them gets the extension's defaults. A file is taken whole
// or not at all: when a line is missing, a number on it is not an integer or an appended line
// holds a value its key cannot take, `failedLine` names the first such line (counted from 1),
// `badValue` holds the number's text or `extensionMessage` says what is wrong, and `settings` is
// `current` unchanged.
struct PdtReadResult {
  PdtSettings settings;
  int failedLine = 0;
  bool lineMissing = false;
  std::string badValue;
  std::string extensionMessage;

  bool Failed() const { return failedLine != 0; }
};
PdtReadResult ReadPdtLines(const std::vector<std::string>& lines, const PdtSettings& current);

// Reads the file's lines (throwing FileError naming the file when it cannot) and then as
// ReadPdtLines.
PdtReadResult ReadPdtFile(const std::string& path, const PdtSettings& current);

// The message of a failed read, naming the file and the line.
std::string PdtFailureMessage(const PdtReadResult& result, const std::string& path);

}  // namespace ferrotap
