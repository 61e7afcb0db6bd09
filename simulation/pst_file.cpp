// SPDX-License-Identifier: MIT
#include "simulation/pst_file.h"

#include <array>
#include <cstdio>

#include "serial/key_value.h"
#include "simulation/escape.h"

namespace ferrotap {
namespace {

bool BreaksLine(char c) {
  return c == ';' || c == '\r' || c == '\n';
}

std::string HexEscape(uint8_t byte) {
  char text[4];
  std::snprintf(text, sizeof text, "$%2.2X", byte);
  return text;
}

// How many characters the escape starting with `c` takes; 1 for a plain character.
std::size_t EscapeWidth(char c) {
  switch (c) {
    case '^':
      return 2;
    case '#':
      return 4;
    case '$':
      return 3;
    default:
      return 1;
  }
}

// Rewrites every escape or character holding a separator as the "$xx" of the byte it stands for.
// From a malformed escape on nothing decodes any more: its separators become "^{" (the Ctrl form
// of ';'), which keeps that escape malformed, and the separators after it "$3B".
std::string ProtectSeparators(std::string_view cell) {
  std::string out;
  bool decoding = true;
  for (std::size_t pos = 0; pos < cell.size();) {
    const std::string_view cut = cell.substr(pos, EscapeWidth(cell[pos]));
    pos += cut.size();
    bool breaks = false;
    for (char c : cut) breaks = breaks || BreaksLine(c);
    const auto byte = decoding ? DecodeEscapedChar(cut) : std::nullopt;
    if (!breaks) {
      out += cut;
    } else if (byte) {
      out += HexEscape(*byte);
    } else {
      for (char c : cut) out += !BreaksLine(c) ? std::string(1, c) : decoding ? "^{" : "$3B";
    }
    decoding = decoding && byte.has_value();
  }
  return out;
}

// The SYNC cell is free text and never decoded: a line end inside it becomes a blank, which keeps
// the line whole and the mark as it was (a cell with a line end inside is no "SYNC").
std::string OnOneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

}  // namespace

std::vector<std::string> WritePstLines(const SimulationRows& rows) {
  std::vector<std::string> lines{std::string(kPstHeader)};
  for (int k = 0; k < kSimulationCommandCount; ++k) {
    const std::string_view query = TrimCell(rows[k].query);
    const std::string_view answer = TrimCell(rows[k].answer);
    const std::string_view sync = TrimCell(rows[k].sync);
    if (query.empty() && answer.empty() && sync.empty()) continue;
    char number[4];
    std::snprintf(number, sizeof number, "%3.3d", k);
    lines.push_back(std::string(number) + ';' + ProtectSeparators(query) + ';' +
                    ProtectSeparators(answer) + ';' + OnOneLine(sync));
  }
  return lines;
}

PstContents ReadPstLines(const std::vector<std::string>& lines) {
  PstContents contents;
  if (lines.empty() || lines.front() != kPstHeader) return contents;
  contents.headerOk = true;
  std::array<std::size_t, kSimulationCommandCount> lineOfRow{};
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.size() < 4 || line[3] != ';') {
      if (CarriesText(lines[i])) contents.unloaded.Add(i);
      continue;
    }
    const std::optional<long> code = ParseInteger(line.substr(0, 3));
    if (!code || *code < 0 || *code >= kSimulationCommandCount) {
      ++contents.incompatibleLines;
      continue;
    }
    const std::string_view rest = line.substr(4);
    const auto first = rest.find(';');
    if (first == std::string_view::npos) {
      contents.unloaded.Add(i);
      continue;
    }
    const std::string_view afterQuery = rest.substr(first + 1);
    const auto second = afterQuery.find(';');
    const auto k = static_cast<std::size_t>(*code);
    if (lineOfRow[k] != 0) contents.unloaded.Add(lineOfRow[k]);
    lineOfRow[k] = i;
    SimulationRow& row = contents.rows[k];
    row.query = rest.substr(0, first);
    row.answer = afterQuery.substr(0, second);
    row.sync = second == std::string_view::npos ? "" : afterQuery.substr(second + 1);
  }
  return contents;
}

PstFile ReadPstFile(const std::string& path) {
  PstFile file{ReadPstLines(ReadTextLines(path)), {}};
  file.report = ReportTableLoad(file.contents.headerOk, file.contents.incompatibleLines,
                                file.contents.unloaded, path);
  return file;
}

}  // namespace ferrotap
