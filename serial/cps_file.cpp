// SPDX-License-Identifier: MIT
#include "serial/cps_file.h"

#include <cstdint>
#include <string_view>

#include "serial/key_value.h"
#include "core/printable_text.h"

namespace ferrotap {
namespace {

std::string FlowText(FlowControlChoice choice) {
  switch (choice) {
    case FlowControlChoice::None:
      return "None";
    case FlowControlChoice::Hardware:
      return "Hardware";
    case FlowControlChoice::Software:
      return "Software";
  }
  return "None";
}

std::string ColorText(Color color) {
  return std::to_string(static_cast<std::int32_t>(color));
}

void ReadText(const std::string& value, std::string& target) {
  if (!value.empty()) target = value;
}

void ReadNumber(const std::string& value, int& target) {
  ParseIntegerValue(value, target);
}

// Only the named box of a pair is checked; the other keeps its state.
void ReadCriterion(const std::string& value, std::string_view firstName, bool& first, bool& other,
                   bool& open) {
  open = value.empty();
  if (!open) (value == firstName ? first : other) = true;
}

std::string CriterionText(bool open, bool first, bool other, const char* firstName,
                          const char* otherName) {
  if (open && !first && !other) return "";
  return first ? firstName : otherName;
}

}  // namespace

std::vector<std::string> WriteCpsLines(const CpsSettings& s) {
  std::vector<std::string> lines = {
      "Spy_Mode=" + BoolText(s.spyMode),
      "ComA_Port=" + s.comPortA,
      "ComB_Port=" + s.comPortB,
      "Baud_Rate=" + s.baudRate,
      "Data_Bits=" + s.dataBits,
      "Parity=" + s.parity,
      "Stop_Bits=" + s.stopBits,
      "RS485_Mode=" + BoolText(s.rs485Mode),
      s.rs485Method,
      "In_Buffer_KB=" + std::to_string(s.inBuffer),
      "Out_Buffer_KB=" + std::to_string(s.outBuffer),
      "Flow_control=" + FlowText(s.flowControl),
      "HardwareFlow_BufferFull_%=" + std::to_string(s.bufferFullPercent),
      "HardwareFlow_BufferResume_%=" + std::to_string(s.bufferResumePercent),
      "HardwareFlow_Out_Criteria=" +
          CriterionText(s.outCriteriaOpen, s.useRts, s.useDtr, "RTS", "DTR"),
      "HardwareFlow_In_Criteria=" +
          CriterionText(s.inCriteriaOpen, s.requireCts, s.requireDsr, "CTS", "DSR"),
      "SoftwareFlow_Applied_for=" + s.softwareFlowFor,
      "SoftwareFlow_XON_CHAR=" + s.xonChar,
      "SoftwareFlow_XOFF_CHAR=" + s.xoffChar,
  };
  for (int i = 0; i < kCpsColorCount; ++i) {
    lines.push_back(std::string(kColorFileKeys[i]) + "=" + ColorText(s.colors.values[i]));
  }
  return lines;
}

CpsSettings ReadCpsLines(const std::vector<std::string>& lines, CpsSettings s) {
  auto line = [&lines](int number) -> std::string {
    const auto index = static_cast<std::size_t>(number - 1);
    return index < lines.size() ? lines[index] : std::string();
  };
  auto value = [&line](int number) { return ValueAfterEquals(line(number)); };
  // A line the file lacks keeps its setting: a file cut short must not turn spy mode off or
  // software flow control on (which would swallow every received XON and XOFF byte).
  auto has = [&lines](int number) { return static_cast<std::size_t>(number) <= lines.size(); };

  if (has(1)) s.spyMode = IsTrueText(value(1));
  ReadText(value(2), s.comPortA);
  ReadText(value(3), s.comPortB);
  ReadText(value(4), s.baudRate);
  ReadText(value(5), s.dataBits);
  ReadText(value(6), s.parity);
  ReadText(value(7), s.stopBits);
  if (has(8)) s.rs485Mode = IsTrueText(value(8));
  if (has(9)) s.rs485Method = line(9);
  ReadNumber(value(10), s.inBuffer);
  ReadNumber(value(11), s.outBuffer);
  if (has(12)) {
    const std::string flow = value(12);
    s.flowControl = flow == "None"       ? FlowControlChoice::None
                    : flow == "Hardware" ? FlowControlChoice::Hardware
                                         : FlowControlChoice::Software;
  }
  ReadNumber(value(13), s.bufferFullPercent);
  ReadNumber(value(14), s.bufferResumePercent);
  ReadCriterion(value(15), "RTS", s.useRts, s.useDtr, s.outCriteriaOpen);
  ReadCriterion(value(16), "CTS", s.requireCts, s.requireDsr, s.inCriteriaOpen);
  ReadText(value(17), s.softwareFlowFor);
  ReadText(value(18), s.xonChar);
  ReadText(value(19), s.xoffChar);
  for (int i = 0; i < kCpsColorCount; ++i) {
    int color = 0;
    if (ParseIntegerValue(value(20 + i), color)) s.colors.values[i] = static_cast<Color>(color);
  }
  return s;
}

CpsFileRead ReadCpsFile(const std::string& path, const CpsSettings& current) {
  const std::vector<std::string> lines = ReadTextLines(path);
  CpsFileRead read{ReadCpsLines(lines, current), {}};
  if (lines.size() < kCpsLineCount) {
    read.warning = MissingLinesMessage(path, lines.size(), kCpsLineCount);
  }
  return read;
}

std::string MissingLinesMessage(const std::string& path, std::size_t found, std::size_t expected) {
  return "Reading " + PrintableText(path) + ": the file has " + std::to_string(found) + " of " +
         std::to_string(expected) + " lines; the missing settings keep their current values";
}

}  // namespace ferrotap
