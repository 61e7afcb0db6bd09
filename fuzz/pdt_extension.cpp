// SPDX-License-Identifier: MIT
// The appended .pdt lines on any file tail: what the reader takes writes back as lines that read
// back to the same options, and writing those again gives the same lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "protocol/pdt_extension.h"
#include "serial/key_value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ferrotap;
  const std::vector<std::string> lines =
      SplitTextLines(std::string_view(reinterpret_cast<const char*>(data), size));
  const PdtExtensionReadResult read = ReadPdtExtensionLines(lines);
  if (read.failed) {
    FUZZ_CHECK(!read.message.empty());
    return 0;
  }
  const std::vector<std::string> written = WritePdtExtensionLines(read.extension);
  for (const std::string& line : written) {
    FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
  }
  const PdtExtensionReadResult again = ReadPdtExtensionLines(written);
  FUZZ_CHECK(!again.failed);
  FUZZ_CHECK(again.extension == read.extension);
  FUZZ_CHECK(WritePdtExtensionLines(again.extension) == written);
  return 0;
}
