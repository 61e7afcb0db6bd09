// SPDX-License-Identifier: MIT
#include "simulation/ast_file.h"

#include <array>
#include <cstdio>

#include "serial/key_value.h"
#include "simulation/escape.h"

namespace ferrotap {

std::vector<std::string> WriteAstLines(const AsciiCommandCells& cells) {
  std::vector<std::string> lines{std::string(kAstHeader)};
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const std::string trimmed(TrimCell(cells[i]));
    if (trimmed.empty()) continue;
    char number[16];
    std::snprintf(number, sizeof number, "%2.2d;", static_cast<int>(i) + 1);
    lines.push_back(number + trimmed);
  }
  return lines;
}

AstContent ReadAstLines(const std::vector<std::string>& lines) {
  AstContent content;
  if (lines.empty() || lines.front() != kAstHeader) return content;
  content.headerOk = true;
  std::array<std::size_t, kAsciiCommandCount> lineOfCommand{};
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.size() < 3 || line[2] != ';') {
      if (CarriesText(line)) content.unloaded.Add(i);
      continue;
    }
    const std::optional<long> number = ParseInteger(std::string_view(line).substr(0, 2));
    // The grid has no row for a number outside 1 to 30: such a line is reported like an
    // unreadable one rather than dropped unseen.
    if (!number || *number < 1 || *number > kAsciiCommandCount) {
      ++content.badLines;
      continue;
    }
    const auto index = static_cast<std::size_t>(*number - 1);
    if (lineOfCommand[index] != 0) content.unloaded.Add(lineOfCommand[index]);
    lineOfCommand[index] = i;
    content.cells[index] = line.substr(3);
  }
  return content;
}

AstFile ReadAstFile(const std::string& path) {
  AstFile file{ReadAstLines(ReadTextLines(path)), {}};
  file.report = ReportTableLoad(file.content.headerOk, file.content.badLines,
                                file.content.unloaded, path);
  return file;
}

}  // namespace ferrotap
