// SPDX-License-Identifier: MIT
#include "simulation/ascii_command_table.h"

#include <cstdio>

#include "simulation/escape.h"

namespace ferrotap {
namespace {

std::string TwoDigits(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%2.2d", number);
  return text;
}

}  // namespace

std::optional<AsciiApplyFailure> ApplyAsciiCommands(const AsciiCommandCells& cells,
                                                    AsciiCommandTable& table) {
  for (std::size_t i = 0; i < cells.size(); ++i) {
    std::string trimmed(TrimCell(cells[i]));
    EscapedStringResult decoded = DecodeEscapedString(trimmed);
    table[i] = std::move(decoded.bytes);
    if (!decoded.ok()) {
      return AsciiApplyFailure{static_cast<int>(i) + 1, decoded.malformed, std::move(trimmed)};
    }
  }
  return std::nullopt;
}

std::string ApplyFailureText(const AsciiApplyFailure& failure) {
  return "Process aborted. Malformed string : " + failure.malformed + "  in COMM " +
         std::to_string(failure.number) + ":  " + failure.trimmed;
}

std::vector<CommandListItem> CommandListItems(const AsciiCommandCells& cells) {
  std::vector<CommandListItem> items;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].empty()) continue;
    const int number = static_cast<int>(i) + 1;
    const std::string prefix = (number <= 10 ? "F" : "") + TwoDigits(number) + " - ";
    items.push_back({prefix + cells[i], number});
  }
  return items;
}

}  // namespace ferrotap
