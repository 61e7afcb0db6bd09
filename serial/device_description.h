// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace ferrotap {

// What sits behind a serial device path, read from sysfs (sysRoot is "/sys" but for tests): the
// USB product, maker and serial number of an adapter ("FT232R USB UART, FTDI, A50285BI"), the
// UART of a built-in port, "no UART" for a legacy port with no chip behind it, "no such device",
// or "pseudo-terminal". A link such as /dev/serial/by-id/... is followed to its device first.
std::string DescribeDevice(const std::string& devicePath, const std::string& sysRoot = "/sys");

// A tty of sysfs (kernelName "ttyS0") with hardware behind it: neither a virtual console nor a
// legacy port whose probe found no UART.
bool IsHardwarePort(const std::string& kernelName, const std::string& sysRoot = "/sys");

// "<path>: <description>", as the port choosers show it; "virtual:" paths name the cable.
std::string DeviceSummary(const std::string& devicePath, const std::string& sysRoot = "/sys");

}  // namespace ferrotap
