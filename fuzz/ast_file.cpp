// SPDX-License-Identifier: MIT
// The .ast reader on any file content: what it loads into the grid saves as lines that load back
// whole to the same cells, trimmed; applying and listing them never fails.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "serial/key_value.h"
#include "simulation/ast_file.h"
#include "simulation/escape.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ferrotap;
  const AstContent read =
      ReadAstLines(SplitTextLines(std::string_view(reinterpret_cast<const char*>(data), size)));
  if (!read.headerOk) {
    FUZZ_CHECK(read.badLines == 0);
    return 0;
  }
  std::size_t listed = 0;
  for (const std::string& cell : read.cells) {
    if (!cell.empty()) ++listed;
  }
  FUZZ_CHECK(CommandListItems(read.cells).size() == listed);
  AsciiCommandTable table;
  (void)ApplyAsciiCommands(read.cells, table);

  const AstContent again = ReadAstLines(WriteAstLines(read.cells));
  FUZZ_CHECK(again.headerOk && again.badLines == 0 && again.unloaded.count == 0);
  for (std::size_t i = 0; i < read.cells.size(); ++i) {
    FUZZ_CHECK(again.cells[i] == TrimCell(read.cells[i]));
  }
  return 0;
}
