#include "serial/port_map.h"

#include <cctype>
#include <cstdlib>

#include "core/safe_file.h"
#include "serial/serial_device.h"

namespace ferrotap {
namespace {

constexpr std::size_t kMaxPortMapBytes = 1 << 20;

std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

// A map file that cannot be read is no map (the default table applies), but it must not hang
// the caller: only a small regular file is read.
std::string MapFileEntry(uint16_t number, const std::string& exeDir) {
  if (exeDir.empty()) return {};
  try {
    return PortMapEntry(ReadRegularFile(exeDir + "/" + kPortMapFileName, kMaxPortMapBytes), number);
  } catch (const FileError&) {
    return {};
  }
}

}  // namespace

std::string PortMapEntry(std::string_view content, uint16_t number) {
  const std::string key = "COM" + std::to_string(number);
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
    if (name == key) return Trim(trimmed.substr(equals + 1));
  }
  return {};
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
  if (std::string mapped = MapFileEntry(number, exeDir); !mapped.empty()) return mapped;
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
