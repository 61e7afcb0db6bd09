// SPDX-License-Identifier: MIT
#include "app/sender.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "app/dialogs.h"
#include "app/pages/ascii_commands_page.h"
#include "app/pages/terminal_page.h"
#include "serial/key_value.h"
#include "session/session.h"
#include "simulation/fly_file.h"

namespace ferrotap {
namespace {

const QString kFlyExtension = QStringLiteral(".FLY");
const QString kFlyFilter = QStringLiteral("Tx on fly files (*.fly)|*.fly|All files (*.*)|*.*");

}  // namespace

Sender::Sender(TerminalPage& terminal, AsciiCommandsPage& commands, Session& session,
               Dialogs& dialogs, const QString& exeDir, QObject* parent)
    : QObject(parent),
      terminal_(terminal),
      commands_(commands),
      session_(session),
      dialogs_(dialogs),
      exeDir_(exeDir) {
  Connect();
}

void Sender::Connect() {
  TerminalPage& t = terminal_;
  connect(t.EDFLYTX, &QLineEdit::textChanged, this, &Sender::EDFLYTXChange);
  connect(t.BBFLYTX, &QPushButton::clicked, this, &Sender::BBFLYTXClick);
  connect(t.Loadfromfile1, &QAction::triggered, this, &Sender::Loadfromfile1Click);
  connect(t.Savetofile2, &QAction::triggered, this, &Sender::Savetofile2Click);
  connect(t.BBTXFILE, &QPushButton::clicked, this, &Sender::BBTXFILEClick);
  connect(t.BBTXSTOP, &QPushButton::clicked, this, &Sender::BBTXSTOPClick);
  connect(t.CBUSEAC, &QCheckBox::toggled, this, &Sender::CBUSEACClick);
  connect(t.BBACTX, &QPushButton::clicked, this, &Sender::BBACTXClick);

  AsciiCommandsPage& c = commands_;
  connect(c.BBACAPPLY, &QPushButton::clicked, this, &Sender::BBACAPPLYClick);
  connect(c.BBACSAVE, &QPushButton::clicked, this, &Sender::BBACSAVEClick);
  connect(c.BBACLOAD, &QPushButton::clicked, this, &Sender::BBACLOADClick);
  connect(c.BBACCLEAR, &QPushButton::clicked, this, &Sender::BBACCLEARClick);
  // An editor the grid opens for a cell becomes a child of its viewport.
  c.SGAC->viewport()->installEventFilter(this);
}

bool Sender::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ChildAdded && watched == commands_.SGAC->viewport() &&
      static_cast<QChildEvent*>(event)->child()->isWidgetType()) {
    SGACGetEditText();
  }
  return false;
}

void Sender::ShowFailure(const std::exception& error) {
  dialogs_.ShowError(QString::fromLocal8Bit(error.what()));
}

void Sender::EDFLYTXChange() {
  const bool any = !terminal_.EDFLYTX->text().isEmpty();
  terminal_.BBFLYTX->setEnabled(any);
  terminal_.Savetofile2->setEnabled(any);
}

void Sender::BBFLYTXClick() {
  session_.SendEscaped(terminal_.EDFLYTX->text().toLatin1().toStdString());
}

void Sender::Loadfromfile1Click() {
  const std::optional<QString> path = dialogs_.OpenFileName({kFlyExtension, exeDir_, kFlyFilter});
  if (!path) return;
  try {
    const std::string text = ReadFlyLines(ReadTextLines(QFile::encodeName(*path).toStdString()));
    // The field would cut a longer line without a word, and TX would send less than the file.
    const int room = terminal_.EDFLYTX->maxLength();
    if (text.size() > static_cast<std::size_t>(room)) {
      dialogs_.ShowError(QString("%1: the line has %2 characters; the TX field holds at most %3.")
                             .arg(*path)
                             .arg(text.size())
                             .arg(room));
      return;
    }
    terminal_.EDFLYTX->setText(
        QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
  } catch (const std::exception& error) {
    ShowFailure(error);
  }
}

void Sender::Savetofile2Click() {
  const std::optional<QString> path = dialogs_.SaveFileName({kFlyExtension, exeDir_, kFlyFilter});
  if (!path) return;
  try {
    WriteTextLines(QFile::encodeName(*path).toStdString(),
                   WriteFlyLines(terminal_.EDFLYTX->text().toLatin1().toStdString()));
  } catch (const std::exception& error) {
    ShowFailure(error);
  }
}

void Sender::BBTXFILEClick() {
  if (session_.RefuseWhileFileSends()) return;
  const std::optional<QString> path = dialogs_.OpenFileName(
      {".*", exeDir_, "All files (*.*)|*.*|Tx on fly files (*.fly)|*.fly|Txt files (*.txt)|*.txt"});
  if (!path) return;
  session_.StartFileSend(QFile::encodeName(*path).toStdString());
}

void Sender::BBTXSTOPClick() {
  session_.StopFileSend();
}

bool Sender::FileSending() const {
  return session_.FileSending();
}

}  // namespace ferrotap
