// SPDX-License-Identifier: MIT
#include "session/session.h"

#include <vector>

#include "session/session_parts.h"

namespace ferrotap {

std::string Session::StartLog(const std::string& path, const CaptureLogWriterOptions& options,
                              bool withShownText) {
  StopLog();
  // The writer's thread reports a write error; the user hears of it on the loop thread.
  auto opened = CaptureLogWriter::Open(path, clock_, options, [this](const std::string& message) {
    host_.Post([this, message] { output_.Error(message); });
  });
  log_ = std::move(opened.writer);
  if (log_ && withShownText) {
    text_->SetTap([this](std::optional<ColorRole> role, std::string_view text, int64_t timeNs) {
      // The background role never colours text: its number stands for the system's text colour.
      const auto detail = static_cast<uint8_t>(role ? *role : ColorRole::Background);
      Log(SessionPort::A, CaptureKind::Text, text, timeNs, CaptureLineEvent::None, detail);
    });
  }
  return opened.error;
}

void Session::StopLog() {
  text_->SetTap({});
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
