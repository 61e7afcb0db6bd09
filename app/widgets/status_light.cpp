// SPDX-License-Identifier: MIT
#include "app/widgets/status_light.h"

#include <QPainter>

namespace ferrotap {

StatusLight::StatusLight(QWidget* parent) : QWidget(parent) {
  setFixedSize(kSide, kSide);
}

void StatusLight::SetLit(bool lit) {
  if (lit == lit_) return;
  lit_ = lit;
  update();
}

void StatusLight::SetLitColor(const QColor& color) {
  if (color == litColor_) return;
  litColor_ = color;
  if (lit_) update();
}

void StatusLight::SetNotLitColor(const QColor& color) {
  if (color == notLitColor_) return;
  notLitColor_ = color;
  if (!lit_) update();
}

void StatusLight::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int last = kSide - 1;
  painter.fillRect(0, 0, kSide, kSide, lit_ ? litColor_ : notLitColor_);
  painter.setPen(Qt::white);
  painter.drawLine(0, 0, last, 0);
  painter.drawLine(0, 0, 0, last);
  painter.setPen(QColor(128, 128, 128));
  painter.drawLine(last, 0, last, last);
  painter.drawLine(0, last, last, last);
}

}  // namespace ferrotap
