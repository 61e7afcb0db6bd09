// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QWidget>

namespace ferrotap {

// A 13 x 13 lamp: a filled square with a light edge top and left and a dark edge right and bottom.
class StatusLight : public QWidget {
  Q_OBJECT

 public:
  explicit StatusLight(QWidget* parent = nullptr);

  bool Lit() const { return lit_; }
  // Repaints only when the state changes: the lamp controller sets lamps on every pass.
  void SetLit(bool lit);
  QColor LitColor() const { return litColor_; }
  void SetLitColor(const QColor& color);
  QColor NotLitColor() const { return notLitColor_; }
  void SetNotLitColor(const QColor& color);

  QSize sizeHint() const override { return {kSide, kSide}; }

  static constexpr int kSide = 13;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool lit_ = false;
  QColor litColor_ = Qt::red;
  QColor notLitColor_ = Qt::green;
};

}  // namespace ferrotap
