// SPDX-License-Identifier: MIT
#include "app/widgets/port_led.h"

#include <qdrawutil.h>
#include <QPainter>
#include <QRadialGradient>

namespace ferrotap {

PortLed::PortLed(QWidget* parent) : QWidget(parent) {
  setFixedSize(kWidth, kHeight);
}

void PortLed::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  update();
}

void PortLed::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect face = rect().adjusted(2, 2, -2, -2);
  if (active_) {
    QRadialGradient glow(face.center(), face.width() / 2.0);
    glow.setColorAt(0.0, QColor(0, 255, 0));
    glow.setColorAt(1.0, QColor(0, 128, 0));
    painter.fillRect(face, glow);
  } else {
    painter.fillRect(face, QColor(128, 0, 0));
  }
  qDrawShadePanel(&painter, rect(), palette(), false, 2);
}

}  // namespace ferrotap
