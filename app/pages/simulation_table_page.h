// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <cstdint>
#include <optional>

#include "simulation/simulation_table.h"

class QPushButton;
class QTableWidget;

namespace ferrotap {

// The "  Protocol Simulation  " tab: the query, answer and SYNC mark of every command code, in
// escape syntax, with the buttons that apply, load, save and clear them.
class SimulationTablePage : public QWidget {
  Q_OBJECT

 public:
  explicit SimulationTablePage(QWidget* parent = nullptr);

  // A cell is about to be edited: the grid now differs from what was applied.
  void SGPSGetEditText();
  // The selection moved to a cell of this row.
  void SGPSSelectCell(int row);

  // The command of the row last selected; before any selection, that of the grid's current row.
  std::optional<uint8_t> SelectedCommand() const;

  // The data cells of every command, Latin-1.
  SimulationRows Rows() const;
  void ShowRows(const SimulationRows& rows);
  void ClearDataColumns();
  void SetSyncCell(uint8_t command, const QString& text);

  // 4 columns, 257 rows; row 0 holds the headers and row r the command code r - 1.
  QTableWidget* SGPS;
  QPushButton* BBSIMAPPLY;
  QPushButton* BBPSIMLOAD;
  QPushButton* BBPSIMSAVE;
  QPushButton* BBPSIMCLEAR;
  QPushButton* BitBtn2;  // left "SYN": clears the SYNC mark of the selected row
  QPushButton* BitBtn1;  // right "SYN": sets it

 private:
  std::optional<int> selectedRow_;
};

}  // namespace ferrotap
