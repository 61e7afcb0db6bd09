// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>

#include "protocol/checksum.h"
#include "protocol/command_names.h"

namespace ferrotap {

// Protocol time-outs are entered in seconds and held in dispatcher ticks of 55 ms; 18 a second.
inline constexpr int kTicksPerSecond = 18;

// The applied protocol values: copied from the Protocol Setting page by Apply and used until the
// next Apply. Field names are the keys of the .pdt file.
struct ProtocolDefinition {
  uint8_t STX_CHAR = 0x02;
  uint8_t ETX_CHAR = 0x03;
  uint8_t ACK_CHAR = 0x06;
  uint8_t NAK_CHAR = 0x15;
  uint8_t SYN_CHAR = 0x04;
  int ID_MIN = 1;
  int ID_MAX = 255;
  int ID_SIM = 1;
  int LEN_MIN = 2;
  int LEN_MAX = 250;
  int CMD_MIN = 1;
  int CMD_MAX = 250;
  int packTimeoutTicks = 1 * kTicksPerSecond;
  int ackNakTimeoutTicks = 1 * kTicksPerSecond;
  int syncTimeoutTicks = 2 * kTicksPerSecond;
  // Names of the CMD values, from the definition's file; none when null.
  std::shared_ptr<const CommandNames> commandNames;
};

// How packets are found in the byte stream: after an STX character, or as whatever arrives
// between two silences on the line.
enum class Framing { ByStx, BySilence };

// How the slave signals the end of a transaction: item index of the SYNC type selector.
enum class SyncType : int { None = 0, Character = 1, RtsCts = 2 };

// The live options of the Protocol Setting page, read from their controls at the moment of use.
struct ProtocolOptions {
  bool useId = true;
  bool endByLength = true;  // false: packets end with ETX
  bool useCmd = true;
  bool swapNibble = true;
  bool useHandShake = true;
  SyncType syncType = SyncType::None;
  bool useChecksum = true;
  int syncDelayMs = 500;
  Framing framing = Framing::ByStx;
  int silenceTenths = 35;  // the silence that ends a frame, in tenths of a character time
  // A frame found by silence carries a LEN byte; framed by STX, endByLength says so.
  bool silenceUsesLen = true;
  ChecksumKind checksumKind = ChecksumKind::Sum8;
  ByteOrder checksumOrder = ByteOrder::LowFirst;

  // Whether packets carry a LEN byte under either framing.
  bool UsesLen() const { return framing == Framing::BySilence ? silenceUsesLen : endByLength; }
};

}  // namespace ferrotap
