// SPDX-License-Identifier: MIT
#include "session/log_replay.h"

#include "session/session.h"

namespace ferrotap {

CaptureLogStop ReplayCaptureLog(Session& session, const std::string& path) {
  CaptureLogReader reader;
  if (!reader.Open(path)) return reader.Stopped();
  session.BeginReplay(reader.Header().clock);
  CaptureRecordView record;
  while (reader.Next(record)) {
    const Bytes payload(record.payload);
    if (record.kind == CaptureKind::Received && record.port != CapturePort::Echo) {
      session.ShowReceived(record.port == CapturePort::A ? SessionPort::A : SessionPort::B,
                           payload, record.timeNs);
    } else if (record.kind == CaptureKind::Sent) {
      session.ShowSent(payload, record.timeNs);
    }
  }
  session.EndReplay();
  return reader.Stopped();
}

}  // namespace ferrotap
