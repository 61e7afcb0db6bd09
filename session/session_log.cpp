// SPDX-License-Identifier: MIT
#include "session/session.h"

#include <vector>

#include "session/session_parts.h"

namespace ferrotap {

std::string Session::StartLog(const std::string& path, const CaptureLogWriterOptions& options) {
  StopLog();
  // The writer's thread reports a write error; the user hears of it on the loop thread.
  auto opened = CaptureLogWriter::Open(path, clock_, options, [this](const std::string& message) {
    host_.Post([this, message] { output_.Error(message); });
  });
  log_ = std::move(opened.writer);
  return opened.error;
}

void Session::StopLog() {
  log_.reset();
}

CaptureLogStatus Session::LogStatus() const {
  return log_ ? log_->Status() : CaptureLogStatus{};
}

void Session::Log(SessionPort port, CaptureKind kind, std::string_view payload, int64_t timeNs,
                  CaptureLineEvent event, uint8_t detail) {
  if (!log_) return;
  CaptureRecordView record;
  record.timeNs = timeNs;
  record.port = port == SessionPort::A ? CapturePort::A : CapturePort::B;
  record.kind = kind;
  record.event = event;
  record.detail = detail;
  record.payload = payload;
  log_->Append(record);
}

void Session::BeginReplay(const ClockBase& logClock) {
  Snapshot snapshot(*this);
  if (!liveClock_) liveClock_ = clock_;
  clock_ = logClock;
  text_->BreakLine(ColorRole::PortAData, Options().lineBreak);
  ForgetFrames();
  decoderA_->State().ResetPacket();
  decoderB_->State().ResetPacket();
}

void Session::EndReplay() {
  Snapshot snapshot(*this);
  if (liveClock_) clock_ = *liveClock_;
  liveClock_.reset();
  text_->BreakLine(ColorRole::PortAData, Options().lineBreak);
  ForgetFrames();
  std::vector<HeldRead> held;
  held.swap(heldWhileReplaying_);
  for (const HeldRead& read : held) ShowReceived(read.port, read.bytes, read.readNs);
}

}  // namespace ferrotap
