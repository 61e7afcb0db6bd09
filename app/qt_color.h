#pragma once

#include <QColor>
#include <QPalette>

#include "core/colors.h"

namespace ferrotap {

// Plain colours map directly; the system colours take the platform palette's entry.
QColor ToQColor(Color color, const QPalette& palette);
Color FromQColor(const QColor& color);

}  // namespace ferrotap
