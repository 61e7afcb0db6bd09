// SPDX-License-Identifier: MIT
#include "app/widgets/editable_combo_box.h"

#include <QLineEdit>

namespace ferrotap {

EditableComboBox::EditableComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  connect(lineEdit(), &QLineEdit::textEdited, this, &EditableComboBox::FollowTypedText);
}

void EditableComboBox::SetText(const QString& text) {
  setCurrentIndex(findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
  if (currentText() != text) setEditText(text);
}

void EditableComboBox::FollowTypedText(const QString& text) {
  const int index = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index == currentIndex()) return;
  const int cursor = lineEdit()->cursorPosition();
  setCurrentIndex(index);
  if (lineEdit()->text() != text) {
    lineEdit()->setText(text);
    lineEdit()->setCursorPosition(cursor);
  }
}

}  // namespace ferrotap
