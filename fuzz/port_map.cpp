// SPDX-License-Identifier: MIT
// The port map file's content: an entry found is trimmed text of the file, on one line, and an
// entry for another port added behind does not change it; the list of all entries agrees with
// the look-up of one.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "serial/port_map.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte picks the port number, the rest is the file.
  const auto number = static_cast<std::uint16_t>(data[0] % 40);
  const std::string_view content(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string path = ferrotap::PortMapEntry(content, number);
  FUZZ_CHECK(path.find('\n') == std::string::npos);
  if (!path.empty()) {
    FUZZ_CHECK(content.find(path) != std::string_view::npos);
    FUZZ_CHECK(!std::isspace(static_cast<unsigned char>(path.front())));
    FUZZ_CHECK(!std::isspace(static_cast<unsigned char>(path.back())));
  }
  // Appending an entry for another port never changes this one's.
  const std::string more = std::string(content) + "\nCOM" + std::to_string(number + 1) + "=/x\n";
  FUZZ_CHECK(ferrotap::PortMapEntry(more, number) == path);
  bool first = true;
  for (const ferrotap::PortMapping& entry : ferrotap::PortMapEntries(content)) {
    FUZZ_CHECK(entry.number != 0);
    if (entry.number == number && first) {
      FUZZ_CHECK(entry.path == path);
      first = false;
    }
  }
  return 0;
}
