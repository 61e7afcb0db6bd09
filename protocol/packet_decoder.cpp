// SPDX-License-Identifier: MIT
#include "protocol/packet_decoder.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace ferrotap {

void PacketDecoderState::ResetPacket() {
  phase = DecoderPhase::Idle;
  stxByte = 0;
  id = 0;
  remaining = 0;
  len = 0;
  cmd = 0;
}

PacketDecoder::PacketDecoder(Port port, ProtocolOutput& output) : port_(port), out_(output) {}

void PacketDecoder::SetTriggers(uint16_t packTrigger, uint16_t handShakeTrigger) {
  state_.packTrigger = packTrigger;
  handShakeTrigger_ = handShakeTrigger;
}

ColorRole PacketDecoder::DataColor() const {
  return port_ == Port::A ? ColorRole::PortAData : ColorRole::PortBData;
}

ColorRole PacketDecoder::HandShakeColor() const {
  return port_ == Port::A ? ColorRole::PortAHandShake : ColorRole::PortBHandShake;
}

void PacketDecoder::Begin(const ProtocolDefinition& definition, const DecoderOptions& options) {
  def_ = &definition;
  opt_ = &options;
  dataLabel_ = " DATA(" + FormatName(options.format) + ")= ";
}

void PacketDecoder::Decode(const Bytes& chunk, const ProtocolDefinition& definition,
                           const DecoderOptions& options, std::span<const ReadMark> marks) {
  Begin(definition, options);
  // Whatever a send or a hook throws, the next call starts with its own options.
  struct EndOfCall {
    PacketDecoder& decoder;
    ~EndOfCall() {
      decoder.def_ = nullptr;
      decoder.opt_ = nullptr;
    }
  } end{*this};
  if (options.protocol.framing == Framing::BySilence) {
    // A packet opened by STX before the framing changed has no end under silence framing.
    if (state_.phase != DecoderPhase::Idle) state_.ResetPacket();
    DecodeBySilence(chunk, marks);
  } else {
    silence_.Clear();
    DecodeByStx(chunk);
    if (!state_.cksRead) state_.checksum = running_.Value();
  }
}

void PacketDecoder::DecodeByStx(const Bytes& chunk) {
  const ProtocolOptions& o = opt_->protocol;
  std::size_t i = 0;
  // A packet that became complete on a byte still owes its completion, even after the last byte.
  bool pendingComplete = false;
  bool lastByteLeft = false;
  while (i < chunk.size() || pendingComplete) {
    if (pendingComplete) {
      Complete();
      pendingComplete = false;
      if (lastByteLeft) ++i;
      lastByteLeft = false;
      continue;
    }
    const auto b = static_cast<uint8_t>(chunk[i]);
    switch (state_.phase) {
      case DecoderPhase::Idle:
        if (HandleIdle(b)) {
          out_.SelectColor(DataColor());
          ++i;
        } else {
          ++i;
          i += TakeWholePacket(chunk, i);
        }
        break;
      case DecoderPhase::ExpectId:
        state_.id = b;
        running_.Feed(b);
        ++i;
        state_.phase = o.endByLength ? DecoderPhase::ExpectLen
                       : o.useCmd    ? DecoderPhase::ExpectCmd
                                     : DecoderPhase::InData;
        break;
      case DecoderPhase::ExpectLen:
        state_.len = b;
        state_.remaining = b;
        running_.Feed(b);
        ++i;
        state_.phase = o.useCmd ? DecoderPhase::ExpectCmd : DecoderPhase::InData;
        break;
      case DecoderPhase::ExpectCmd:
        state_.cmd = b;
        running_.Feed(b);
        ++i;
        state_.remaining -= 1;
        if (o.endByLength && state_.remaining <= 0) {
          state_.phase = DecoderPhase::Complete;
          pendingComplete = true;
        } else {
          state_.phase = DecoderPhase::InData;
        }
        break;
      case DecoderPhase::InData: {
        InDataStep step = InDataStep::Consumed;
        i += HandleInData(chunk, i, step);
        if (step == InDataStep::Last) {
          state_.phase = DecoderPhase::Complete;
          pendingComplete = true;
          lastByteLeft = true;
        } else if (step == InDataStep::TooLong) {
          // The byte at i belongs to no packet yet: it is decoded again from Idle.
          AbandonPacket("no ETX");
        }
        break;
      }
      case DecoderPhase::Complete:
        // A completion cut short by an exception: start afresh rather than stall.
        state_.ResetPacket();
        break;
    }
  }
}

