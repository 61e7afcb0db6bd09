// SPDX-License-Identifier: MIT
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "app/dialogs.h"
#include "app/pages/ascii_commands_page.h"
#include "app/pages/terminal_page.h"
#include "app/sender.h"
#include "serial/key_value.h"
#include "session/session.h"
#include "simulation/ast_file.h"

namespace ferrotap {
namespace {

const QString kAstExtension = QStringLiteral(".ast");

QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

AsciiCommandCells Sender::GridCells() const {
  AsciiCommandCells cells;
  for (int n = 1; n <= kAsciiCommandCount; ++n) {
    const QTableWidgetItem* item = commands_.SGAC->item(n, 1);
    if (item != nullptr)
      cells[static_cast<std::size_t>(n - 1)] = item->text().toLatin1().toStdString();
  }
  return cells;
}

void Sender::SetGridCells(const AsciiCommandCells& cells) {
  for (int n = 1; n <= kAsciiCommandCount; ++n) {
    const QString text = Latin1(cells[static_cast<std::size_t>(n - 1)]);
    if (QTableWidgetItem* item = commands_.SGAC->item(n, 1)) {
      item->setText(text);
    } else {
      commands_.SGAC->setItem(n, 1, new QTableWidgetItem(text));
    }
  }
}

void Sender::SGACGetEditText() {
  commands_.BBACAPPLY->setEnabled(true);
}

void Sender::BBACAPPLYClick() {
  commands_.BBACAPPLY->setEnabled(false);
  ApplyCommands();
}

void Sender::ApplyCommands() {
  const AsciiCommandCells cells = GridCells();
  if (const auto failure = ApplyAsciiCommands(cells, session_.Commands())) {
    dialogs_.ShowError(Latin1(ApplyFailureText(*failure)));
    return;
  }
  dialogs_.ShowInfo("Table validated and applied");
  QComboBox* list = terminal_.CBOXAC;
  list->clear();
  for (const CommandListItem& item : CommandListItems(cells)) {
    list->addItem(Latin1(item.text), item.number);
  }
  list->setCurrentIndex(list->count() > 0 ? 0 : -1);
}

void Sender::BBACSAVEClick() {
  const std::optional<QString> path = dialogs_.SaveFileName(
      {kAstExtension, exeDir_, "ASCII COMMAND Tables (*.ast)|*.ast|All files (*.*)|*.*"});
  if (!path) return;
  try {
    WriteTextLines(QFile::encodeName(*path).toStdString(), WriteAstLines(GridCells()));
  } catch (const std::exception& error) {
    ShowFailure(error);
    return;
  }
  dialogs_.ShowInfo("Table saved.");
}

void Sender::BBACLOADClick() {
  const std::optional<QString> path = dialogs_.OpenFileName(
      {kAstExtension, exeDir_, "ASCII command Tables (*.ast)|*.ast|All files (*.*)|*.*"});
  if (!path) return;
  const std::string file = QFile::encodeName(*path).toStdString();
  AstFile loaded;
  try {
    loaded = ReadAstFile(file);
  } catch (const std::exception& error) {
    ShowFailure(error);
    return;
  }
  // A file of another kind leaves the grid as it was: the user's unsaved edits stay.
  if (loaded.report.headerOk) SetGridCells(loaded.content.cells);
  for (const std::string& error : loaded.report.errors) {
    dialogs_.ShowError(QString::fromStdString(error));
  }
  if (loaded.report.Applicable()) ApplyCommands();
}

void Sender::BBACCLEARClick() {
  if (dialogs_.ConfirmYesNo("Clear Table ?")) SetGridCells({});
}

void Sender::CBUSEACClick() {
  const bool on = terminal_.CBUSEAC->isChecked();
  terminal_.Label52->setEnabled(on);
  terminal_.CBOXAC->setEnabled(on);
  terminal_.BBACTX->setEnabled(on);
}

void Sender::BBACTXClick() {
  // Nothing applied yet: there is no command to send.
  if (terminal_.CBOXAC->currentIndex() < 0) {
    dialogs_.Beep();
    return;
  }
  SendCommand(terminal_.CBOXAC->currentData().toInt());
}

void Sender::SendCommand(int number) {
  session_.SendCommand(number);
}

}  // namespace ferrotap
