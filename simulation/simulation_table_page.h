#pragma once

#include <QWidget>

class QPushButton;
class QTableWidget;

namespace ferrotap {

// The "  Protocol Simulation  " tab: the query, answer and SYNC mark of every command code, in
// escape syntax, with the buttons that apply, load, save and clear them.
class SimulationTablePage : public QWidget {
  Q_OBJECT

 public:
  explicit SimulationTablePage(QWidget* parent = nullptr);

  // 4 columns, 257 rows; row 0 holds the headers and row r the command code r - 1.
  QTableWidget* SGPS;
  QPushButton* BBSIMAPPLY;
  QPushButton* BBPSIMLOAD;
  QPushButton* BBPSIMSAVE;
  QPushButton* BBPSIMCLEAR;
  QPushButton* BitBtn2;  // left "SYN": clears the SYNC mark of the selected row
  QPushButton* BitBtn1;  // right "SYN": sets it
};

}  // namespace ferrotap
