// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "core/bytes.h"
#include "protocol/protocol_definition.h"

namespace ferrotap {

// Frames a payload (the CMD byte, if any, then the data) as a packet of the current protocol:
// STX, the simulation's ID, the length, the payload, the checksum and ETX, each as the options
// ask; framed by silence, without STX and ETX. The length counts the payload and the checksum's
// bytes; the checksum covers ID to the last data byte, in the options' kind and byte order.
Bytes BuildSimPacket(const Bytes& payload, const ProtocolDefinition& definition,
                     const ProtocolOptions& options);

// 0x07 becomes 0x70: the command byte of an answer when the peer expects it swapped.
constexpr uint8_t SwapNibbles(uint8_t byte) {
  return static_cast<uint8_t>((byte << 4) | (byte >> 4));
}

}  // namespace ferrotap
