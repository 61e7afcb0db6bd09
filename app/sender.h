#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/bytes.h"
#include "simulation/ascii_command_table.h"

class QRadioButton;
class QTimer;

namespace ferrotap {

class AsciiCommandsPage;
class Dialogs;
class FileChunks;
class TerminalPage;

// What the sender uses of the window: the one transmit routine, the echo, and the output ring
// of port A.
struct SenderLinks {
  // Throws on a closed or failing port.
  std::function<void(const Bytes&)> sendOnPortA;
  std::function<void(const Bytes&)> showEcho;
  // Inserts the data window's line break at its caret.
  std::function<void()> echoLineBreak;
  // Asks for one call of wake, from any thread, once `bytes` fit in port A's output ring; false
  // when they fit already or the port is not open.
  std::function<bool(std::size_t bytes, std::function<void()> wake)> whenOutputFree;
  // Free bytes of port A's output ring, 0 when it is not open.
  std::function<std::size_t()> outputFree;
};

// Everything the user sends by hand on port A: the typed string and its .fly file, whole files,
// and the ASCII command list with its grid, .ast file and the keys F1 to F10. Handlers keep the
// names of the controls they serve.
class Sender : public QObject {
  Q_OBJECT

 public:
  // lineEndCr is the "CR" choice of the line end; exeDir is where every file dialog opens.
  Sender(TerminalPage& terminal, AsciiCommandsPage& commands, const QRadioButton& lineEndCr,
         AsciiCommandTable& table, Dialogs& dialogs, const QString& exeDir, SenderLinks links,
         QObject* parent = nullptr);
  ~Sender() override;

  // The typed string and its file.
  void EDFLYTXChange();
  void BBFLYTXClick();
  void Loadfromfile1Click();
  void Savetofile2Click();

  // A whole file, in 1024-byte chunks that wait for room in the output ring.
  void BBTXFILEClick();
  void BBTXSTOPClick();
  bool FileSending() const { return file_ != nullptr; }
  // The device went away: the loss is reported already, the file send just ends.
  void PortLost();
  // The ports are about to close: a file send ends with a message.
  void PortsClosing();

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
  // Sends and echoes after a line break; false (with a message) when refused or failed.
  bool SendTyped(const Bytes& bytes);
  bool RefuseWhileFileSends();
  Bytes AddLineEnd(Bytes bytes) const;
  AsciiCommandCells GridCells() const;
  void SetGridCells(const AsciiCommandCells& cells);
  void ApplyCommands();
  void ShowFailure(const std::exception& error);

  void PumpFile();
  std::function<void()> RoomWake();
  void ShowProgress();
  void EndFileSend();

  TerminalPage& terminal_;
  AsciiCommandsPage& commands_;
  const QRadioButton& lineEndCr_;
  AsciiCommandTable& table_;
  Dialogs& dialogs_;
  const QString& exeDir_;
  SenderLinks links_;

  std::unique_ptr<FileChunks> file_;
  Bytes pending_;
  uint64_t sent_ = 0;
  QElapsedTimer progressClock_;
  // Tells wakes of an earlier send from those of the present one.
  uint64_t sendNumber_ = 0;
  // Looks again now and then, should a wake never come (port closed and reopened meanwhile).
  QTimer* retry_;
};

}  // namespace ferrotap
