// SPDX-License-Identifier: MIT
// The .pdt reader on any file content: a file that fails changes nothing and names a line of the
// format; what a file gives writes back as 23 lines and the appended options, which read back to
// the same settings.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "protocol/pdt_file.h"
#include "serial/key_value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ferrotap;
  const std::vector<std::string> lines =
      SplitTextLines(std::string_view(reinterpret_cast<const char*>(data), size));
  PdtSettings current;
  current.stxChar = "#9";
  current.idMin = 7;
  current.syncType = 2;
  const PdtReadResult read = ReadPdtLines(lines, current);
  if (read.Failed()) {
    FUZZ_CHECK(read.failedLine >= 1 && static_cast<std::size_t>(read.failedLine) <=
                                           std::max<std::size_t>(kPdtLineCount, lines.size()));
    FUZZ_CHECK(read.lineMissing == (lines.size() < static_cast<std::size_t>(kPdtLineCount)));
    FUZZ_CHECK(read.extensionMessage.empty() == (read.failedLine <= kPdtLineCount));
    FUZZ_CHECK(read.settings == current);
    FUZZ_CHECK(!PdtFailureMessage(read, "f.pdt").empty());
    return 0;
  }
  const std::vector<std::string> written = WritePdtLines(read.settings);
  FUZZ_CHECK(written.size() > static_cast<std::size_t>(kPdtLineCount));
  for (const std::string& line : written) FUZZ_CHECK(line.find('\n') == std::string::npos);
  const PdtReadResult again = ReadPdtLines(written, read.settings);
  FUZZ_CHECK(!again.Failed());
  FUZZ_CHECK(again.settings == read.settings);
  return 0;
}
