// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "core/bytes.h"

namespace ferrotap {

// The checksum of a framed packet: as computed, wrong, never read (the packet ended first), or
// not used by the protocol.
enum class ChecksumCheck { Ok, Error, Missing, Unused };

// One packet as its decoder framed it: the fields its annotated line shows, as values. A field the
// protocol does not use holds -1.
struct DecodedPacket {
  int stx = 0;
  int id = -1;
  int len = -1;
  int cmd = -1;
  Bytes data;
  ChecksumCheck checksum = ChecksumCheck::Unused;
  int64_t receivedChecksum = -1;
  int64_t computedChecksum = -1;
  // ID, LEN and CMD within the definition's limits.
  bool inRange = true;
};

}  // namespace ferrotap
