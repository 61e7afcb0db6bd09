// SPDX-License-Identifier: MIT
// The capture settings reader on any file content: the settings it yields write back as lines that
// read back to the same settings with no problem named, whatever the file held.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "serial/capture_settings_file.h"
#include "serial/key_value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ferrotap;
  std::vector<std::string> problems;
  const CaptureSettings read = ReadCaptureSettingsLines(
      SplitTextLines(std::string_view(reinterpret_cast<const char*>(data), size)), {}, problems);
  const std::vector<std::string> written = WriteCaptureSettingsLines(read);
  std::vector<std::string> again;
  FUZZ_CHECK(ReadCaptureSettingsLines(written, {}, again) == read);
  FUZZ_CHECK(again.empty());
  return 0;
}
