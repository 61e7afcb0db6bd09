// SPDX-License-Identifier: MIT
#pragma once

#include <QFrame>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ferrotap {

class DataWindow;

// The data window's search row, shown by Ctrl+F: the text, case, forwards and backwards, and the
// count of matches. `hexShown` says whether the window shows received bytes in HEX.
class FindBar : public QFrame {
  Q_OBJECT

 public:
  FindBar(DataWindow* window, std::function<bool()> hexShown, QWidget* parent = nullptr);

  // Shows the row with the text selected, ready for typing.
  void Open();
  // Looks for the next (or previous) match and says how many there are.
  void Find(bool backward);

  QLineEdit* EDFIND;
  QCheckBox* CBFINDCASE;
  QPushButton* BBFINDPREV;
  QPushButton* BBFINDNEXT;
  QLabel* STFINDCOUNT;
  QPushButton* BBFINDCLOSE;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void QueryChanged();

  DataWindow* window_;
  std::function<bool()> hexShown_;
};

}  // namespace ferrotap
