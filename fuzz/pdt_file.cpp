// The .pdt reader on any file content: what it takes writes back as 23 lines that read back to
// the same settings without failing.
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
  const PdtReadResult read = ReadPdtLines(lines, PdtSettings{});
  FUZZ_CHECK(read.linesRead >= 0 && read.linesRead <= kPdtLineCount);
  const std::vector<std::string> written = WritePdtLines(read.settings);
  FUZZ_CHECK(written.size() == static_cast<std::size_t>(kPdtLineCount));
  for (const std::string& line : written) FUZZ_CHECK(line.find('\n') == std::string::npos);
  const PdtReadResult again = ReadPdtLines(written, read.settings);
  FUZZ_CHECK(!again.failed);
  FUZZ_CHECK(again.settings == read.settings);
  return 0;
}
