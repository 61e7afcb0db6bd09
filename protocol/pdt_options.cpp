// SPDX-License-Identifier: MIT
#include "protocol/pdt_options.h"

namespace ferrotap {

ProtocolOptions ProtocolOptionsOf(const PdtSettings& s) {
  ProtocolOptions o;
  o.useId = s.useId;
  o.endByLength = !s.useEtx;
  o.useCmd = s.useCmd;
  o.swapNibble = s.swapNibble;
  o.useHandShake = s.useHandShake;
  o.syncType = s.syncType == 1   ? SyncType::Character
               : s.syncType == 2 ? SyncType::RtsCts
                                 : SyncType::None;
  o.useChecksum = s.useChecksum;
  o.syncDelayMs = s.syncDelay;
  o.framing = s.extension.framing;
  o.silenceTenths = s.extension.silenceTenths;
  o.silenceUsesLen = s.extension.silenceUsesLen;
  o.checksumKind = s.extension.checksumKind;
  o.checksumOrder = s.extension.checksumOrder;
  return o;
}

}  // namespace ferrotap
