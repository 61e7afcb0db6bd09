// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "serial/serial_types.h"

namespace ferrotap {

// The line parameters of one port as the Com Setting page's texts choose them.
struct PortLineSettings {
  uint16_t comNumber = 1;
  int32_t baud = 9600;
  uint16_t dataBits = 8;
  Parity parity = pNone;
  // 1 or 2; the port itself turns 5 data bits into one and a half stop bits.
  uint16_t stopBits = 1;

  bool operator==(const PortLineSettings&) const = default;
};

// Throws std::runtime_error "'<text>' is not a valid integer value" for a port number, baud rate
// or data-bits text that is not an integer, and a message naming the setting for an integer out of
// its range. parityIndex is the selected parity item (-1 for none), parityText the typed text.
PortLineSettings PortLineSettingsFromControls(std::string_view comText, std::string_view baudText,
                                              std::string_view dataBitsText, int parityIndex,
                                              std::string_view parityText,
                                              std::string_view stopBitsText);

// The parity item a text names, ignoring case and surrounding blanks; no parity for any other
// text.
Parity ParityFromText(std::string_view text);

// The six panels of the settings status bar. portB is given in spy mode only.
std::array<std::string, 6> StatusBarTexts(bool rs485, std::string_view portA,
                                          std::optional<std::string_view> portB,
                                          std::string_view baud, std::string_view parity,
                                          std::string_view dataBits, std::string_view stopBits);

}  // namespace ferrotap
