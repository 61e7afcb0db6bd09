// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

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
};

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
};

}  // namespace ferrotap
