// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

class QLabel;

namespace ferrotap {

class CaptureLogReplay;
class Dialogs;
class Session;

// "Open log" in the background of the window's loop: the log plays in steps of a few
// milliseconds, so the window keeps answering (a second press stops it), and the status bar says
// how far it got.
class LogReplayRunner : public QObject {
 public:
  LogReplayRunner(Session& session, QLabel& status, Dialogs& dialogs);
  ~LogReplayRunner() override;

  bool Running() const;
  // Says so and plays nothing when the file is not a readable log.
  void Start(const std::string& path);
  void Stop();

 private:
  void Step();
  void Finish(const QString& status);

  Session& session_;
  QLabel& status_;
  Dialogs& dialogs_;
  QTimer timer_;
  std::unique_ptr<CaptureLogReplay> replay_;
};

}  // namespace ferrotap
