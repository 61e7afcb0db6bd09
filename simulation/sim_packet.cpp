// SPDX-License-Identifier: MIT
#include "simulation/sim_packet.h"

#include "protocol/checksum.h"

namespace ferrotap {

Bytes BuildSimPacket(const Bytes& payload, const ProtocolDefinition& definition,
                     const ProtocolOptions& options) {
  const bool bySilence = options.framing == Framing::BySilence;
  const std::size_t checksumWidth =
      options.useChecksum ? static_cast<std::size_t>(ChecksumWidth(options.checksumKind)) : 0;
  Bytes packet;
  if (!bySilence) packet.push_back(static_cast<char>(definition.STX_CHAR));
  const std::size_t bodyStart = packet.size();
  if (options.useId) packet.push_back(static_cast<char>(definition.ID_SIM & 0xFF));
  if (options.UsesLen()) {
    packet.push_back(static_cast<char>((payload.size() + checksumWidth) & 0xFF));
  }
  packet += payload;
  if (options.useChecksum) {
    const std::uint32_t value =
        ComputeChecksum(options.checksumKind, std::string_view(packet).substr(bodyStart));
    packet += ChecksumBytes(options.checksumKind, value, options.checksumOrder);
  }
  if (!bySilence && !options.endByLength) packet.push_back(static_cast<char>(definition.ETX_CHAR));
  return packet;
}

}  // namespace ferrotap
