// SPDX-License-Identifier: MIT
#include "protocol/packet_decoder.h"

namespace ferrotap {

void PacketDecoderState::Sum(uint8_t b) {
  checksum = (checksum + b) & 0xFF;
}

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

void PacketDecoder::Decode(const Bytes& chunk, const ProtocolDefinition& definition,
                           const DecoderOptions& options) {
  def_ = &definition;
  opt_ = &options;
  const ProtocolOptions& o = options.protocol;
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
        if (HandleIdle(b)) out_.SelectColor(DataColor());
        ++i;
        break;
      case DecoderPhase::ExpectId:
        state_.id = b;
        state_.Sum(b);
        ++i;
        state_.phase = o.endByLength ? DecoderPhase::ExpectLen
                       : o.useCmd    ? DecoderPhase::ExpectCmd
                                     : DecoderPhase::InData;
        break;
      case DecoderPhase::ExpectLen:
        state_.len = b;
        state_.remaining = b;
        state_.Sum(b);
        ++i;
        state_.phase = o.useCmd ? DecoderPhase::ExpectCmd : DecoderPhase::InData;
        break;
      case DecoderPhase::ExpectCmd:
        state_.cmd = b;
        state_.Sum(b);
        ++i;
        state_.remaining -= 1;
        if (o.endByLength && state_.remaining <= 0) {
          state_.phase = DecoderPhase::Complete;
          pendingComplete = true;
        } else {
          state_.phase = DecoderPhase::InData;
        }
        break;
      case DecoderPhase::InData:
        switch (HandleInData(b)) {
          case InDataStep::Consumed:
            ++i;
            break;
          case InDataStep::Last:
            state_.phase = DecoderPhase::Complete;
            pendingComplete = true;
            lastByteLeft = true;
            break;
          case InDataStep::TooLong:
            // b belongs to no packet yet: it is decoded again from Idle.
            AbandonPacket();
            break;
        }
        break;
      case DecoderPhase::Complete:
        // A completion cut short by an exception: start afresh rather than stall.
        state_.ResetPacket();
        break;
    }
  }
  def_ = nullptr;
  opt_ = nullptr;
}

// Returns true when b was a hand-shake character or a stray byte (the data colour is then
// selected again); false when it opened a packet.
bool PacketDecoder::HandleIdle(uint8_t b) {
  const ProtocolOptions& o = opt_->protocol;
  if (b == def_->STX_CHAR) {
    state_.stxByte = b;
    state_.checksum = 0;
    state_.data.clear();
    state_.cksRead = false;
    if (def_->packTimeoutTicks > 0) out_.ArmTimer(state_.packTrigger, def_->packTimeoutTicks);
    state_.phase = o.useId         ? DecoderPhase::ExpectId
                   : o.endByLength ? DecoderPhase::ExpectLen
                   : o.useCmd      ? DecoderPhase::ExpectCmd
                                   : DecoderPhase::InData;
    return false;
  }
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
    out_.Write(RenderBytes(opt_->format, Bytes(1, static_cast<char>(b))));
  }
  return true;
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

PacketDecoder::InDataStep PacketDecoder::HandleInData(uint8_t b) {
  const ProtocolOptions& o = opt_->protocol;
  if (o.endByLength) {
    if (state_.remaining > 1) {
      state_.data.push_back(static_cast<char>(b));
      state_.Sum(b);
      state_.remaining -= 1;
      return InDataStep::Consumed;
    }
    if (o.useChecksum) {
      state_.receivedCks = b;
      state_.cksRead = true;
    } else {
      state_.data.push_back(static_cast<char>(b));
      state_.remaining -= 1;
    }
    return InDataStep::Last;
  }
  if (b == def_->ETX_CHAR) return InDataStep::Last;
  if (state_.data.size() >= kMaxEtxPacketData) return InDataStep::TooLong;
  state_.data.push_back(static_cast<char>(b));
  state_.Sum(b);
  state_.remaining -= 1;
  return InDataStep::Consumed;
}

void PacketDecoder::AbandonPacket() {
  out_.DisarmTimer(state_.packTrigger);
  state_.ResetPacket();
  state_.data.clear();
  const Bytes& lineBreak = opt_->lineBreak;
  out_.SelectColor(ColorRole::ProtFatalError);
  out_.Write(lineBreak + (port_ == Port::A ? "Port A" : "Port B") + ": Pack abandoned, no ETX in " +
             std::to_string(kMaxEtxPacketData) + " bytes." + lineBreak);
  out_.SelectColor(DataColor());
}

