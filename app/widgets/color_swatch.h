// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include "core/colors.h"

namespace ferrotap {

// A 46 x 21 box showing one colour of the display colour set; a click asks for another colour.
class ColorSwatch : public QWidget {
  Q_OBJECT

 public:
  explicit ColorSwatch(QWidget* parent = nullptr);

  Color CurrentColor() const { return color_; }
  void SetCurrentColor(Color color);

  QSize sizeHint() const override { return {kWidth, kHeight}; }

  static constexpr int kWidth = 46;
  static constexpr int kHeight = 21;

 signals:
  void Clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Color color_ = kSysWindowColor;
};

}  // namespace ferrotap
