// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace ferrotap {

// A colour as stored in settings files: 0x00BBGGRR for a plain colour, or 0xFF00000n for the
// platform's system colour n (resolved against the palette when drawn).
using Color = std::uint32_t;

inline constexpr Color kSysWindowColor = 0xFF000005;
inline constexpr Color kSysWindowTextColor = 0xFF000008;

constexpr bool IsSystemColor(Color c) {
  return (c >> 24) == 0xFF;
}
constexpr int RedOf(Color c) {
  return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(Color c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(Color c) {
  return static_cast<int>((c >> 16) & 0xFF);
}
constexpr Color RgbColor(int r, int g, int b) {
  return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// The display colours, in the order of the colour selector's items. The first eight are the .cps
// file's lines; the time stamps' colour is kept with the capture settings.
enum class ColorRole : int {
  Background = 0,
  PortAData,
  PortAHandShake,
  PortBData,
  PortBHandShake,
  ProtFatalError,
  ProtOutOfRange,
  ProtSimulated,
  TimeStamp,
};
inline constexpr int kColorRoleCount = 9;
inline constexpr int kCpsColorCount = 8;

inline constexpr std::array<std::string_view, kColorRoleCount> kColorItemNames = {
    "Backgroung",
    "Port A Data",
    "Port A Hand-Shake Characters",
    "Port B Data or Echo",
    "Port B Hand-Shake Characters",
    "Protocol Fatal Errors",
    "Protocol OutOfRange Errors",
    "Protocol Simulated Packs and HS",
    "Timestamps",
};

inline constexpr std::array<std::string_view, kColorRoleCount> kColorFileKeys = {
    "BackGround_color",
    "PortA_Data_color",
    "PortA_Hand-Shake_Char_color",
    "PortB_Data/Echo_color",
    "PortB_Hand-Shake_Char_color",
    "Prot_Fatal_Error_color",
    "Prot_OutOfRange_Error_color",
    "Prot_Simulated_OutPut_color",
    "TimeStamp_color",
};

inline constexpr std::array<Color, kColorRoleCount> kDefaultColors = {
    kSysWindowColor,      // background
    kSysWindowTextColor,  // port A data
    0x008000,             // port A hand-shake: green
    0xFF0000,             // port B data / echo: blue
    0xF0CAA6,             // port B hand-shake: sky blue
    0x0000FF,             // fatal errors: red
    0x0080FF,             // out-of-range: orange
    0x800080,             // simulated: purple
    0x808080,             // time stamps: grey
};

// The lines the window writes when a port's device is lost or comes back: teal, not one of the
// set and not stored.
inline constexpr Color kPortNoticeColor = 0x808000;

struct ColorSet {
  std::array<Color, kColorRoleCount> values = kDefaultColors;

  Color& operator[](ColorRole role) { return values[static_cast<int>(role)]; }
  Color operator[](ColorRole role) const { return values[static_cast<int>(role)]; }
};

}  // namespace ferrotap
