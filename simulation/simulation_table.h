// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/bytes.h"

namespace ferrotap {

inline constexpr int kSimulationCommandCount = 256;

inline constexpr std::string_view kTableApplied = "Table validated and applied";

// What the simulation sends for one command code.
struct SimulationEntry {
  Bytes query;           // data of the query a simulated master sends
  Bytes answer;          // data of the answer a simulated slave returns; empty: no answer
  std::string syncMark;  // the SYNC cell, trimmed and upper-cased
};

// The decoded table the simulation plays from, indexed by command code.
class SimulationTable {
 public:
  const SimulationEntry& operator[](uint8_t code) const { return entries_[code]; }
  SimulationEntry& operator[](uint8_t code) { return entries_[code]; }

  // A SYNC follows the exchange of this command.
  bool IsSyncMarked(uint8_t code) const { return entries_[code].syncMark == "SYNC"; }
  void MarkSync(uint8_t code, bool marked) { entries_[code].syncMark = marked ? "SYNC" : ""; }

 private:
  std::array<SimulationEntry, kSimulationCommandCount> entries_;
};

// The texts of one grid row, Latin-1, as the user typed them.
struct SimulationRow {
  std::string query;
  std::string answer;
  std::string sync;

  bool operator==(const SimulationRow&) const = default;
};
using SimulationRows = std::array<SimulationRow, kSimulationCommandCount>;


struct ApplyOutcome {
  bool ok = false;
  std::string message;  // the text to show either way
};

// Decodes the rows into the table in command order, stopping after the first row with a malformed
// escape: the rows before it are applied, that row holds what decoded before the fault and the
// rows after it keep their previous entries.
ApplyOutcome ApplySimulationRows(const SimulationRows& rows, SimulationTable& table);

}  // namespace ferrotap
