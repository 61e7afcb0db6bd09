// SPDX-License-Identifier: MIT
#include "serial/device_description.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace ferrotap {
namespace {

namespace fs = std::filesystem;

constexpr int kUsbLevelsAbove = 4;  // tty, usb-serial port, interface, then the USB device

// The first line of a sysfs attribute, without its line end; empty when there is none.
std::string Attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
    line.pop_back();
  }
  return line;
}

std::string JoinNonEmpty(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    if (!text.empty()) text += ", ";
    text += part;
  }
  return text;
}

// The kernel's serial_core port types that a PC may carry; 0 means no chip answered the probe.
std::string UartName(const std::string& type) {
  if (type == "1") return "8250 UART";
  if (type == "2") return "16450 UART";
  if (type == "3") return "16550 UART";
  if (type == "4") return "16550A UART";
  return "UART type " + type;
}

std::string UsbDescription(const fs::path& device) {
  std::error_code error;
  fs::path dir = fs::canonical(device, error);
  if (error) return {};
  for (int level = 0; level <= kUsbLevelsAbove && !dir.empty(); ++level) {
    if (fs::exists(dir / "idVendor", error)) {
      std::string text = JoinNonEmpty(
          {Attribute(dir / "product"), Attribute(dir / "manufacturer"), Attribute(dir / "serial")});
      if (!text.empty()) return text;
      return "USB " + Attribute(dir / "idVendor") + ":" + Attribute(dir / "idProduct");
    }
    if (dir == dir.parent_path()) break;
    dir = dir.parent_path();
  }
  return {};
}

// The kernel's name of the device: a symbolic link is followed, a missing node keeps its name.
std::string KernelName(const std::string& devicePath) {
  std::error_code error;
  if (fs::is_symlink(devicePath, error)) {
    const fs::path target = fs::canonical(devicePath, error);
    if (error) return {};
    return target.filename().string();
  }
  return fs::path(devicePath).filename().string();
}

}  // namespace

std::string DescribeDevice(const std::string& devicePath, const std::string& sysRoot) {
  std::error_code error;
  const std::string name = KernelName(devicePath);
  const fs::path classDir = fs::path(sysRoot) / "class" / "tty" / name;
  const bool inSysfs = !name.empty() && fs::exists(classDir, error);
  if (!inSysfs) {
    if (name.empty() || !fs::exists(devicePath, error)) return "no such device";
    // Through a link too: a test or a map may name a terminal by a stable name.
    const fs::path real = fs::canonical(devicePath, error);
    if (!error && real.parent_path() == "/dev/pts") return "pseudo-terminal";
    return "serial device";
  }
  if (const std::string usb = UsbDescription(classDir / "device"); !usb.empty()) return usb;
  const std::string type = Attribute(classDir / "type");
  if (type == "0") return "no UART";
  if (!type.empty()) return UartName(type);
  return "serial device";
}

bool IsHardwarePort(const std::string& kernelName, const std::string& sysRoot) {
  std::error_code error;
  const fs::path classDir = fs::path(sysRoot) / "class" / "tty" / kernelName;
  return !kernelName.empty() && fs::exists(classDir / "device", error) &&
         Attribute(classDir / "type") != "0";
}

std::string DeviceSummary(const std::string& devicePath, const std::string& sysRoot) {
  if (devicePath.rfind("virtual:", 0) == 0) return devicePath + ": virtual cable";
  return devicePath + ": " + DescribeDevice(devicePath, sysRoot);
}

}  // namespace ferrotap
