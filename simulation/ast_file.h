#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "simulation/ascii_command_table.h"

namespace ferrotap {

inline constexpr std::string_view kAstHeader = "KOB - ASCII COMMANDS Tables";
// Longest command text a line can bring into the grid.
inline constexpr std::size_t kAstMaxCellLength = 10000;

// The header, then "nn;text" for every cell that is not empty once trimmed, text trimmed and
// undecoded.
std::vector<std::string> WriteAstLines(const AsciiCommandCells& cells);

struct AstContent {
  bool headerOk = false;
  // Every cell empty but those the file sets.
  AsciiCommandCells cells;
  // Lines whose command number is not a number from 1 to 30; each is reported on its own.
  int badLines = 0;
};

// Lines whose third character is not ';' are skipped without a word.
AstContent ReadAstLines(const std::vector<std::string>& lines);

}  // namespace ferrotap
