// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "protocol/packet_decoder.h"
#include "session/session.h"
#include "session/session_text.h"
#include "simulation/protocol_simulation.h"

namespace ferrotap {

// The options of one entry point, asked of the host once; the calls it makes share them.
class Session::Snapshot {
 public:
  explicit Snapshot(Session& session) : session_(session), outer_(!session.options_) {
    if (outer_) {
      session.options_.emplace(session.host_.Options());
      session.text_->ConfigureStamps(session.options_->timeStamps, session.clock_);
    }
  }
  // Text shown later, outside a read, is stamped with the time it is shown.
  ~Snapshot() {
    if (!outer_) return;
    session_.options_.reset();
    session_.text_->SetReadTime(std::nullopt);
  }
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

 private:
  Session& session_;
  bool outer_;
};

// One port's decoder output: the session's text, that port's timer triggers, sending on port A.
class Session::DecoderOutput : public ProtocolOutput {
 public:
  DecoderOutput(Session& session, SessionPort port) : session_(session), port_(port) {}

  void SelectColor(ColorRole role) override { session_.text_->Select(role); }
  void Write(const Bytes& text) override { session_.text_->Write(text); }
  bool Transmit(const Bytes& bytes) override;
  void ArmTimer(uint16_t trigger, int ticks) override;
  void DisarmTimer(uint16_t trigger) override;
  bool SetRtsA(bool on) override;
  void PacketFramed(const DecodedPacket& packet) override { session_.PacketFramed(port_, packet); }
  void Seen(ProtocolEvent event) override {
    if (port_ == SessionPort::A) session_.ProtocolSeen(event);
  }

  // The reason the first send failed since the last call; empty when all went out.
  std::string TakeSendError();
  // Sends that went out, counted from the start.
  uint64_t Sent() const { return sent_; }

 private:
  ComPort& TimerPort() const;

  Session& session_;
  SessionPort port_;
  std::string sendError_;
  uint64_t sent_ = 0;
};

// The slave's steps, run by port A's decoder, counted for the summary.
class Session::SlaveSteps : public SlaveHooks {
 public:
  explicit SlaveSteps(Session& session) : session_(session) {}
  void BeforePacketLine(int cmd) override;
  void AfterHandShakeAnswer(int cmd, bool acknowledged) override;
  void StartSyncDelay() override;

 private:
  Session& session_;
};

// The slave's SYNC delay on the host's "Timer1".
class Session::SyncDelay : public SyncTimer {
 public:
  explicit SyncDelay(std::unique_ptr<SessionTimer> timer) : timer_(std::move(timer)) {}
  void Start(int milliseconds) override { timer_->Start(milliseconds); }
  void Stop() override { timer_->Stop(); }

 private:
  std::unique_ptr<SessionTimer> timer_;
};

}  // namespace ferrotap
