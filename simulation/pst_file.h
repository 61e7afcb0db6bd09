// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "simulation/simulation_table.h"
#include "simulation/table_file_lines.h"

namespace ferrotap {

inline constexpr std::string_view kPstHeader = "KOB - Protocol Simulation Tables";

// The header and one "ddd;query;answer;sync" line per row with any text, cells trimmed and
// undecoded. A field separator or line end inside a query or answer is written as an escape of
// the same byte, so that reading the line back gives the same bytes; the SYNC cell keeps its ';'.
std::vector<std::string> WritePstLines(const SimulationRows& rows);

struct PstContents {
  bool headerOk = false;
  SimulationRows rows;        // rows the file does not name stay empty
  int incompatibleLines = 0;  // lines whose row number is not one of 0 to 255
  UnloadedLines unloaded;
};

// Reads whole lines by position: the row number is the escape syntax's integer conversion of the
// first three characters, the rest of a line splits at its first two ';' and the SYNC text keeps
// any further ones. A line without ';' as its fourth character, or without a ';' after its
// query, sets nothing. Cells stay untrimmed.
PstContents ReadPstLines(const std::vector<std::string>& lines);

// A .pst file read whole (FileError naming the file when it cannot be), with what to tell about it.
struct PstFile {
  PstContents contents;
  TableLoadReport report;
};
PstFile ReadPstFile(const std::string& path);

}  // namespace ferrotap
