// SPDX-License-Identifier: MIT
// The .cps reader on any file content: the settings it yields write back as 27 lines that read
// back to the same settings, whatever the file held.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "serial/cps_file.h"
#include "serial/key_value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ferrotap;
  const std::vector<std::string> lines =
      SplitTextLines(std::string_view(reinterpret_cast<const char*>(data), size));
  const CpsSettings read = ReadCpsLines(lines, CpsSettings{});
  const std::vector<std::string> written = WriteCpsLines(read);
  FUZZ_CHECK(written.size() == static_cast<std::size_t>(kCpsLineCount));
  for (const std::string& line : written) FUZZ_CHECK(line.find('\n') == std::string::npos);
  const CpsSettings again = ReadCpsLines(written, read);
  FUZZ_CHECK(WriteCpsLines(again) == written);
  return 0;
}
