// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"

namespace ferrotap {

inline constexpr int kAsciiCommandCount = 30;

// Command n (1 to 30) at index n - 1: the decoded bytes, written only by a successful or partial
// Apply.
using AsciiCommandTable = std::array<Bytes, kAsciiCommandCount>;
// The grid's command column as typed, escapes undecoded, command n at index n - 1.
using AsciiCommandCells = std::array<std::string, kAsciiCommandCount>;

struct AsciiApplyFailure {
  int number = 0;
  std::string malformed;
  std::string trimmed;
};

// Decodes the trimmed cells into the table in order and stops at the first malformed one: the
// entries before it hold their new bytes, that entry the bytes decoded before the failure, and
// the entries after it keep what they held.
std::optional<AsciiApplyFailure> ApplyAsciiCommands(const AsciiCommandCells& cells,
                                                    AsciiCommandTable& table);
std::string ApplyFailureText(const AsciiApplyFailure& failure);

// One drop-down item per non-empty (untrimmed) cell: "F01 - " to "F10 - " for the keys' commands,
// "11 - " and on for the others, followed by the cell.
struct CommandListItem {
  std::string text;
  int number = 0;
};
std::vector<CommandListItem> CommandListItems(const AsciiCommandCells& cells);

}  // namespace ferrotap
