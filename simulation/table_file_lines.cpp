// SPDX-License-Identifier: MIT
#include "simulation/table_file_lines.h"

#include <algorithm>

#include "serial/key_value.h"
#include "simulation/escape.h"

namespace ferrotap {

void UnloadedLines::Add(std::size_t index) {
  first = count == 0 ? index + 1 : std::min(first, index + 1);
  ++count;
}

bool CarriesText(const std::string& line) {
  return !TrimCell(line).empty();
}

std::string UnloadedLinesMessage(const UnloadedLines& lines, const std::string& path) {
  constexpr std::string_view kNotApplied = "; the table is not applied";
  if (lines.count == 1) {
    return FileMessage("A line was not loaded" + std::string(kNotApplied), path, lines.first);
  }
  return FileMessage(std::to_string(lines.count) + " lines were not loaded, the first is line " +
                         std::to_string(lines.first) + std::string(kNotApplied),
                     path);
}

TableLoadReport ReportTableLoad(bool headerOk, int badLines, const UnloadedLines& unloaded,
                                const std::string& path) {
  TableLoadReport report;
  report.headerOk = headerOk;
  if (!headerOk) {
    report.errors.push_back(FileMessage(kFileFormatNotCompatible, path));
    return report;
  }
  report.errors.assign(static_cast<std::size_t>(badLines), std::string(kTableNotCompatible));
  if (unloaded.count > 0) report.errors.push_back(UnloadedLinesMessage(unloaded, path));
  return report;
}

}  // namespace ferrotap
