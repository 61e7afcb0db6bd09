// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

namespace ferrotap {

// The port-open lamp: a raised 20 x 16 button face, lime and green while active, maroon while not.
class PortLed : public QWidget {
  Q_OBJECT

 public:
  explicit PortLed(QWidget* parent = nullptr);

  bool Active() const { return active_; }
  void SetActive(bool active);

  QSize sizeHint() const override { return {kWidth, kHeight}; }

  static constexpr int kWidth = 20;
  static constexpr int kHeight = 16;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool active_ = false;
};

}  // namespace ferrotap
