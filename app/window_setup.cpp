// SPDX-License-Identifier: MIT
#include "app/window_setup.h"

#include <QTableWidget>
#include <algorithm>

namespace ferrotap {
namespace {

constexpr int kSyncColumnWidth = 70;

void SetFixedCell(QTableWidget* grid, int row, int column, const QString& text) {
  if (row >= grid->rowCount() || column >= grid->columnCount()) return;
  QTableWidgetItem* item = grid->item(row, column);
  if (item == nullptr) {
    item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled);
    grid->setItem(row, column, item);
  }
  item->setText(text);
}

}  // namespace

QString VersionText(int major, int minor, int patch) {
  return QString::asprintf("%2.1d.%2.1d.%2.1d", major, minor, patch);
}

void SetSimulationGridHeader(QTableWidget* grid) {
  if (grid == nullptr) return;
  const QStringList headers = {"COMMAND", "Query Data Pack ( Data only )",
                               "Answer Data Pack ( Data only )", "SYNC (Yes/*)"};
  for (int column = 0; column < headers.size(); ++column) {
    SetFixedCell(grid, 0, column, headers[column]);
  }
  for (int row = 1; row < grid->rowCount(); ++row) {
    SetFixedCell(grid, row, 0, QString::asprintf(" #%3.3d - $%2.2X", row - 1, row - 1));
  }
}

void SetCommandGridHeader(QTableWidget* grid) {
  if (grid == nullptr) return;
  SetFixedCell(grid, 0, 0, "COMMAND #");
  SetFixedCell(grid, 0, 1, "ASCII Command");
  for (int row = 1; row < grid->rowCount(); ++row) {
    const QString text = row <= 10 ? QString::asprintf(" %2.2d - F%1.1d", row, row)
                                   : QString::asprintf(" %2.2d", row);
    SetFixedCell(grid, row, 0, text);
  }
}

void ResizeGridColumns(QTableWidget* simulationGrid, QTableWidget* commandGrid) {
  if (simulationGrid != nullptr && simulationGrid->columnCount() >= 4) {
    const int dataWidth = std::max(0, (simulationGrid->width() - 170) / 2);
    simulationGrid->setColumnWidth(1, dataWidth);
    simulationGrid->setColumnWidth(2, dataWidth);
    simulationGrid->setColumnWidth(3, kSyncColumnWidth);
  }
  if (commandGrid != nullptr && commandGrid->columnCount() >= 2) {
    commandGrid->setColumnWidth(1, std::max(0, commandGrid->width() - 100));
  }
}

}  // namespace ferrotap
