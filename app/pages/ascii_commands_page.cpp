// SPDX-License-Identifier: MIT
#include "app/pages/ascii_commands_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/pages/table_page_parts.h"

namespace ferrotap {
namespace {

constexpr int kCommandCount = 30;

QPushButton* MakeButton(const char* name, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

AsciiCommandsPage::AsciiCommandsPage(QWidget* parent) : QWidget(parent) {
  setWindowTitle("  ASCII Commands  ");
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(4, 4, 4, 4);
  auto* group = new QGroupBox("  ASCII Commands List  ", this);
  page->addWidget(group);
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(6, 4, 6, 6);
  layout->setSpacing(4);

  SGAC = new QTableWidget(group);
  SGAC->setObjectName("SGAC");
  SetUpFixedCellsGrid(SGAC, kCommandCount + 1, {"COMMAND #", "ASCII Command"});
  layout->addWidget(SGAC, 1);
  layout->addWidget(MakeEscapeLegendLabel(group));

  auto* buttons = new QHBoxLayout;
  BBACAPPLY = MakeButton("BBACAPPLY", "Apply", group);
  BBACAPPLY->setEnabled(false);
  BBACLOAD = MakeButton("BBACLOAD", "Load", group);
  BBACSAVE = MakeButton("BBACSAVE", "Save", group);
  BBACCLEAR = MakeButton("BBACCLEAR", "Clear", group);
  for (QPushButton* button : {BBACAPPLY, BBACLOAD, BBACSAVE, BBACCLEAR}) {
    buttons->addWidget(button);
  }
  buttons->addWidget(new QLabel("Files *.ast", group));
  buttons->addStretch(1);
  layout->addLayout(buttons);
}

}  // namespace ferrotap
