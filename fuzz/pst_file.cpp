// SPDX-License-Identifier: MIT
// The .pst reader and writer: any lines read without fault, and any table written and read back,
// cells as long as the grid takes, loads every line and applies to the same entries with the
// same outcome.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "simulation/pst_file.h"
#include "simulation/simulation_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ferrotap;
  FuzzedDataProvider input(data, size);

  std::vector<std::string> lines{std::string(kPstHeader)};
  const std::string text = input.ConsumeRandomLengthString(1 << 17);
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  const PstContents any = ReadPstLines(lines);
  FUZZ_CHECK(any.headerOk);
  FUZZ_CHECK(any.incompatibleLines < static_cast<int>(lines.size()));
  SimulationTable scratch;
  (void)ApplySimulationRows(any.rows, scratch);

  SimulationRows rows;
  while (input.remaining_bytes() > 0) {
    SimulationRow& row = rows[input.ConsumeIntegral<std::uint8_t>()];
    row = {input.ConsumeRandomLengthString(kGridCellMaxLength),
           input.ConsumeRandomLengthString(kGridCellMaxLength),
           input.ConsumeRandomLengthString(64)};
  }
  const PstContents back = ReadPstLines(WritePstLines(rows));
  FUZZ_CHECK(back.headerOk && back.incompatibleLines == 0 && back.unloaded.count == 0);
  SimulationTable original;
  SimulationTable reloaded;
  FUZZ_CHECK(ApplySimulationRows(rows, original).ok == ApplySimulationRows(back.rows, reloaded).ok);
  for (int k = 0; k < kSimulationCommandCount; ++k) {
    const auto code = static_cast<std::uint8_t>(k);
    FUZZ_CHECK(original[code].query == reloaded[code].query);
    FUZZ_CHECK(original[code].answer == reloaded[code].answer);
    FUZZ_CHECK(original.IsSyncMarked(code) == reloaded.IsSyncMarked(code));
  }
  return 0;
}
