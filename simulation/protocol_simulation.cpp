// SPDX-License-Identifier: MIT
#include "simulation/protocol_simulation.h"

#include "simulation/sim_packet.h"
#include "simulation/simulation_table.h"

namespace ferrotap {

ProtocolSimulation::ProtocolSimulation(PacketDecoder& decoderA, ProtocolOutput& output,
                                       const SimulationTable& table, SyncTimer& timer,
                                       OptionsSource options)
    : decoder_(decoderA),
      out_(output),
      table_(table),
      timer_(timer),
      options_(std::move(options)) {}

bool ProtocolSimulation::SyncMarked(int cmd) const {
  return table_.IsSyncMarked(static_cast<uint8_t>(cmd & 0xFF));
}

bool ProtocolSimulation::SendQuery(uint8_t code, const Bytes& codeText) {
  const SimulationOptions o = options_();
  const SimulationEntry& entry = table_[code];
  const Bytes payload = o.protocol.useCmd ? static_cast<char>(code) + entry.query : entry.query;
  const Bytes packet = BuildSimPacket(payload, o.definition, o.protocol);
  if (!out_.Transmit(packet)) return false;
  out_.Write(o.lineBreak);
  out_.SelectColor(ColorRole::ProtSimulated);
  out_.Write("<COMM " + codeText + "> ");
  if (o.echo) out_.Write(RenderBytes(o.echoFormat, packet));
  out_.Write(o.lineBreak);
  out_.SelectColor(ColorRole::PortAData);
  if (o.protocol.useHandShake) {
    HandShakeFlags& flags = decoder_.Flags();
    if (o.definition.ackNakTimeoutTicks > 0) {
      flags.awaitingAckNak = true;
      out_.ArmTimer(decoder_.HandShakeTrigger(), o.definition.ackNakTimeoutTicks);
    }
    if (!entry.answer.empty()) flags.answerExpected = true;
    if (o.protocol.syncType == SyncType::Character && table_.IsSyncMarked(code)) {
      flags.syncExpected = true;
    }
  }
  return true;
}

void ProtocolSimulation::BeforePacketLine(int cmd) {
  const SimulationOptions o = options_();
  if (!o.protocol.useHandShake || o.protocol.syncType != SyncType::RtsCts || !SyncMarked(cmd)) {
    return;
  }
  if (!out_.SetRtsA(false)) return;
  out_.SelectColor(ColorRole::ProtSimulated);
  if (o.echo) out_.Write("<RTS Off as SYN>");
}

void ProtocolSimulation::AfterHandShakeAnswer(int cmd, bool acknowledged) {
  const SimulationOptions o = options_();
  HandShakeFlags& flags = decoder_.Flags();
  const auto code = static_cast<uint8_t>(cmd & 0xFF);
  const Bytes& answer = table_[code].answer;
  if (o.protocol.useCmd && !answer.empty() && acknowledged) {
    const uint8_t command = o.protocol.swapNibble ? SwapNibbles(code) : code;
    const Bytes packet =
        BuildSimPacket(static_cast<char>(command) + answer, o.definition, o.protocol);
    // A refused answer is reported by the output; the exchange ends here.
    if (!out_.Transmit(packet)) return;
    out_.Write(o.lineBreak);
    out_.SelectColor(ColorRole::ProtSimulated);
    out_.Write("<SIM. ANSWER> ");
    if (o.echo) out_.Write(RenderBytes(o.echoFormat, packet));
    out_.Write(o.lineBreak);
    out_.SelectColor(ColorRole::PortAData);
    if (o.protocol.useHandShake && o.definition.ackNakTimeoutTicks > 0) {
      flags.awaitingAckNak = true;
      if (o.protocol.syncType != SyncType::None && SyncMarked(cmd)) flags.syncToSend = true;
      out_.ArmTimer(decoder_.HandShakeTrigger(), o.definition.ackNakTimeoutTicks);
    }
  }
  // No ACK is awaited: the SYNC follows the delay at once.
  if (o.protocol.syncType != SyncType::None && !flags.awaitingAckNak && SyncMarked(cmd)) {
    out_.SelectColor(ColorRole::ProtSimulated);
    StartSyncDelay();
  }
}

void ProtocolSimulation::StartSyncDelay() {
  decoder_.Flags().syncToSend = false;
  timer_.Start(options_().protocol.syncDelayMs);
}

void ProtocolSimulation::SyncTimerExpired() {
  const SimulationOptions o = options_();
  timer_.Stop();
  if (o.protocol.syncType == SyncType::Character) {
    if (!out_.Transmit(Bytes(1, static_cast<char>(o.definition.SYN_CHAR)))) return;
    if (o.echo) out_.Write("<SYN>");
  } else {
    if (!out_.SetRtsA(true)) return;
    if (o.echo) {
      out_.SelectColor(ColorRole::ProtSimulated);
      out_.Write("<RTS On as SYN>");
    }
  }
}

}  // namespace ferrotap