// A packet that lies whole in the chunk, the usual case, is taken at once: fields by position and
// the checksum over them in one pass. Short lengths and packets cut by the chunk's end take the
// byte-by-byte way. Returns the bytes taken after the STX; 0 leaves them to the phases.
std::size_t PacketDecoder::TakeWholePacket(const Bytes& chunk, std::size_t i) {
  const ProtocolOptions& o = opt_->protocol;
  if (!o.endByLength) return 0;
  const std::size_t lenAt = i + (o.useId ? 1 : 0);
  if (lenAt >= chunk.size()) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(chunk.data());
  const int len = p[lenAt];
  const int afterCmd = len - (o.useCmd ? 1 : 0);
  const int tail = o.useChecksum ? ChecksumWidth(o.checksumKind) : 1;
  if (afterCmd <= tail) return 0;
  const std::size_t dataAt = lenAt + 1 + (o.useCmd ? 1 : 0);
  const std::size_t end = dataAt + static_cast<std::size_t>(afterCmd);
  if (end > chunk.size()) return 0;
  state_.id = o.useId ? p[i] : 0;
  state_.len = len;
  state_.cmd = o.useCmd ? p[lenAt + 1] : 0;
  state_.remaining = 0;
  if (o.useChecksum) {
    const std::size_t cksAt = end - static_cast<std::size_t>(tail);
    state_.data.assign(chunk, dataAt, cksAt - dataAt);
    running_.Feed(std::string_view(chunk).substr(i, cksAt - i));
    state_.checksum = running_.Value();
    state_.receivedCks =
        ChecksumFromBytes(std::string_view(chunk).substr(cksAt, tail), o.checksumOrder);
    state_.cksRead = true;
  } else {
    state_.data.assign(chunk, dataAt, end - dataAt);
  }
  state_.phase = DecoderPhase::Complete;
  Complete();
  return end - i;
}

bool PacketDecoder::HandleIdle(uint8_t b) {
  const ProtocolOptions& o = opt_->protocol;
  if (b != def_->STX_CHAR) {
    HandleOutside(b);
    return true;
  }
  state_.stxByte = b;
  state_.data.clear();
  state_.cksRead = false;
  running_ = RunningChecksum(o.checksumKind);
  cksBytes_.clear();
  lenMismatch_ = false;
  if (def_->packTimeoutTicks > 0) out_.ArmTimer(state_.packTrigger, def_->packTimeoutTicks);
  state_.phase = o.useId         ? DecoderPhase::ExpectId
                 : o.endByLength ? DecoderPhase::ExpectLen
                 : o.useCmd      ? DecoderPhase::ExpectCmd
                                 : DecoderPhase::InData;
  return false;
}

// A hand-shake character or a stray byte.
void PacketDecoder::HandleOutside(uint8_t b) {
  const ProtocolOptions& o = opt_->protocol;
  if (o.useHandShake && (b == def_->ACK_CHAR || b == def_->NAK_CHAR)) {
    HandleHandShake(b);
  } else if (o.useHandShake && o.syncType == SyncType::Character && b == def_->SYN_CHAR) {
    out_.SelectColor(HandShakeColor());
    out_.Write("SYN" + opt_->lineBreak);
    out_.Seen(ProtocolEvent::Sync);
    if (port_ == Port::A) {
      out_.DisarmTimer(handShakeTrigger_);
      flags_.awaitingAckNak = false;
      flags_.syncExpected = false;
    }
  } else {
    out_.SelectColor(ColorRole::ProtFatalError);
    line_.clear();
    AppendRenderedBytes(line_, opt_->format, std::string_view(reinterpret_cast<char*>(&b), 1));
    out_.Write(line_);
  }
}

