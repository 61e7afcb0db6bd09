// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "core/colors.h"
#include "core/idle_gap.h"
#include "core/time_stamp.h"

namespace ferrotap {

// The capture display's settings, kept in a file of their own beside a .cps file so that .cps
// files stay as they are: time stamps, the idle gap that starts a line, the stamps' colour, what
// a capture log holds.
struct CaptureSettings {
  TimeStampMode timeStamps = TimeStampMode::None;
  bool idleGapOn = false;
  IdleGap idleGap{IdleGap::Unit::Characters, 3500};
  Color timeStampColor = kDefaultColors[static_cast<int>(ColorRole::TimeStamp)];
  // A capture log holds the shown text besides the bytes.
  bool logShownText = false;
  // Text the data window keeps in memory before older text goes to disk.
  int dataWindowMemoryMB = 256;
  bool operator==(const CaptureSettings&) const = default;
};

// "Port_CFG.cps" keeps its capture settings in "Port_CFG.capture".
std::string CaptureSettingsPath(const std::string& cpsPath);

std::vector<std::string> WriteCaptureSettingsLines(const CaptureSettings& settings);
// Read by key; a missing line or a value that does not read keeps the base's setting, and each
// bad value is named in `problems`.
CaptureSettings ReadCaptureSettingsLines(const std::vector<std::string>& lines,
                                         const CaptureSettings& base,
                                         std::vector<std::string>& problems);

}  // namespace ferrotap
