// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ferrotap {

// Where the kernel shows its devices; other roots for tests.
struct DeviceRoots {
  std::string sys = "/sys";
  std::string dev = "/dev";
};

// One serial device present, as the port lists show it.
struct PortListing {
  // Every port number that reaches the device, the one to show first: numbers mapped to it in
  // FERROTAP_COM<n> or ports.map before its number in the default table. Empty when none does.
  std::vector<uint16_t> numbers;
  std::string path;
  std::string description;
  // Stable names of the device (/dev/serial/by-id/...).
  std::vector<std::string> links;
};

// Every serial device present: ttyS ports with a UART behind them, USB adapters (ttyUSB, ttyACM)
// and other ttys with hardware behind them, the devices of /dev/serial/by-id, and whatever a
// mapped port number (exeDir's map file, FERROTAP_COM<n>) names that exists now. Ordered by
// number; devices without one last, by path.
std::vector<PortListing> ListSerialPorts(const std::string& exeDir, const DeviceRoots& roots = {});

// "21  /dev/ttyACM0  Arduino Uno, Arduino (LLC)  /dev/serial/by-id/usb-...": the number ("-" for
// none), the path, the description and the stable names, two blanks apart.
std::string PortListingText(const PortListing& listing);

// What a port list offers for one number: the classic numbers 1 to 16 and every number that
// reaches a device present.
struct PortChoice {
  uint16_t number = 0;
  // The device path the number maps to.
  std::string path;
  // "<path>: <description>" of the device present there; empty when nothing is.
  std::string found;

  bool operator==(const PortChoice&) const = default;
};

inline constexpr uint16_t kClassicPortCount = 16;

std::vector<PortChoice> PortChoices(const std::vector<PortListing>& found,
                                    const std::string& exeDir);

}  // namespace ferrotap
