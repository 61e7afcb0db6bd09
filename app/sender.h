// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

#include "simulation/ascii_command_table.h"

namespace ferrotap {

class AsciiCommandsPage;
class Dialogs;
class Session;
class TerminalPage;

// The controls of everything the user sends by hand on port A: the typed string and its .fly
// file, whole files, and the ASCII command list with its grid, .ast file and the keys F1 to F10.
// The sending itself is the session's. Handlers keep the names of the controls they serve.
class Sender : public QObject {
  Q_OBJECT

 public:
  // exeDir is where every file dialog opens.
  Sender(TerminalPage& terminal, AsciiCommandsPage& commands, Session& session, Dialogs& dialogs,
         const QString& exeDir, QObject* parent = nullptr);

  // The typed string and its file.
  void EDFLYTXChange();
  void BBFLYTXClick();
  void Loadfromfile1Click();
  void Savetofile2Click();

  // A whole file, in chunks that wait for room in the output ring.
  void BBTXFILEClick();
  void BBTXSTOPClick();
  bool FileSending() const;

  // The command list.
  void SGACGetEditText();
  void BBACAPPLYClick();
  void BBACSAVEClick();
  void BBACLOADClick();
  void BBACCLEARClick();
  void CBUSEACClick();
  void BBACTXClick();
  // Command 1 to 30, with the line end and the echo; the keys F1 to F10 send 1 to 10.
  void SendCommand(int number);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Connect();
  AsciiCommandCells GridCells() const;
  void SetGridCells(const AsciiCommandCells& cells);
  void ApplyCommands();
  void ShowFailure(const std::exception& error);

  TerminalPage& terminal_;
  AsciiCommandsPage& commands_;
  Session& session_;
  Dialogs& dialogs_;
  const QString& exeDir_;
};

}  // namespace ferrotap
