// SPDX-License-Identifier: MIT
#include "simulation/sim_packet.h"

namespace ferrotap {

Bytes BuildSimPacket(const Bytes& payload, const ProtocolDefinition& definition,
                     const ProtocolOptions& options) {
  Bytes body;
  if (options.useId) body.push_back(static_cast<char>(definition.ID_SIM & 0xFF));
  if (options.endByLength) {
    const std::size_t length = payload.size() + (options.useChecksum ? 1 : 0);
    body.push_back(static_cast<char>(length & 0xFF));
  }
  body += payload;
  if (options.useChecksum) {
    unsigned sum = 0;
    for (char byte : body) sum += static_cast<unsigned char>(byte);
    body.push_back(static_cast<char>(sum & 0xFF));
  }
  if (!options.endByLength) body.push_back(static_cast<char>(definition.ETX_CHAR));
  return static_cast<char>(definition.STX_CHAR) + body;
}

}  // namespace ferrotap
