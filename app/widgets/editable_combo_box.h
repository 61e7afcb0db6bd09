// SPDX-License-Identifier: MIT
#pragma once

#include <QComboBox>

namespace ferrotap {

// A drop-down list whose text can also be typed. Typed text selects the item it equals; any other
// text leaves no item selected (currentIndex() == -1) while the box keeps showing the text, so that
// handlers reading the selected item see "nothing chosen".
class EditableComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit EditableComboBox(QWidget* parent = nullptr);

  // Shows the text and selects the item of that text, or none when no item matches.
  void SetText(const QString& text);

 private:
  void FollowTypedText(const QString& text);
};

}  // namespace ferrotap
