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

// Lines are read by position, never by key. A number that is not an integer stops the reading
// at its line: `linesRead` lines were taken into `settings` (the rest keep `current`), and
// `badValue` holds the offending text. A short file reads its missing lines as empty.
struct PdtReadResult {
  PdtSettings settings;
  int linesRead = 0;
  bool failed = false;
  std::string badValue;
};
PdtReadResult ReadPdtLines(const std::vector<std::string>& lines, const PdtSettings& current);

}  // namespace ferrotap
