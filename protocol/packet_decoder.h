// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/bytes.h"
#include "core/colors.h"
#include "core/render.h"
#include "protocol/decoded_packet.h"
#include "protocol/protocol_definition.h"

namespace ferrotap {

enum class DecoderPhase : int { Idle = 0, ExpectId, ExpectLen, ExpectCmd, InData, Complete };

// A packet that ends by ETX has no length to stop it: past this much data without ETX it is
// given up, so that a lost ETX cannot hold every following byte.
inline constexpr std::size_t kMaxEtxPacketData = 65536;

// One port's framing state; it survives between chunks and while decoding is off.
struct PacketDecoderState {
  DecoderPhase phase = DecoderPhase::Idle;
  int stxByte = 0;
  int id = 0;
  int remaining = 0;
  int len = 0;
  int cmd = 0;
  Bytes data;
  int receivedCks = 0;
  // Kept modulo 256 as the bytes come: a packet without end must not overflow it.
  int checksum = 0;
  // Whether the current packet's checksum byte was read: a packet can end before it.
  bool cksRead = false;
  uint16_t packTrigger = 0;

  void Sum(uint8_t b);
  // Back to Idle between packets; data and checksums stay until the next STX.
  void ResetPacket();
};

// Port A's side of the hand-shake, shared with the master and slave simulation.
struct HandShakeFlags {
  bool awaitingAckNak = false;
  bool syncExpected = false;
  bool answerExpected = false;
  bool syncToSend = false;
};

// A hand-shake character or a time-out as the decoder met it.
enum class ProtocolEvent { Ack, Nak, Sync, PackTimeout, AckNakTimeout, SyncTimeout };

// Everything the protocol engine does outside its own state. The window implements it; tests
// record it.
class ProtocolOutput {
 public:
  virtual ~ProtocolOutput() = default;
  // Writing goes in at the data window's caret, in the colour selected last.
  virtual void SelectColor(ColorRole role) = 0;
  virtual void Write(const Bytes& text) = 0;
  // Sends on port A; false when the port refused. The implementation reports the failure, so
  // the decoder carries on.
  virtual bool Transmit(const Bytes& bytes) = 0;
  virtual void ArmTimer(uint16_t trigger, int ticks) = 0;
  virtual void DisarmTimer(uint16_t trigger) = 0;
  // False when port A's RTS did not change: the implementation says why, once.
  virtual bool SetRtsA(bool on) = 0;
  // The same facts as the text, as values: a packet as its line shows it, and the hand-shake.
  virtual void PacketFramed(const DecodedPacket& /*packet*/) {}
  virtual void Seen(ProtocolEvent /*event*/) {}
};

// The slave role of the simulation, run by port A's decoder at the end of each packet.
class SlaveHooks {
 public:
  virtual ~SlaveHooks() = default;
  // Before the packet's line is written.
  virtual void BeforePacketLine(int cmd) = 0;
  // After the hand-shake answer; acknowledged tells whether ACK was sent.
  virtual void AfterHandShakeAnswer(int cmd, bool acknowledged) = 0;
  // The master's ACK arrived while the slave's SYNC was due.
  virtual void StartSyncDelay() = 0;
};

// The options of one call, read from the controls just before it.
struct DecoderOptions {
  ProtocolOptions protocol;
  DisplayFormat format = DisplayFormat::Hex;
  Bytes lineBreak = "\r\n";
  bool echo = true;
  bool simulateSlave = false;
};

// Frames the packets of one port and writes one annotated line per packet. Port A also answers
// the hand-shake and runs the slave hooks; port B only displays.
class PacketDecoder {
 public:
  enum class Port { A, B };

  PacketDecoder(Port port, ProtocolOutput& output);

  void Decode(const Bytes& chunk, const ProtocolDefinition& definition,
              const DecoderOptions& options);
  // The pack trigger fired: abandon a packet in progress.
  void PackTimedOut(const Bytes& lineBreak);
  // Port A's hand-shake trigger fired: the ACK/NAK or the SYNC wait ran out.
  void HandShakeTimedOut(const Bytes& lineBreak);
  // "Res curr Pack": stop both timers, drop the packet in progress and say why.
  void ResetCurrentPacket(const Bytes& text, const Bytes& lineBreak);

  PacketDecoderState& State() { return state_; }
  const PacketDecoderState& State() const { return state_; }
  HandShakeFlags& Flags() { return flags_; }
  const HandShakeFlags& Flags() const { return flags_; }
  void SetTriggers(uint16_t packTrigger, uint16_t handShakeTrigger);
  uint16_t HandShakeTrigger() const { return handShakeTrigger_; }
  void SetSlaveHooks(SlaveHooks* hooks) { slave_ = hooks; }

 private:
  enum class InDataStep {
    Consumed,
    Last,     // the packet's last byte or its ETX: the completion consumes it
    TooLong,  // past kMaxEtxPacketData without ETX
  };

  // One turn of the main loop on byte b; returns whether b was consumed.
  bool HandleIdle(uint8_t b);
  void HandleHandShake(uint8_t b);
  InDataStep HandleInData(uint8_t b);
  // Drops the packet in progress with a line that says why.
  void AbandonPacket();
  void Complete();
  void WriteLine();
  DecodedPacket Framed() const;
  void AnswerHandShake(bool& acknowledged);
  void WriteField(const char* name, int value, bool outOfRange);
  ColorRole DataColor() const;
  ColorRole HandShakeColor() const;

  Port port_;
  ProtocolOutput& out_;
  PacketDecoderState state_;
  HandShakeFlags flags_;
  uint16_t handShakeTrigger_ = 0;
  SlaveHooks* slave_ = nullptr;

  // Valid during Decode only.
  const ProtocolDefinition* def_ = nullptr;
  const DecoderOptions* opt_ = nullptr;
};

}  // namespace ferrotap
