#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "simulation/simulation_table.h"

namespace ferrotap {

inline constexpr std::string_view kPstHeader = "KOB - Protocol Simulation Tables";
inline constexpr std::string_view kFileFormatNotCompatible = "File format not compatible";
inline constexpr std::string_view kTableNotCompatible = "Table not compatible !";

// The header and one "ddd;query;answer;sync" line per row with any text, cells trimmed and
// undecoded. A field separator or line end inside a query or answer is written as an escape of
// the same byte, so that reading the line back gives the same bytes; the SYNC cell keeps its ';'.
std::vector<std::string> WritePstLines(const SimulationRows& rows);

struct PstContents {
  bool headerOk = false;
  SimulationRows rows;        // rows the file does not name stay empty
  int incompatibleLines = 0;  // lines whose row number is not one of 000 to 255
};

// Reads lines by position: a line without ';' as its fourth character is skipped, the rest of a
// line splits at its first two ';' and the SYNC text keeps any further ones. Cells stay untrimmed.
PstContents ReadPstLines(const std::vector<std::string>& lines);

}  // namespace ferrotap
