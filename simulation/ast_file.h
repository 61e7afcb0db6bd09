// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "simulation/ascii_command_table.h"
#include "simulation/table_file_lines.h"

namespace ferrotap {

inline constexpr std::string_view kAstHeader = "KOB - ASCII COMMANDS Tables";

// The header, then "nn;text" for every cell that is not empty once trimmed, text trimmed and
// undecoded.
std::vector<std::string> WriteAstLines(const AsciiCommandCells& cells);

struct AstContent {
  bool headerOk = false;
  // Every cell empty but those the file sets.
  AsciiCommandCells cells;
  // Lines whose command number is not a number from 1 to 30; each is reported on its own.
  int badLines = 0;
  UnloadedLines unloaded;
};

// Reads whole lines. A line whose third character is not ';' sets nothing.
AstContent ReadAstLines(const std::vector<std::string>& lines);

// An .ast file read whole (FileError naming the file when it cannot be), with what to tell about
// it.
struct AstFile {
  AstContent content;
  TableLoadReport report;
};
AstFile ReadAstFile(const std::string& path);

}  // namespace ferrotap
