// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPalette>

#include "core/colors.h"

namespace ferrotap {

// Plain colours map directly; the system colours take the platform palette's entry.
QColor ToQColor(Color color, const QPalette& palette);
Color FromQColor(const QColor& color);

// The desktop's palette is dark: its window colour is darker than mid-grey.
bool IsDarkPalette(const QPalette& palette);
// A caption's given colour on a light palette; on a dark one, lifted until it reads on the window.
QColor CaptionColor(const QColor& given, const QPalette& palette);

}  // namespace ferrotap
