// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ferrotap {

// What the .pst and .ast loads say about a file of another kind and a line they cannot place.
inline constexpr std::string_view kFileFormatNotCompatible = "File format not compatible";
inline constexpr std::string_view kTableNotCompatible = "Table not compatible !";

// The longest text a grid cell's editor takes. Every cell of that length must survive a save and
// a load, escaped separators and all.
inline constexpr int kGridCellMaxLength = 32767;

// The lines of a table file whose text reached no cell: lines without the ';' the format puts
// after the number, and lines whose row a later line sets again. A load that had any does not
// apply the table: the user sees what did arrive and decides.
struct UnloadedLines {
  int count = 0;
  std::size_t first = 0;  // number of the first such line, counted from 1

  // `index` is the line's index in the file, the header being 0.
  void Add(std::size_t index);
};

// Blank lines carry nothing: skipping them loses nothing.
bool CarriesText(const std::string& line);

std::string UnloadedLinesMessage(const UnloadedLines& lines, const std::string& path);

// What loading a table file tells the user, in order: a file of another kind, then each line of a
// row the table cannot hold, then the lines that reached no cell. The table is applied only when
// there is nothing to tell.
struct TableLoadReport {
  bool headerOk = false;
  std::vector<std::string> errors;
  bool Applicable() const { return headerOk && errors.empty(); }
};
TableLoadReport ReportTableLoad(bool headerOk, int badLines, const UnloadedLines& unloaded,
                                const std::string& path);

}  // namespace ferrotap
