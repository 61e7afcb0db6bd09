// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/bytes.h"
#include "core/colors.h"
#include "core/idle_gap.h"
#include "core/render.h"
#include "protocol/checksum.h"
#include "protocol/decoded_packet.h"
#include "protocol/protocol_definition.h"
#include "protocol/silence_framer.h"
#include "serial/read_mark.h"

namespace ferrotap {

enum class DecoderPhase : int { Idle = 0, ExpectId, ExpectLen, ExpectCmd, InData, Complete };

// A packet that ends by ETX, or a frame that ends by silence, has no length to stop it: past this
// much data without its end it is given up, so that a lost ETX or a line that never rests cannot
// hold every following byte.
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
  // The checksum as received and as computed over the bytes so far, in the kind's width.
  uint32_t receivedCks = 0;
  uint32_t checksum = 0;
  // Whether the current packet's checksum bytes were all read: a packet can end before them.
  bool cksRead = false;
  uint16_t packTrigger = 0;

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
  // How characters go on the port's line: the silence that ends a frame is counted in them.
  CharacterFrame line;
};

// Frames the packets of one port and writes one annotated line per packet. Port A also answers
// the hand-shake and runs the slave hooks; port B only displays.
class PacketDecoder {
 public:
  enum class Port { A, B };

  PacketDecoder(Port port, ProtocolOutput& output);

  // `marks` tell when each part of the chunk was read (see serial/read_mark.h); framing by
  // silence needs them, and a chunk without marks continues the frame in progress.
  void Decode(const Bytes& chunk, const ProtocolDefinition& definition,
              const DecoderOptions& options, std::span<const ReadMark> marks = {});
  // Framing by silence: the frame in progress ends when the line has rested for the silence by
  // `nowNs` (steady clock). True when it ended.
  bool SilenceElapsed(int64_t nowNs, const ProtocolDefinition& definition,
                      const DecoderOptions& options);
  // When the frame in progress ends if nothing more arrives; none when no frame is open.
  std::optional<int64_t> SilenceDueNs();
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

  void Begin(const ProtocolDefinition& definition, const DecoderOptions& options);
  void DecodeByStx(const Bytes& chunk);
  void DecodeBySilence(const Bytes& chunk, std::span<const ReadMark> marks);
  SilenceRules RulesOfSilence() const;
  std::size_t TakeWholePacket(const Bytes& chunk, std::size_t i);
  // Returns whether b was a hand-shake character or a stray byte; false when it opened a packet.
  bool HandleIdle(uint8_t b);
  void HandleOutside(uint8_t b);
  void HandleHandShake(uint8_t b);
  // Takes data bytes from chunk[i] on; returns how many it consumed and sets `step`.
  std::size_t HandleInData(const Bytes& chunk, std::size_t i, InDataStep& step);
  // The frame between two silences, as a packet or as bytes outside packets.
  void CompleteFrame(std::string_view frame);
  // Drops the packet in progress with a line that says why.
  void AbandonPacket(const char* why);
  void Complete();
  void WriteLine();
  DecodedPacket& Framed();
  bool ChecksumGood() const;
  bool IdInRange() const;
  bool LenInRange() const;
  bool CmdInRange() const;
  void AnswerHandShake(bool& acknowledged);
  // Writes a checksum's value at p as the line shows it; returns the end.
  char* PutChecksum(char* p, uint32_t value) const;
  ColorRole DataColor() const;
  ColorRole HandShakeColor() const;

  Port port_;
  ProtocolOutput& out_;
  PacketDecoderState state_;
  HandShakeFlags flags_;
  uint16_t handShakeTrigger_ = 0;
  SlaveHooks* slave_ = nullptr;

  // The checksum over the bytes of the packet in progress, and its bytes as received.
  RunningChecksum running_;
  Bytes cksBytes_;
  // Framing by silence: the bytes of the frame still open after a chunk, and where frames end.
  SilenceFramer silence_;
  // The frame's LEN does not count what the frame holds.
  bool lenMismatch_ = false;
  // Reused from packet to packet, so that a line costs no allocation.
  Bytes line_;
  Bytes dataLabel_;
  DecodedPacket framed_;

  // Valid during Decode only.
  const ProtocolDefinition* def_ = nullptr;
  const DecoderOptions* opt_ = nullptr;
};

}  // namespace ferrotap