void PacketDecoder::HandleHandShake(uint8_t b) {
  const bool ack = b == def_->ACK_CHAR;
  out_.SelectColor(HandShakeColor());
  out_.Seen(ack ? ProtocolEvent::Ack : ProtocolEvent::Nak);
  if (port_ == Port::B) {
    out_.Write((ack ? "ACK" : "NAK") + opt_->lineBreak);
    return;
  }
  out_.DisarmTimer(handShakeTrigger_);
  if (ack) {
    out_.Write("ACK" + opt_->lineBreak);
    if (opt_->protocol.syncType != SyncType::None && flags_.syncExpected &&
        !flags_.answerExpected && def_->syncTimeoutTicks > 0) {
      out_.ArmTimer(handShakeTrigger_, def_->syncTimeoutTicks);
    }
    if (flags_.syncToSend) {
      if (slave_ != nullptr) {
        slave_->StartSyncDelay();
      } else {
        flags_.syncToSend = false;
      }
    }
  } else {
    out_.Write("NAK" + opt_->lineBreak);
    if (opt_->protocol.syncType == SyncType::RtsCts) out_.SetRtsA(true);
    flags_.answerExpected = false;
    flags_.syncToSend = false;
  }
  flags_.awaitingAckNak = false;
}

// Data bytes go in runs: everything up to the checksum, or up to ETX, is copied and summed at
// once.
std::size_t PacketDecoder::HandleInData(const Bytes& chunk, std::size_t i, InDataStep& step) {
  const ProtocolOptions& o = opt_->protocol;
  const std::size_t available = chunk.size() - i;
  if (o.endByLength) {
    // The bytes the length counts last: the checksum's, or the last data byte without one.
    const int tail = o.useChecksum ? ChecksumWidth(o.checksumKind) : 1;
    if (state_.remaining > tail) {
      const std::size_t run =
          std::min<std::size_t>(available, static_cast<std::size_t>(state_.remaining - tail));
      const std::string_view bytes(chunk.data() + i, run);
      state_.data.append(bytes);
      running_.Feed(bytes);
      state_.remaining -= static_cast<int>(run);
      step = InDataStep::Consumed;
      return run;
    }
    const char b = chunk[i];
    state_.remaining -= 1;
    if (!o.useChecksum) {
      state_.data.push_back(b);
      step = InDataStep::Last;
      return 0;
    }
    cksBytes_.push_back(b);
    if (state_.remaining > 0) {
      step = InDataStep::Consumed;
      return 1;
    }
    state_.cksRead = cksBytes_.size() == static_cast<std::size_t>(tail);
    state_.receivedCks = ChecksumFromBytes(cksBytes_, o.checksumOrder);
    state_.checksum = running_.Value();
    step = InDataStep::Last;
    return 0;
  }
  const std::size_t room = kMaxEtxPacketData - state_.data.size();
  const std::size_t span = std::min(available, room);
  const char* start = chunk.data() + i;
  const void* etx = std::memchr(start, def_->ETX_CHAR, span);
  const std::size_t run = etx != nullptr ? static_cast<const char*>(etx) - start : span;
  const std::string_view bytes(start, run);
  state_.data.append(bytes);
  running_.Feed(bytes);
  if (run < available) {
    step =
        static_cast<uint8_t>(start[run]) == def_->ETX_CHAR ? InDataStep::Last : InDataStep::TooLong;
  } else {
    step = InDataStep::Consumed;
  }
  return run;
}

void PacketDecoder::AbandonPacket(const char* why) {
  out_.DisarmTimer(state_.packTrigger);
  state_.ResetPacket();
  state_.data.clear();
  silence_.Clear();
  const Bytes& lineBreak = opt_->lineBreak;
  out_.SelectColor(ColorRole::ProtFatalError);
  out_.Write(lineBreak + (port_ == Port::A ? "Port A" : "Port B") + ": Pack abandoned, " + why +
             " in " + std::to_string(kMaxEtxPacketData) + " bytes." + lineBreak);
  out_.SelectColor(DataColor());
}

