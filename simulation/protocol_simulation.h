// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>

#include "core/bytes.h"
#include "core/render.h"
#include "protocol/packet_decoder.h"
#include "protocol/protocol_definition.h"

namespace ferrotap {

class SimulationTable;

// The one-shot timer that delays the slave's SYNC; a new start restarts it.
class SyncTimer {
 public:
  virtual ~SyncTimer() = default;
  virtual void Start(int milliseconds) = 0;
  virtual void Stop() = 0;
};

// What the simulation reads at each call: the applied definition, the live options and the
// echo's look.
struct SimulationOptions {
  ProtocolDefinition definition;
  ProtocolOptions protocol;
  DisplayFormat echoFormat = DisplayFormat::Hex;
  Bytes lineBreak = "\r\n";
  bool echo = true;
};

// Port A as master or slave of the user's protocol, played from the simulation table. It acts
// only through the decoder's output, port A's hand-shake flags and trigger, and the SYNC timer,
// so it runs the same with or without a window.
class ProtocolSimulation : public SlaveHooks {
 public:
  using OptionsSource = std::function<SimulationOptions()>;

  ProtocolSimulation(PacketDecoder& decoderA, ProtocolOutput& output, const SimulationTable& table,
                     SyncTimer& timer, OptionsSource options);

  // Master: sends the query packet of command `code`, shown as "<COMM " + `codeText` + "> ".
  // Returns false, with nothing shown or flagged, when port A refused the packet.
  bool SendQuery(uint8_t code, const Bytes& codeText);

  // Slave steps, run by port A's decoder at the end of each packet.
  void BeforePacketLine(int cmd) override;
  void AfterHandShakeAnswer(int cmd, bool acknowledged) override;
  void StartSyncDelay() override;

  // The SYNC delay ran out: the slave's SYNC, as a character or on RTS.
  void SyncTimerExpired();

 private:
  bool SyncMarked(int cmd) const;

  PacketDecoder& decoder_;
  ProtocolOutput& out_;
  const SimulationTable& table_;
  SyncTimer& timer_;
  OptionsSource options_;
};

}  // namespace ferrotap
