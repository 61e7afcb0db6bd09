// SPDX-License-Identifier: MIT
#include "app/widgets/color_swatch.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/qt_color.h"

namespace ferrotap {

ColorSwatch::ColorSwatch(QWidget* parent) : QWidget(parent) {
  setFixedSize(kWidth, kHeight);
  setCursor(Qt::PointingHandCursor);
}

void ColorSwatch::SetCurrentColor(Color color) {
  if (color == color_) return;
  color_ = color;
  update();
}

void ColorSwatch::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), ToQColor(color_, palette()));
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit Clicked();
  }
}

}  // namespace ferrotap
