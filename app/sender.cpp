#include "app/sender.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>

#include "app/dialogs.h"
#include "app/pages/terminal_page.h"
#include "serial/key_value.h"
#include "app/pages/ascii_commands_page.h"
#include "simulation/escape.h"
#include "simulation/file_chunks.h"
#include "simulation/fly_file.h"
#include "simulation/line_end.h"

namespace ferrotap {
namespace {

const QString kFlyExtension = QStringLiteral(".FLY");
const QString kFlyFilter = QStringLiteral("Tx on fly files (*.fly)|*.fly|All files (*.*)|*.*");
const QString kBusyText =
    QStringLiteral("A file is being sent. Wait until it has gone out or press \"Cancel\".");

}  // namespace

Sender::Sender(TerminalPage& terminal, AsciiCommandsPage& commands, const QRadioButton& lineEndCr,
               AsciiCommandTable& table, Dialogs& dialogs, const QString& exeDir, SenderLinks links,
               QObject* parent)
    : QObject(parent),
      terminal_(terminal),
      commands_(commands),
      lineEndCr_(lineEndCr),
      table_(table),
      dialogs_(dialogs),
      exeDir_(exeDir),
      links_(std::move(links)),
      retry_(new QTimer(this)) {
  retry_->setSingleShot(true);
  retry_->setInterval(50);
  connect(retry_, &QTimer::timeout, this, &Sender::PumpFile);
  Connect();
}

Sender::~Sender() = default;

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

bool Sender::RefuseWhileFileSends() {
  if (!FileSending()) return false;
  dialogs_.ShowError(kBusyText);
  return true;
}

Bytes Sender::AddLineEnd(Bytes bytes) const {
  if (!terminal_.CBADDCRLF->isChecked()) return bytes;
  return WithLineEnd(std::move(bytes), lineEndCr_.isChecked() ? LineEnd::Cr : LineEnd::CrLf);
}

bool Sender::SendTyped(const Bytes& bytes) {
  if (RefuseWhileFileSends()) return false;
  try {
    links_.sendOnPortA(bytes);
  } catch (const std::exception& error) {
    ShowFailure(error);
    return false;
  }
  if (terminal_.CBECHO->isChecked()) {
    links_.echoLineBreak();
    links_.showEcho(bytes);
  }
  return true;
}

void Sender::EDFLYTXChange() {
  const bool any = !terminal_.EDFLYTX->text().isEmpty();
  terminal_.BBFLYTX->setEnabled(any);
  terminal_.Savetofile2->setEnabled(any);
}

void Sender::BBFLYTXClick() {
  const EscapedStringResult decoded =
      DecodeEscapedString(terminal_.EDFLYTX->text().toLatin1().toStdString());
  if (!decoded.ok()) {
    dialogs_.ShowError("Falformed input string: " + QString::fromLatin1(decoded.malformed));
    return;
  }
  SendTyped(AddLineEnd(decoded.bytes));
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

}  // namespace ferrotap