void PacketDecoder::Complete() {
  // Whatever a send or a hook throws, the next byte is decoded from Idle.
  struct ResetOnExit {
    PacketDecoderState& state;
    ~ResetOnExit() { state.ResetPacket(); }
  } reset{state_};
  const ProtocolOptions& o = opt_->protocol;
  const bool bySilence = o.framing == Framing::BySilence;
  const bool slave = port_ == Port::A && opt_->simulateSlave && slave_ != nullptr;
  if (port_ == Port::A && !bySilence) out_.DisarmTimer(state_.packTrigger);
  bool acknowledged = false;
  if (slave) slave_->BeforePacketLine(state_.cmd);
  WriteLine();
  DecodedPacket& framed = Framed();
  framed.data.swap(state_.data);
  out_.PacketFramed(framed);
  framed.data.swap(state_.data);
  if (port_ == Port::A) {
    if (flags_.answerExpected || (opt_->simulateSlave && o.useHandShake)) {
      AnswerHandShake(acknowledged);
    } else if (bySilence && opt_->simulateSlave) {
      // A field bus has no hand-shake: a slave answers a good query addressed to it. Address 0
      // is a broadcast, which no slave answers.
      acknowledged = ChecksumGood() && (!o.useId || state_.id == def_->ID_SIM);
    }
    if (slave) slave_->AfterHandShakeAnswer(state_.cmd, acknowledged);
  } else if (!bySilence) {
    out_.DisarmTimer(state_.packTrigger);
  }
}

bool PacketDecoder::ChecksumGood() const {
  return !opt_->protocol.useChecksum || (state_.cksRead && state_.receivedCks == state_.checksum);
}

void PacketDecoder::AnswerHandShake(bool& acknowledged) {
  out_.SelectColor(ColorRole::ProtSimulated);
  if (!ChecksumGood()) {
    out_.Transmit(Bytes(1, static_cast<char>(def_->NAK_CHAR)));
    if (opt_->echo) out_.Write("<NAK>");
  } else {
    out_.Transmit(Bytes(1, static_cast<char>(def_->ACK_CHAR)));
    if (opt_->echo) out_.Write("<ACK>");
    acknowledged = true;
    if (flags_.answerExpected && flags_.syncExpected && def_->syncTimeoutTicks > 0) {
      out_.ArmTimer(handShakeTrigger_, def_->syncTimeoutTicks);
    }
  }
  flags_.answerExpected = false;
}

void PacketDecoder::PackTimedOut(const Bytes& lineBreak) {
  if (state_.phase == DecoderPhase::Idle) return;
  state_.ResetPacket();
  out_.Seen(ProtocolEvent::PackTimeout);
  out_.SelectColor(ColorRole::ProtFatalError);
  out_.Write(lineBreak + (port_ == Port::A ? "Port A: Pack Time Out." : "Port B: Pack Time Out.") +
             lineBreak);
  out_.SelectColor(DataColor());
}

void PacketDecoder::HandShakeTimedOut(const Bytes& lineBreak) {
  const char* message = flags_.awaitingAckNak ? " ACK - NAK Time Out !" : "SYNC Time Out !";
  out_.Seen(flags_.awaitingAckNak ? ProtocolEvent::AckNakTimeout : ProtocolEvent::SyncTimeout);
  flags_.awaitingAckNak = false;
  flags_.syncExpected = false;
  out_.SelectColor(ColorRole::ProtFatalError);
  out_.Write(lineBreak + message + lineBreak);
  out_.SelectColor(ColorRole::PortAData);
}

void PacketDecoder::ResetCurrentPacket(const Bytes& text, const Bytes& lineBreak) {
  out_.DisarmTimer(state_.packTrigger);
  out_.DisarmTimer(handShakeTrigger_);
  state_.ResetPacket();
  silence_.Clear();
  out_.SelectColor(ColorRole::ProtFatalError);
  out_.Write(text + lineBreak);
  out_.SelectColor(ColorRole::PortAData);
}

}  // namespace ferrotap
