// SPDX-License-Identifier: MIT
// The .fly reader on any file content: the line it loads saves as a file that loads back to the
// same line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "serial/key_value.h"
#include "simulation/fly_file.h"

namespace {

std::string FileContent(const std::vector<std::string>& lines) {
  std::string content;
  for (const std::string& line : lines) content += line + "\r\n";
  return content;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ferrotap;
  const std::string text =
      ReadFlyLines(SplitTextLines(std::string_view(reinterpret_cast<const char*>(data), size)));
  FUZZ_CHECK(text.find('\n') == std::string::npos);
  FUZZ_CHECK(ReadFlyLines(SplitTextLines(FileContent(WriteFlyLines(text)))) == text);
  return 0;
}
