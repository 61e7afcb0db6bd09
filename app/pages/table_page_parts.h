// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

class QLabel;
class QTableWidget;
class QWidget;

namespace ferrotap {

// Width of a column that nothing widens: the fixed column and the SYNC column.
inline constexpr int kGridDefaultColumnWidth = 70;

// Shapes a table as a grid whose row 0 and column 0 are fixed: they hold the headers, are never
// edited and look like headers. Row 0 itself stays out of view; its texts are mirrored into the
// table's header, which stays in view while scrolling and lets the user resize the columns.
// Every cell gets an item, so readers never meet an empty slot.
void SetUpFixedCellsGrid(QTableWidget* grid, int rowCount, const QStringList& headers);

// The escape-syntax legend shown under both tables, bold blue.
QLabel* MakeEscapeLegendLabel(QWidget* parent);

}  // namespace ferrotap
