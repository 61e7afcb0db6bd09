// SPDX-License-Identifier: MIT
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/data_window.h"
#include "app/dialogs.h"
#include "app/log_replay_runner.h"
#include "app/main_window.h"
#include "app/pages/terminal_page.h"
#include "app/status_strip.h"
#include "session/log_replay.h"
#include "session/session.h"

namespace ferrotap {
namespace {

const QString kLogExtension = QStringLiteral(".ftlog");
const QString kLogFilter =
    QStringLiteral("Capture logs (*.ftlog)|*.ftlog|All files (*.*)|*.*");

}  // namespace

void MainWindow::BBLOGFILEClick(bool checked) {
  QPushButton* button = TabSheet1->BBLOGFILE;
  if (!checked) {
    session_->StopLog();
    REA->SetStoreFolder(storeFolder_);
    strip_->SB2->setText("Log closed");
    return;
  }
  const std::optional<QString> path =
      dialogs_->SaveFileName({kLogExtension, exeDir_, kLogFilter});
  const std::string error =
      path ? session_->StartLog(path->toStdString(), {}, TabSheet1->CBLOGTEXT->isChecked())
           : std::string();
  if (!path || !error.empty()) {
    const QSignalBlocker quiet(button);
    button->setChecked(false);
    if (!error.empty()) dialogs_->ShowError(QString::fromStdString(error));
    return;
  }
  // The older text of the data window goes beside the log, on the disk chosen for the capture.
  REA->SetStoreFolder(QFile::encodeName(QFileInfo(*path).absolutePath()).toStdString());
  strip_->SB2->setText("Logging to " + *path);
}

void MainWindow::BBOPENLOGClick() {
  if (logReplay_->Running()) {
    logReplay_->Stop();
    return;
  }
  const std::optional<QString> path =
      dialogs_->OpenFileName({kLogExtension, exeDir_, kLogFilter});
  if (path) logReplay_->Start(path->toStdString());
}

void MainWindow::ShowEcho(const Bytes& bytes) {
  session_->ShowEcho(bytes);
}

const Bytes& MainWindow::RxPackA() const {
  return session_->RxPackA();
}

const Bytes& MainWindow::RxPackB() const {
  return session_->RxPackB();
}

void MainWindow::SendOnPortA(const Bytes& bytes) {
  session_->SendOnPortA(bytes);
}

}  // namespace ferrotap
