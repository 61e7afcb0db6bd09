// SPDX-License-Identifier: MIT
#include "session/log_replay.h"

#include <limits>

#include "session/session.h"

namespace ferrotap {

CaptureLogReplay::CaptureLogReplay(Session& session) : session_(session) {}

CaptureLogReplay::~CaptureLogReplay() {
  Stop();
}

bool CaptureLogReplay::Open(const std::string& path) {
  Stop();
  if (!reader_.Open(path)) return false;
  session_.BeginReplay(reader_.Header().clock);
  playing_ = true;
  played_ = 0;
  return true;
}

bool CaptureLogReplay::Step(std::size_t budget) {
  if (!playing_) return false;
  CaptureRecordView record;
  for (std::size_t spent = 0; spent < budget;) {
    if (!reader_.Next(record)) {
      Stop();
      return false;
    }
    const Bytes payload(record.payload);
    if (record.kind == CaptureKind::Received && record.port != CapturePort::Echo) {
      session_.ShowReceived(record.port == CapturePort::A ? SessionPort::A : SessionPort::B,
                            payload, record.timeNs);
    } else if (record.kind == CaptureKind::Sent) {
      session_.ShowSent(payload, record.timeNs);
    }
    played_ += payload.size();
    // A record without data counts as one byte, so that a log of line events still ends a step.
    spent += payload.empty() ? 1 : payload.size();
  }
  return true;
}

void CaptureLogReplay::Stop() {
  if (!playing_) return;
  playing_ = false;
  session_.EndReplay();
}

CaptureLogStop ReplayCaptureLog(Session& session, const std::string& path) {
  CaptureLogReplay replay(session);
  if (replay.Open(path)) {
    while (replay.Step(std::numeric_limits<std::size_t>::max() / 2)) {
    }
  }
  return replay.Stopped();
}

}  // namespace ferrotap
