// SPDX-License-Identifier: MIT
#include "app/simulation_table_controller.h"

#include <QFile>
#include <QPushButton>
#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/dialogs.h"
#include "app/pages/simulation_table_page.h"
#include "serial/key_value.h"
#include "simulation/pst_file.h"

namespace ferrotap {
namespace {

const QString kPstExtension = QStringLiteral(".pst");
const QString kPstFilter =
    QStringLiteral("Protocol Simulation Tables (*.pst)|*.pst|All files (*.*)|*.*");

QString Text(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Messages naming a file hold its name as UTF-8.
QString Message(const std::string& text) {
  return QString::fromStdString(text);
}

std::string FileName(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace

SimulationTableController::SimulationTableController(SimulationTablePage* page,
                                                     SimulationTable& table, Dialogs& dialogs,
                                                     QString exeDir)
    : page_(page), dialogs_(dialogs), exeDir_(std::move(exeDir)), table_(table) {
  connect(page->BBSIMAPPLY, &QPushButton::clicked, this, [this] { BBSIMAPPLYClick(); });
  connect(page->BBPSIMSAVE, &QPushButton::clicked, this, [this] { BBPSIMSAVEClick(); });
  connect(page->BBPSIMLOAD, &QPushButton::clicked, this, [this] { BBPSIMLOADClick(); });
  connect(page->BBPSIMCLEAR, &QPushButton::clicked, this, [this] { BBPSIMCLEARClick(); });
  connect(page->BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(page->BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
}

void SimulationTableController::BBSIMAPPLYClick() {
  page_->BBSIMAPPLY->setEnabled(false);
  Apply();
}

void SimulationTableController::ShowAndApply(const SimulationRows& rows) {
  page_->ShowRows(rows);
  const ApplyOutcome outcome = ApplySimulationRows(page_->Rows(), table_);
  if (!outcome.ok) dialogs_.ShowError(Text(outcome.message));
  page_->BBSIMAPPLY->setEnabled(false);
}

void SimulationTableController::Apply() {
  const ApplyOutcome outcome = ApplySimulationRows(page_->Rows(), table_);
  if (outcome.ok) {
    dialogs_.ShowInfo(Text(outcome.message));
  } else {
    dialogs_.ShowError(Text(outcome.message));
  }
}

void SimulationTableController::BBPSIMSAVEClick() {
  const std::optional<QString> path = dialogs_.SaveFileName({kPstExtension, exeDir_, kPstFilter});
  if (!path) return;
  try {
    WriteTextLines(FileName(*path), WritePstLines(page_->Rows()));
  } catch (const std::exception& error) {
    dialogs_.ShowError(QString::fromLocal8Bit(error.what()));
    return;
  }
  dialogs_.ShowInfo("Table saved.");
}

void SimulationTableController::BBPSIMLOADClick() {
  const std::optional<QString> path = dialogs_.OpenFileName({kPstExtension, exeDir_, kPstFilter});
  if (!path) return;
  PstFile file;
  try {
    file = ReadPstFile(FileName(*path));
  } catch (const std::exception& error) {
    // The grid keeps what it holds: nothing was read to replace it.
    dialogs_.ShowError(QString::fromLocal8Bit(error.what()));
    return;
  }
  // A file of another kind leaves the grid as it was: the user's unsaved edits stay.
  if (file.report.headerOk) page_->ShowRows(file.contents.rows);
  for (const std::string& error : file.report.errors) dialogs_.ShowError(Message(error));
  if (file.report.Applicable()) Apply();
}

void SimulationTableController::BBPSIMCLEARClick() {
  if (dialogs_.ConfirmYesNo("Clear Table ?")) page_->ClearDataColumns();
}

void SimulationTableController::BitBtn1Click() {
  SetSyncMark(true);
}

void SimulationTableController::BitBtn2Click() {
  SetSyncMark(false);
}

void SimulationTableController::SetSyncMark(bool marked) {
  const std::optional<uint8_t> command = page_->SelectedCommand();
  if (!command) return;
  page_->SetSyncCell(*command, marked ? "Sync" : "");
  table_.MarkSync(*command, marked);
  page_->BBSIMAPPLY->setEnabled(true);
}

}  // namespace ferrotap
