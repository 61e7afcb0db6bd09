// SPDX-License-Identifier: MIT
#include "app/qt_color.h"

#include "core/readable_color.h"

namespace ferrotap {

QColor ToQColor(Color color, const QPalette& palette) {
  if (IsSystemColor(color)) {
    switch (color & 0xFF) {
      case 5:
        return palette.color(QPalette::Base);
      case 8:
        return palette.color(QPalette::Text);
      case 15:
        return palette.color(QPalette::Button);
      case 18:
        return palette.color(QPalette::ButtonText);
      case 13:
        return palette.color(QPalette::Highlight);
      case 14:
        return palette.color(QPalette::HighlightedText);
      default:
        return palette.color(QPalette::WindowText);
    }
  }
  return QColor(RedOf(color), GreenOf(color), BlueOf(color));
}

Color FromQColor(const QColor& color) {
  return RgbColor(color.red(), color.green(), color.blue());
}

bool IsDarkPalette(const QPalette& palette) {
  return palette.color(QPalette::Window).lightness() < 128;
}

QColor CaptionColor(const QColor& given, const QPalette& palette) {
  if (!IsDarkPalette(palette)) return given;
  return ToQColor(ReadableOn(FromQColor(given), FromQColor(palette.color(QPalette::Window))),
                  palette);
}

}  // namespace ferrotap
