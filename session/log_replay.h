// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/capture_log_reader.h"

namespace ferrotap {

class Session;

// Plays a capture log back through the session as the data was received: the chunks read on
// ports A and B and the echo of what was sent, with their read times. It plays in steps, so that
// a front-end's loop stays responsive and can stop it; live data that arrives meanwhile is held by
// the session and shown when the replay ends.
class CaptureLogReplay {
 public:
  explicit CaptureLogReplay(Session& session);
  // Ends a replay still under way, as Stop does.
  ~CaptureLogReplay();
  CaptureLogReplay(const CaptureLogReplay&) = delete;
  CaptureLogReplay& operator=(const CaptureLogReplay&) = delete;

  // Opens the log and begins the replay; false when it is not a readable log (Stopped() says why).
  bool Open(const std::string& path);
  // Plays records until about `budget` bytes of data were shown; false once the log is played
  // to its end or to where reading stopped, and the replay is over.
  bool Step(std::size_t budget);
  // Ends the replay early.
  void Stop();
  bool Playing() const { return playing_; }
  // Bytes of data (received and sent) shown so far.
  uint64_t Played() const { return played_; }
  const CaptureLogStop& Stopped() const { return reader_.Stopped(); }

 private:
  Session& session_;
  CaptureLogReader reader_;
  bool playing_ = false;
  uint64_t played_ = 0;
};

// The whole log at once. Returns where reading stopped; its message is empty after a clean end.
CaptureLogStop ReplayCaptureLog(Session& session, const std::string& path);

}  // namespace ferrotap
