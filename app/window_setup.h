// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QTableWidget;

namespace ferrotap {

// " 3. 2. 0" for 3.2.0: each number right-aligned in two places, joined by points.
QString VersionText(int major, int minor, int patch);

// Fixed texts of the simulation grid: the column headers in row 0 and " #ddd - $XX" for the
// command value of every further row.
void SetSimulationGridHeader(QTableWidget* grid);
// Fixed texts of the command grid: the headers in row 0, " nn - Fn" for rows 1 to 10 and " nn"
// for the rows after.
void SetCommandGridHeader(QTableWidget* grid);

// The text columns share what the window's width leaves them; either grid may be absent.
void ResizeGridColumns(QTableWidget* simulationGrid, QTableWidget* commandGrid);

}  // namespace ferrotap
