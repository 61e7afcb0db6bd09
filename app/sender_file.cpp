#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/dialogs.h"
#include "app/pages/terminal_page.h"
#include "simulation/file_chunks.h"
#include "app/sender.h"

namespace ferrotap {
namespace {

// Longest run of chunks between two visits of the event loop.
constexpr qint64 kSliceMs = 15;
constexpr qint64 kProgressMs = 100;

}  // namespace

void Sender::BBTXFILEClick() {
  if (RefuseWhileFileSends()) return;
  const std::optional<QString> path = dialogs_.OpenFileName(
      {".*", exeDir_, "All files (*.*)|*.*|Tx on fly files (*.fly)|*.fly|Txt files (*.txt)|*.txt"});
  if (!path) return;
  try {
    file_ = std::make_unique<FileChunks>(QFile::encodeName(*path).toStdString());
  } catch (const std::exception& error) {
    ShowFailure(error);
    return;
  }
  ++sendNumber_;
  sent_ = 0;
  pending_.clear();
  terminal_.PBTXFILE->setVisible(true);
  terminal_.BBTXSTOP->setVisible(true);
  ShowProgress();
  PumpFile();
}

// Queues chunks while the output ring has room for them, then waits for the port's writer to
// make room: the window never blocks on a slow line and nothing is dropped on a full ring.
void Sender::PumpFile() {
  if (!file_) return;
  QElapsedTimer slice;
  slice.start();
  try {
    for (;;) {
      if (pending_.empty()) {
        pending_ = file_->Next();
        if (pending_.empty()) {
          EndFileSend();
          return;
        }
      }
      if (slice.elapsed() >= kSliceMs) {
        QTimer::singleShot(0, this, &Sender::PumpFile);
        break;
      }
      if (links_.whenOutputFree(pending_.size(), RoomWake())) {
        retry_->start();
        break;
      }
      // Further whole chunks that fit go with this one: one hand-over to the port and one
      // insertion into the data window for the lot, in the same order and with the same text.
      Bytes batch = std::move(pending_);
      pending_.clear();
      while (batch.size() + FileChunks::kChunkSize <= links_.outputFree()) {
        Bytes next = file_->Next();
        if (next.empty()) break;
        batch += next;
      }
      links_.sendOnPortA(batch);
      sent_ += batch.size();
      // The echo shows only what was queued.
      if (terminal_.CBECHO->isChecked()) links_.showEcho(batch);
    }
  } catch (const std::exception& error) {
    EndFileSend();
    ShowFailure(error);
    return;
  }
  // Repainting the bar at every round would cost more than the round itself on a fast line.
  if (progressClock_.hasExpired(kProgressMs)) ShowProgress();
}

// The wake runs on the port's writer thread: it only posts the next round to the UI thread, where
// a send that has ended or been replaced meanwhile ignores it.
std::function<void()> Sender::RoomWake() {
  return [guard = QPointer<Sender>(this), number = sendNumber_] {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [guard, number] {
          if (guard && guard->sendNumber_ == number) guard->PumpFile();
        },
        Qt::QueuedConnection);
  };
}

void Sender::ShowProgress() {
  progressClock_.start();
  const uint64_t total = std::max(file_->Size(), sent_);
  QProgressBar* bar = terminal_.PBTXFILE;
  bar->setValue(total == 0 ? bar->maximum() : static_cast<int>(sent_ * bar->maximum() / total));
  bar->setFormat(QString("%1 of %2 bytes sent").arg(sent_).arg(total));
}

void Sender::EndFileSend() {
  file_.reset();
  pending_.clear();
  retry_->stop();
  terminal_.PBTXFILE->setVisible(false);
  terminal_.BBTXSTOP->setVisible(false);
}

void Sender::BBTXSTOPClick() {
  EndFileSend();
}

void Sender::PortLost() {
  EndFileSend();
}

void Sender::PortsClosing() {
  if (!FileSending()) return;
  const QString text = QString("The file send stopped after %1 of %2 bytes: the port was closed.")
                           .arg(sent_)
                           .arg(std::max(file_->Size(), sent_));
  EndFileSend();
  dialogs_.ShowError(text);
}

}  // namespace ferrotap
