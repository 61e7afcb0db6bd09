// SPDX-License-Identifier: MIT
#include "simulation/simulation_table.h"

#include <cstdio>
#include <optional>

#include "simulation/escape.h"

namespace ferrotap {
namespace {

struct Fault {
  std::string spec;
  std::string cell;
};

// Decodes one trimmed cell into `bytes`; a fault replaces `fault` so that the later cell of a row
// is the one reported.
void DecodeCell(std::string_view cell, Bytes& bytes, std::optional<Fault>& fault) {
  if (cell.empty()) {
    bytes.clear();
    return;
  }
  EscapedStringResult decoded = DecodeEscapedString(cell);
  bytes = std::move(decoded.bytes);
  if (!decoded.ok()) fault = Fault{std::move(decoded.malformed), std::string(cell)};
}

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

}  // namespace

ApplyOutcome ApplySimulationRows(const SimulationRows& rows, SimulationTable& table) {
  for (int k = 0; k < kSimulationCommandCount; ++k) {
    const SimulationRow& row = rows[k];
    SimulationEntry& entry = table[static_cast<uint8_t>(k)];
    std::optional<Fault> fault;
    DecodeCell(TrimCell(row.query), entry.query, fault);
    DecodeCell(TrimCell(row.answer), entry.answer, fault);
    entry.syncMark = UpperAscii(TrimCell(row.sync));
    if (fault) {
      char code[3];
      std::snprintf(code, sizeof code, "%2.2X", k);
      return {false, "Process aborted. Malformed string : " + fault->spec + "  in COMM $" + code +
                         ":  " + fault->cell};
    }
  }
  return {true, std::string(kTableApplied)};
}

}  // namespace ferrotap
