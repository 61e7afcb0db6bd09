#include <QFile>

#include "app/dialogs.h"
#include "session/session.h"
#include "app/sender.h"

namespace ferrotap {

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
