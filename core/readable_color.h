// SPDX-License-Identifier: MIT
#pragma once

#include "core/colors.h"

namespace ferrotap {

// Text reads on its background from this contrast ratio on (the usual threshold for body text).
inline constexpr double kReadableContrast = 4.5;

// Of plain colours, 0 for black to 1 for white; the ratio runs from 1 to 21.
double RelativeLuminance(Color color);
double ContrastRatio(Color a, Color b);

// The given colour when it reads on the background, else the least mix of it with white (on a
// dark background) or black (on a light one) that does. Plain colours only.
Color ReadableOn(Color given, Color background);

// The default colour set for a data window of this background on a dark palette: each given
// default lifted until it reads there. On a light palette the given defaults stand as they are.
ColorSet DarkPaletteDefaults(Color background);

// A settings file holds the given defaults whatever the palette, so that it means the same on
// every desktop: read, a given default becomes this palette's default; written, the reverse.
ColorSet ColorsForPalette(const ColorSet& stored, const ColorSet& paletteDefaults);
ColorSet ColorsForFile(const ColorSet& shown, const ColorSet& paletteDefaults);

}  // namespace ferrotap
