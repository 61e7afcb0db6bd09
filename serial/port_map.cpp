// SPDX-License-Identifier: MIT
#include "serial/port_map.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <map>

#include "core/safe_file.h"
#include "serial/serial_device.h"

namespace ferrotap {
namespace {

constexpr std::size_t kMaxPortMapBytes = 1 << 20;
constexpr std::string_view kEnvironmentPrefix = "FERROTAP_COM";

// Decimal digits without a leading zero and below 65536, or -1.
int SmallNumber(std::string_view digits) {
  if (digits.empty() || (digits.size() > 1 && digits[0] == '0')) return -1;
  unsigned value = 0;
  const char* end = digits.data() + digits.size();
  const auto [next, error] = std::from_chars(digits.data(), end, value);
  if (error != std::errc() || next != end || value > 65535) return -1;
  return static_cast<int>(value);
}

// A port number from 1 to 65535, or 0.
uint16_t PortNumberText(std::string_view digits) {
  return static_cast<uint16_t>(std::max(SmallNumber(digits), 0));
}

// The n of "<stem><n>" ("ttyUSB3" -> 3), or -1.
int KernelIndex(std::string_view name, std::string_view stem) {
  if (name.substr(0, stem.size()) != stem) return -1;
  return SmallNumber(name.substr(stem.size()));
}

std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

// A map file that cannot be read is no map (the default table applies), but it must not hang
// the caller: only a small regular file is read.
std::string MapFileContent(const std::string& exeDir) {
  if (exeDir.empty()) return {};
  try {
    return ReadRegularFile(exeDir + "/" + kPortMapFileName, kMaxPortMapBytes);
  } catch (const FileError&) {
    return {};
  }
}

}  // namespace

std::vector<PortMapping> PortMapEntries(std::string_view content) {
  std::vector<PortMapping> entries;
  std::size_t start = 0;
  while (start < content.size()) {
    auto end = content.find('\n', start);
    if (end == std::string_view::npos) end = content.size();
    const std::string trimmed = Trim(std::string(content.substr(start, end - start)));
    start = end + 1;
    if (trimmed.empty() || trimmed[0] == '#') continue;
    const auto equals = trimmed.find('=');
    if (equals == std::string::npos) continue;
    std::string name = Trim(trimmed.substr(0, equals));
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name.rfind("COM", 0) != 0) continue;
    if (const uint16_t number = PortNumberText(std::string_view(name).substr(3)); number != 0) {
      entries.push_back({number, Trim(trimmed.substr(equals + 1))});
    }
  }
  return entries;
}

std::string PortMapEntry(std::string_view content, uint16_t number) {
  for (PortMapping& entry : PortMapEntries(content)) {
    if (entry.number == number) return std::move(entry.path);
  }
  return {};
}

std::vector<PortMapping> ExplicitPortMappings(const std::string& exeDir) {
  std::map<uint16_t, std::string> paths;
  for (PortMapping& entry : PortMapEntries(MapFileContent(exeDir))) {
    if (!entry.path.empty()) paths.emplace(entry.number, std::move(entry.path));
  }
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string_view text(*variable);
    if (text.substr(0, kEnvironmentPrefix.size()) != kEnvironmentPrefix) continue;
    const auto equals = text.find('=');
    const std::string_view value = text.substr(equals + 1);
    const uint16_t number =
        PortNumberText(text.substr(kEnvironmentPrefix.size(), equals - kEnvironmentPrefix.size()));
    if (number != 0 && equals != std::string_view::npos && !value.empty()) {
      paths[number] = std::string(value);
    }
  }
  std::vector<PortMapping> mappings;
  for (auto& [number, path] : paths) mappings.push_back({number, std::move(path)});
  return mappings;
}

uint16_t DefaultPortNumber(std::string_view kernelName) {
  if (const int n = KernelIndex(kernelName, "ttyS"); n >= 0) {
    const int number = n <= 3 ? n + 1 : n + 33;
    return number <= 65535 ? static_cast<uint16_t>(number) : 0;
  }
  if (const int n = KernelIndex(kernelName, "ttyUSB"); n >= 0 && n <= 15) {
    return static_cast<uint16_t>(n + 5);
  }
  if (const int n = KernelIndex(kernelName, "ttyACM"); n >= 0 && n <= 15) {
    return static_cast<uint16_t>(n + 21);
  }
  return 0;
}

std::string DefaultDevicePath(uint16_t number) {
  if (number == 0) return {};
  if (number <= 4) return "/dev/ttyS" + std::to_string(number - 1);
  if (number <= 20) return "/dev/ttyUSB" + std::to_string(number - 5);
  if (number <= 36) return "/dev/ttyACM" + std::to_string(number - 21);
  return "/dev/ttyS" + std::to_string(number - 33);
}

std::string ResolveDevicePath(uint16_t number, const std::string& exeDir) {
  if (number == 0) return {};
  const std::string variable = "FERROTAP_COM" + std::to_string(number);
  if (const char* value = std::getenv(variable.c_str()); value != nullptr && *value != '\0') {
    return value;
  }
  if (std::string mapped = PortMapEntry(MapFileContent(exeDir), number); !mapped.empty()) {
    return mapped;
  }
  return DefaultDevicePath(number);
}

std::vector<uint16_t> OpenablePortNumbers(const std::string& exeDir, uint16_t first,
                                          uint16_t last) {
  std::vector<uint16_t> numbers;
  for (uint32_t n = first; n <= last; ++n) {
    if (CanOpenSerialDevice(ResolveDevicePath(static_cast<uint16_t>(n), exeDir))) {
      numbers.push_back(static_cast<uint16_t>(n));
    }
  }
  return numbers;
}

}  // namespace ferrotap