void PacketDecoder::Complete() {
  // Whatever a send or a hook throws, the next byte is decoded from Idle.
  struct ResetOnExit {
    PacketDecoderState& state;
    ~ResetOnExit() { state.ResetPacket(); }
  } reset{state_};
  const bool slave = port_ == Port::A && opt_->simulateSlave && slave_ != nullptr;
  if (port_ == Port::A) out_.DisarmTimer(state_.packTrigger);
  bool acknowledged = false;
  if (slave) slave_->BeforePacketLine(state_.cmd);
  WriteLine();
  out_.PacketFramed(Framed());
  if (port_ == Port::A) {
    if (flags_.answerExpected || (opt_->simulateSlave && opt_->protocol.useHandShake)) {
      AnswerHandShake(acknowledged);
    }
    if (slave) slave_->AfterHandShakeAnswer(state_.cmd, acknowledged);
  } else {
    out_.DisarmTimer(state_.packTrigger);
  }
}

void PacketDecoder::WriteField(const char* name, int value, bool outOfRange) {
  out_.Write(name);
  if (outOfRange) out_.SelectColor(ColorRole::ProtOutOfRange);
  out_.Write(FormatFieldNumber(opt_->format, value) + " ");
  if (outOfRange) out_.SelectColor(DataColor());
}

void PacketDecoder::WriteLine() {
  const ProtocolOptions& o = opt_->protocol;
  const DisplayFormat format = opt_->format;
  out_.SelectColor(DataColor());
  if (o.useId) {
    WriteField("ID=", state_.id,
               (state_.id != 0 && state_.id < def_->ID_MIN) || state_.id > def_->ID_MAX);
  }
  if (o.endByLength && (state_.len < def_->LEN_MIN || state_.len > def_->LEN_MAX)) {
    out_.SelectColor(ColorRole::ProtOutOfRange);
    out_.Write("LEN=" + FormatFieldNumber(format, state_.len) + " ");
    out_.SelectColor(DataColor());
  }
  if (o.useCmd) {
    WriteField("COM=", state_.cmd, state_.cmd < def_->CMD_MIN || state_.cmd > def_->CMD_MAX);
  }
  out_.Write(" DATA(" + FormatName(format) +
             ")= " + (state_.data.empty() ? Bytes("void") : RenderBytes(format, state_.data)));
  if (o.useChecksum && !state_.cksRead) {
    // The packet ended before its checksum byte: there is nothing to compare.
    out_.SelectColor(ColorRole::ProtFatalError);
    out_.Write("CKS missing");
    out_.SelectColor(DataColor());
  } else if (o.useChecksum && state_.receivedCks != state_.checksum) {
    out_.SelectColor(ColorRole::ProtFatalError);
    out_.Write("CKS error: " + FormatFieldNumber(format, state_.receivedCks) + "(" +
               FormatFieldNumber(format, state_.checksum) + ")");
    out_.SelectColor(DataColor());
  }
  out_.Write(opt_->lineBreak);
}

DecodedPacket PacketDecoder::Framed() const {
  const ProtocolOptions& o = opt_->protocol;
  DecodedPacket packet;
  packet.stx = state_.stxByte;
  if (o.useId) packet.id = state_.id;
  if (o.endByLength) packet.len = state_.len;
  if (o.useCmd) packet.cmd = state_.cmd;
  packet.data = state_.data;
  if (o.useChecksum) {
    packet.computedChecksum = state_.checksum;
    if (!state_.cksRead) {
      packet.checksum = ChecksumCheck::Missing;
    } else {
      packet.receivedChecksum = state_.receivedCks;
      packet.checksum =
          state_.receivedCks == state_.checksum ? ChecksumCheck::Ok : ChecksumCheck::Error;
    }
  }
  packet.inRange = !(o.useId && ((state_.id != 0 && state_.id < def_->ID_MIN) ||
                                 state_.id > def_->ID_MAX)) &&
                   !(o.endByLength && (state_.len < def_->LEN_MIN || state_.len > def_->LEN_MAX)) &&
                   !(o.useCmd && (state_.cmd < def_->CMD_MIN || state_.cmd > def_->CMD_MAX));
  return packet;
}

void PacketDecoder::AnswerHandShake(bool& acknowledged) {
  const ProtocolOptions& o = opt_->protocol;
  out_.SelectColor(ColorRole::ProtSimulated);
  const bool cksGood = !o.useChecksum || (state_.cksRead && state_.receivedCks == state_.checksum);
  if (!cksGood) {
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
  out_.SelectColor(ColorRole::ProtFatalError);
  out_.Write(text + lineBreak);
  out_.SelectColor(ColorRole::PortAData);
}

}  // namespace ferrotap
