// SPDX-License-Identifier: MIT
#include "serial/port_settings_choice.h"

#include <cctype>
#include <stdexcept>

#include "serial/key_value.h"
#include "core/printable_text.h"

namespace ferrotap {
namespace {

constexpr std::array<std::string_view, 5> kParityNames = {"None", "Odd", "Even", "Mark", "Space"};
constexpr std::array<Parity, 5> kParities = {pNone, pOdd, pEven, pMark, pSpace};

int IntegerOf(std::string_view text) {
  int value = 0;
  if (!ParseIntegerValue(text, value)) {
    throw std::runtime_error("'" + PrintableLatin1(text) + "' is not a valid integer value");
  }
  return value;
}

// A value the port cannot hold would otherwise be cut down to a different, valid-looking one.
int IntegerInRange(std::string_view text, int min, int max, const char* what) {
  const int value = IntegerOf(text);
  if (value < min || value > max) {
    throw std::runtime_error("'" + PrintableLatin1(text) + "' is out of range for the " + what +
                             " (" + std::to_string(min) + " to " + std::to_string(max) + ")");
  }
  return value;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

Parity ParityFromText(std::string_view text) {
  text = Trimmed(text);
  for (std::size_t i = 0; i < kParityNames.size(); ++i) {
    if (EqualIgnoringCase(text, kParityNames[i])) return kParities[i];
  }
  return pNone;
}

PortLineSettings PortLineSettingsFromControls(std::string_view comText, std::string_view baudText,
                                              std::string_view dataBitsText, int parityIndex,
                                              std::string_view parityText,
                                              std::string_view stopBitsText) {
  PortLineSettings line;
  // 0 is "no port": port B then asks for one, port A reports that none is selected.
  line.comNumber = static_cast<uint16_t>(IntegerInRange(comText, 0, 65535, "COM port number"));
  line.baud = IntegerInRange(baudText, 1, 2147483647, "baud rate");
  line.dataBits = static_cast<uint16_t>(IntegerInRange(dataBitsText, 5, 8, "data bits"));
  line.parity = parityIndex >= 0 && parityIndex < static_cast<int>(kParities.size())
                    ? kParities[static_cast<std::size_t>(parityIndex)]
                    : ParityFromText(parityText);
  // With 6 to 8 data bits a UART sends two stop bits for "1.5"; with 5 the port makes them 1.5.
  const std::string_view stop = Trimmed(stopBitsText);
  line.stopBits = stop == "2" || stop == "1.5" ? 2 : 1;
  return line;
}

std::array<std::string, 6> StatusBarTexts(bool rs485, std::string_view portA,
                                          std::optional<std::string_view> portB,
                                          std::string_view baud, std::string_view parity,
                                          std::string_view dataBits, std::string_view stopBits) {
  std::string ports = "COM " + std::string(portA);
  if (portB) ports += "/" + std::string(*portB);
  return {rs485 ? "Type: RS-485" : "Type: RS-232C",
          ports,
          "BR: " + std::string(baud),
          "Parity: " + std::string(parity),
          "DataBits: " + std::string(dataBits),
          "StopBits: " + std::string(stopBits)};
}

}  // namespace ferrotap
