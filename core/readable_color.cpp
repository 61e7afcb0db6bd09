// SPDX-License-Identifier: MIT
#include "core/readable_color.h"

#include <algorithm>
#include <cmath>

namespace ferrotap {
namespace {

constexpr int kMixSteps = 20;

double Linear(int channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

int Mix(int from, int to, int step) {
  return from + (to - from) * step / kMixSteps;
}

}  // namespace

double RelativeLuminance(Color color) {
  return 0.2126 * Linear(RedOf(color)) + 0.7152 * Linear(GreenOf(color)) +
         0.0722 * Linear(BlueOf(color));
}

double ContrastRatio(Color a, Color b) {
  const double la = RelativeLuminance(a);
  const double lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Color ReadableOn(Color given, Color background) {
  const int target = RelativeLuminance(background) < 0.18 ? 255 : 0;
  Color mixed = given;
  for (int step = 1; step <= kMixSteps && ContrastRatio(mixed, background) < kReadableContrast;
       ++step) {
    mixed = RgbColor(Mix(RedOf(given), target, step), Mix(GreenOf(given), target, step),
                     Mix(BlueOf(given), target, step));
  }
  return mixed;
}

ColorSet DarkPaletteDefaults(Color background) {
  ColorSet defaults;
  for (Color& color : defaults.values) {
    if (!IsSystemColor(color)) color = ReadableOn(color, background);
  }
  return defaults;
}

ColorSet ColorsForPalette(const ColorSet& stored, const ColorSet& paletteDefaults) {
  ColorSet shown = stored;
  for (int i = 0; i < kColorRoleCount; ++i) {
    if (stored.values[i] == kDefaultColors[i]) shown.values[i] = paletteDefaults.values[i];
  }
  return shown;
}

ColorSet ColorsForFile(const ColorSet& shown, const ColorSet& paletteDefaults) {
  ColorSet stored = shown;
  for (int i = 0; i < kColorRoleCount; ++i) {
    if (shown.values[i] == paletteDefaults.values[i]) stored.values[i] = kDefaultColors[i];
  }
  return stored;
}

}  // namespace ferrotap
