// SPDX-License-Identifier: MIT
#include "serial/capture_settings_file.h"

#include <cstdint>

#include "core/capture_options.h"
#include "serial/key_value.h"

namespace ferrotap {
namespace {

constexpr std::string_view kStampsKey = "TimeStamps";
constexpr std::string_view kGapOnKey = "IdleGap_On";
constexpr std::string_view kGapKey = "IdleGap";
constexpr std::string_view kLogTextKey = "Log_Shown_Text";
constexpr std::string_view kMemoryKey = "DataWindowMemoryMB";
constexpr int kMinMemoryMB = 16;
const std::string_view kColorKey = kColorFileKeys[static_cast<int>(ColorRole::TimeStamp)];

std::string_view StampModeText(TimeStampMode mode) {
  return mode == TimeStampMode::Absolute   ? "abs"
         : mode == TimeStampMode::Relative ? "rel"
                                           : "none";
}

}  // namespace

std::string CaptureSettingsPath(const std::string& cpsPath) {
  const std::size_t slash = cpsPath.find_last_of('/');
  const std::size_t dot = cpsPath.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? cpsPath.substr(0, dot) : cpsPath) + ".capture";
}

std::vector<std::string> WriteCaptureSettingsLines(const CaptureSettings& s) {
  return {
      std::string(kStampsKey) + "=" + std::string(StampModeText(s.timeStamps)),
      std::string(kGapOnKey) + "=" + BoolText(s.idleGapOn),
      std::string(kGapKey) + "=" + FormatIdleGap(s.idleGap),
      std::string(kColorKey) + "=" + std::to_string(static_cast<int32_t>(s.timeStampColor)),
      std::string(kLogTextKey) + "=" + BoolText(s.logShownText),
      std::string(kMemoryKey) + "=" + std::to_string(s.dataWindowMemoryMB),
  };
}

CaptureSettings ReadCaptureSettingsLines(const std::vector<std::string>& lines,
                                         const CaptureSettings& base,
                                         std::vector<std::string>& problems) {
  CaptureSettings s = base;
  for (const std::string& line : lines) {
    const std::string_view key = std::string_view(line).substr(0, line.find('='));
    const std::string value = ValueAfterEquals(line);
    if (key == kStampsKey) {
      const auto mode = ParseTimeStampMode(value);
      if (mode.ok()) s.timeStamps = mode.value; else problems.push_back(mode.error);
    } else if (key == kGapOnKey) {
      s.idleGapOn = IsTrueText(value);
    } else if (key == kLogTextKey) {
      s.logShownText = IsTrueText(value);
    } else if (key == kGapKey) {
      const auto gap = ParseIdleGap(value);
      if (gap.ok()) s.idleGap = gap.value; else problems.push_back(gap.error);
    } else if (key == kColorKey) {
      int color = 0;
      if (ParseIntegerValue(value, color)) {
        s.timeStampColor = static_cast<Color>(color);
      } else {
        problems.push_back("\"" + value + "\" is not a colour");
      }
    } else if (key == kMemoryKey) {
      int mb = 0;
      if (ParseIntegerValue(value, mb) && mb >= kMinMemoryMB) {
        s.dataWindowMemoryMB = mb;
      } else {
        problems.push_back("\"" + value + "\" is not a memory size of at least " +
                           std::to_string(kMinMemoryMB) + " MB");
      }
    }
  }
  return s;
}

}  // namespace ferrotap
