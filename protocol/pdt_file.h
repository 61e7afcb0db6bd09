// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace ferrotap {

inline constexpr int kPdtLineCount = 23;

// The Protocol Setting controls as the 23 lines of a .pdt file carry them: characters as typed,
// numbers as integers. The defaults are the controls' defaults.
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

  bool operator==(const PdtSettings&) const = default;
};

inline constexpr const char* kSyncTypeItems[] = {"No SYN", "SYN Character",
                                                 "* SYN on R/CTS by slave"};

std::vector<std::string> WritePdtLines(const PdtSettings& settings);

// Lines are read by position, never by key. A file is taken whole or not at all: when a line is
// missing or a number on it is not an integer, `failedLine` names the first such line (counted
// from 1), `badValue` holds the number's text and `settings` is `current` unchanged.
struct PdtReadResult {
  PdtSettings settings;
  int failedLine = 0;
  bool lineMissing = false;
  std::string badValue;

  bool Failed() const { return failedLine != 0; }
};
PdtReadResult ReadPdtLines(const std::vector<std::string>& lines, const PdtSettings& current);

// Reads the file's lines (throwing FileError naming the file when it cannot) and then as
// ReadPdtLines.
PdtReadResult ReadPdtFile(const std::string& path, const PdtSettings& current);

// The message of a failed read, naming the file and the line.
std::string PdtFailureMessage(const PdtReadResult& result, const std::string& path);

}  // namespace ferrotap
