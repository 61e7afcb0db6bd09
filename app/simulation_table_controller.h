// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

#include "simulation/simulation_table.h"

namespace ferrotap {

class Dialogs;
class SimulationTablePage;

// Fills the simulation's command table and runs the buttons of the "  Protocol Simulation  "
// page: Apply, the .pst file, Clear and the SYNC marks.
class SimulationTableController : public QObject {
 public:
  // table is the session's; exeDir is where the file dialogs open.
  SimulationTableController(SimulationTablePage* page, SimulationTable& table, Dialogs& dialogs,
                            QString exeDir);

  const SimulationTable& Table() const { return table_; }

  // Shows rows in the grid and applies them without a word, as a start-up table.
  void ShowAndApply(const SimulationRows& rows);

  void BBSIMAPPLYClick();
  void BBPSIMSAVEClick();
  void BBPSIMLOADClick();
  void BBPSIMCLEARClick();
  void BitBtn1Click();
  void BitBtn2Click();

 private:
  void Apply();
  void SetSyncMark(bool marked);

  SimulationTablePage* page_;
  Dialogs& dialogs_;
  QString exeDir_;
  SimulationTable& table_;
};

}  // namespace ferrotap
