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

// The device path a map file's content gives port number n, or empty. Blank lines and lines
// starting with '#' are skipped; names are matched ignoring case and blanks around them.
std::string PortMapEntry(std::string_view content, uint16_t number);

// Device path of port number n: the environment variable FERROTAP_COM<n> first, then the map
// file in exeDir, then the default table. Empty for number 0.
std::string ResolveDevicePath(uint16_t number, const std::string& exeDir);

// Port numbers from first to last whose device can be opened for reading and writing now.
std::vector<uint16_t> OpenablePortNumbers(const std::string& exeDir, uint16_t first = 1,
                                          uint16_t last = 50);

}  // namespace ferrotap
