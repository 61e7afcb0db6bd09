// SPDX-License-Identifier: MIT
#include "app/log_replay_runner.h"

#include <QElapsedTimer>
#include <QLabel>

#include "app/dialogs.h"
#include "session/log_replay.h"

namespace ferrotap {
namespace {

// Each turn of the loop plays pieces of this much data until its time is up.
constexpr std::size_t kPieceBytes = 64 * 1024;
constexpr qint64 kTurnMs = 20;

QString Megabytes(uint64_t bytes) {
  return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1) + " MB";
}

}  // namespace

LogReplayRunner::LogReplayRunner(Session& session, QLabel& status, Dialogs& dialogs)
    : session_(session), status_(status), dialogs_(dialogs) {
  timer_.setInterval(0);
  connect(&timer_, &QTimer::timeout, this, [this] { Step(); });
}

LogReplayRunner::~LogReplayRunner() = default;

bool LogReplayRunner::Running() const {
  return replay_ && replay_->Playing();
}

void LogReplayRunner::Start(const std::string& path) {
  Stop();
  replay_ = std::make_unique<CaptureLogReplay>(session_);
  if (!replay_->Open(path)) {
    dialogs_.ShowError(QString::fromStdString(replay_->Stopped().message));
    replay_.reset();
    return;
  }
  status_.setText("Playing log");
  timer_.start();
}

void LogReplayRunner::Stop() {
  if (!Running()) return;
  replay_->Stop();
  Finish("Log stopped after " + Megabytes(replay_->Played()));
}

void LogReplayRunner::Step() {
  QElapsedTimer turn;
  turn.start();
  bool more = true;
  while (more && turn.elapsed() < kTurnMs) more = replay_->Step(kPieceBytes);
  if (more) {
    status_.setText("Playing log: " + Megabytes(replay_->Played()));
    return;
  }
  Finish("Log played: " + Megabytes(replay_->Played()));
  if (!replay_->Stopped().message.empty()) {
    dialogs_.ShowError(QString::fromStdString(replay_->Stopped().message));
  }
}

void LogReplayRunner::Finish(const QString& status) {
  timer_.stop();
  status_.setText(status);
}

}  // namespace ferrotap
