// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QPushButton;
class QTableWidget;

namespace ferrotap {

// The "  ASCII Commands  " tab: thirty prepared byte strings in escape syntax, with the buttons
// that apply, load, save and clear them.
class AsciiCommandsPage : public QWidget {
  Q_OBJECT

 public:
  explicit AsciiCommandsPage(QWidget* parent = nullptr);

  // 2 columns, 31 rows; row 0 holds the headers and row n command n.
  QTableWidget* SGAC;
  QPushButton* BBACAPPLY;
  QPushButton* BBACLOAD;
  QPushButton* BBACSAVE;
  QPushButton* BBACCLEAR;
};

}  // namespace ferrotap
