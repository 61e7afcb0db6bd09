#include "simulation/simulation_table_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include "simulation/table_page_parts.h"

namespace ferrotap {
namespace {

constexpr int kCommandRows = 256;

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

  SGPS = new QTableWidget(group);
  SGPS->setObjectName("SGPS");
  SetUpFixedCellsGrid(SGPS, kCommandRows + 1,
                      {"COMMAND", "Query Data Pack ( Data only )", "Answer Data Pack ( Data only )",
                       "SYNC (Yes/*)"});
  layout->addWidget(SGPS, 1);

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

}  // namespace ferrotap
