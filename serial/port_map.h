// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ferrotap {

// Name of the optional map file in the program's folder: lines "COM<n>=<device path>".
inline constexpr const char* kPortMapFileName = "ports.map";

// Default device of port number n (n >= 1): 1-4 /dev/ttyS0-3, 5-20 /dev/ttyUSB0-15,
// 21-36 /dev/ttyACM0-15, 37 and above /dev/ttyS4 onward.
std::string DefaultDevicePath(uint16_t number);

// The port number whose default device is the kernel's device name ("ttyACM0" -> 21), or 0 when
// the default table has none for it.
uint16_t DefaultPortNumber(std::string_view kernelName);

// A port number and the device path it is mapped to.
struct PortMapping {
  uint16_t number = 0;
  std::string path;

  bool operator==(const PortMapping&) const = default;
};

// Every "COM<n>=<path>" line of a map file's content with n from 1 to 65535, in file order. Blank
// lines and lines starting with '#' are skipped; names are matched ignoring case and blanks
// around them.
std::vector<PortMapping> PortMapEntries(std::string_view content);

// The device path a map file's content gives port number n, or empty (the first line for n).
std::string PortMapEntry(std::string_view content, uint16_t number);

// The numbers mapped away from the default table, by FERROTAP_COM<n> or the map file in exeDir,
// each once with the path it resolves to, in ascending order.
std::vector<PortMapping> ExplicitPortMappings(const std::string& exeDir);

// Device path of port number n: the environment variable FERROTAP_COM<n> first, then the map
// file in exeDir, then the default table. Empty for number 0.
std::string ResolveDevicePath(uint16_t number, const std::string& exeDir);

// Port numbers from first to last whose device can be opened for reading and writing now.
std::vector<uint16_t> OpenablePortNumbers(const std::string& exeDir, uint16_t first = 1,
                                          uint16_t last = 50);

}  // namespace ferrotap
