// SPDX-License-Identifier: MIT
#include "app/pages/simulation_table_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <functional>
#include <utility>

#include "app/pages/table_page_parts.h"

namespace ferrotap {
namespace {

constexpr int kCommandRows = 256;
constexpr int kQueryColumn = 1;
constexpr int kAnswerColumn = 2;
constexpr int kSyncColumn = 3;

// A grid that tells when it opens an editor on a cell, by the keyboard, the mouse or a call.
class EditWatchingGrid : public QTableWidget {
 public:
  EditWatchingGrid(QWidget* parent, std::function<void()> editorOpened)
      : QTableWidget(parent), editorOpened_(std::move(editorOpened)) {}

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
    const bool handled = QTableWidget::edit(index, trigger, event);
    if (handled && state() == EditingState) editorOpened_();
    return handled;
  }

 private:
  std::function<void()> editorOpened_;
};

std::string CellText(const QTableWidget* grid, int row, int column) {
  return grid->item(row, column)->text().toLatin1().toStdString();
}

void SetCellText(QTableWidget* grid, int row, int column, const std::string& text) {
  grid->item(row, column)
      ->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

QPushButton* MakeButton(const char* name, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

SimulationTablePage::SimulationTablePage(QWidget* parent) : QWidget(parent) {
  setWindowTitle("  Protocol Simulation  ");
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(4, 4, 4, 4);
  auto* group = new QGroupBox(" Protocol Simulation setting ", this);
  page->addWidget(group);
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(6, 4, 6, 6);
  layout->setSpacing(4);

  SGPS = new EditWatchingGrid(group, [this] { SGPSGetEditText(); });
  SGPS->setObjectName("SGPS");
  SetUpFixedCellsGrid(SGPS, kCommandRows + 1,
                      {"COMMAND", "Query Data Pack ( Data only )", "Answer Data Pack ( Data only )",
                       "SYNC (Yes/*)"});
  layout->addWidget(SGPS, 1);
  connect(SGPS, &QTableWidget::currentCellChanged, this, [this](int row) { SGPSSelectCell(row); });

  auto* legendRow = new QHBoxLayout;
  legendRow->addWidget(MakeEscapeLegendLabel(group));
  legendRow->addStretch(1);
  // Both carry "SYN"; the icons tell clearing (left) from setting (right).
  BitBtn2 = MakeButton("BitBtn2", "SYN", group);
  BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  BitBtn1 = MakeButton("BitBtn1", "SYN", group);
  BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
  legendRow->addWidget(BitBtn2);
  legendRow->addWidget(BitBtn1);
  layout->addLayout(legendRow);

  auto* buttons = new QHBoxLayout;
  BBSIMAPPLY = MakeButton("BBSIMAPPLY", "Apply", group);
  BBSIMAPPLY->setEnabled(false);
  BBPSIMLOAD = MakeButton("BBPSIMLOAD", "Load", group);
  BBPSIMSAVE = MakeButton("BBPSIMSAVE", "Save", group);
  BBPSIMCLEAR = MakeButton("BBPSIMCLEAR", "Clear", group);
  for (QPushButton* button : {BBSIMAPPLY, BBPSIMLOAD, BBPSIMSAVE, BBPSIMCLEAR}) {
    buttons->addWidget(button);
  }
  buttons->addWidget(new QLabel("Files *.pst", group));
  buttons->addStretch(1);
  layout->addLayout(buttons);
}

void SimulationTablePage::SGPSGetEditText() {
  BBSIMAPPLY->setEnabled(true);
}

void SimulationTablePage::SGPSSelectCell(int row) {
  // The view moves its current cell to nowhere while it is reset; that is no choice of the user.
  if (row >= 0) selectedRow_ = row;
}

std::optional<uint8_t> SimulationTablePage::SelectedCommand() const {
  const int row = selectedRow_.value_or(SGPS->currentRow());
  if (row < 1 || row > kCommandRows) return std::nullopt;
  return static_cast<uint8_t>(row - 1);
}

SimulationRows SimulationTablePage::Rows() const {
  SimulationRows rows;
  for (int code = 0; code < kCommandRows; ++code) {
    rows[code] = {CellText(SGPS, code + 1, kQueryColumn), CellText(SGPS, code + 1, kAnswerColumn),
                  CellText(SGPS, code + 1, kSyncColumn)};
  }
  return rows;
}

void SimulationTablePage::ShowRows(const SimulationRows& rows) {
  for (int code = 0; code < kCommandRows; ++code) {
    SetCellText(SGPS, code + 1, kQueryColumn, rows[code].query);
    SetCellText(SGPS, code + 1, kAnswerColumn, rows[code].answer);
    SetCellText(SGPS, code + 1, kSyncColumn, rows[code].sync);
  }
}

void SimulationTablePage::ClearDataColumns() {
  ShowRows(SimulationRows());
}

void SimulationTablePage::SetSyncCell(uint8_t command, const QString& text) {
  SGPS->item(command + 1, kSyncColumn)->setText(text);
}

}  // namespace ferrotap
