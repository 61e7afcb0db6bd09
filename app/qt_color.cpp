#include "app/qt_color.h"

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

}  // namespace ferrotap
