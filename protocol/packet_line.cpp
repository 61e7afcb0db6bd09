// SPDX-License-Identifier: MIT
// The packet decoder's annotated line and the packet as values.
#include "protocol/packet_decoder.h"

#include <cstring>
#include <string>
#include <string_view>

#include "protocol/command_names.h"

namespace ferrotap {

// A checksum wider than a byte is one number, most significant byte first.
char* PacketDecoder::PutChecksum(char* p, uint32_t value) const {
  const int width = ChecksumWidth(opt_->protocol.checksumKind);
  if (width > 1 && opt_->format == DisplayFormat::Dec) {
    const std::string digits = std::to_string(value);
    std::memcpy(p, digits.data(), digits.size());
    return p + digits.size();
  }
  for (int i = width - 1; i >= 0; --i) {
    p = PutFieldNumber(p, opt_->format, static_cast<int>((value >> (8 * i)) & 0xFF));
  }
  return p;
}

bool PacketDecoder::IdInRange() const {
  return (state_.id == 0 || state_.id >= def_->ID_MIN) && state_.id <= def_->ID_MAX;
}

bool PacketDecoder::LenInRange() const {
  return !lenMismatch_ && state_.len >= def_->LEN_MIN && state_.len <= def_->LEN_MAX;
}

bool PacketDecoder::CmdInRange() const {
  return state_.cmd >= def_->CMD_MIN && state_.cmd <= def_->CMD_MAX;
}

// Built whole in line_ through a cursor and written once; a change of colour inside it writes
// what came before.
void PacketDecoder::WriteLine() {
  const ProtocolOptions& o = opt_->protocol;
  const DisplayFormat format = opt_->format;
  const std::string name = o.useCmd && def_->commandNames != nullptr
                               ? NameCommand(*def_->commandNames, state_.cmd, state_.data)
                               : std::string();
  // Three fields, the name, the label, the data, the checksum's words and two values of up to 32
  // digits, the break.
  const std::size_t bound = 3 * (4 + kFieldNumberBound + 1) + name.size() + 3 + dataLabel_.size() +
                            RenderedBytesBound(state_.data.size()) + 96 + opt_->lineBreak.size();
  line_.resize(bound);
  char* p = line_.data();
  const auto put = [&p](std::string_view text) {
    std::memcpy(p, text.data(), text.size());
    p += text.size();
  };
  const auto select = [&](ColorRole role) {
    line_.resize(static_cast<std::size_t>(p - line_.data()));
    if (!line_.empty()) out_.Write(line_);
    out_.SelectColor(role);
    line_.resize(bound);
    p = line_.data();
  };
  const auto field = [&](std::string_view label, int value, bool outOfRange) {
    put(label);
    if (outOfRange) select(ColorRole::ProtOutOfRange);
    p = PutFieldNumber(p, format, value);
    *p++ = ' ';
    if (outOfRange) select(DataColor());
  };
  out_.SelectColor(DataColor());
  if (o.useId) field("ID=", state_.id, !IdInRange());
  if (o.UsesLen() && !LenInRange()) {
    select(ColorRole::ProtOutOfRange);
    field("LEN=", state_.len, false);
    select(DataColor());
  }
  if (o.useCmd) {
    field("COM=", state_.cmd, !CmdInRange());
    if (!name.empty()) {
      put("(");
      put(name);
      put(") ");
    }
  }
  put(dataLabel_);
  if (state_.data.empty()) {
    put("void");
  } else {
    p = PutRenderedBytes(p, format, state_.data);
  }
  if (o.useChecksum && !state_.cksRead) {
    // The packet ended before its checksum: there is nothing to compare.
    select(ColorRole::ProtFatalError);
    put("CKS missing");
    select(DataColor());
  } else if (o.useChecksum && state_.receivedCks != state_.checksum) {
    select(ColorRole::ProtFatalError);
    put("CKS error: ");
    p = PutChecksum(p, state_.receivedCks);
    put("(");
    p = PutChecksum(p, state_.checksum);
    put(")");
    select(DataColor());
  }
  put(opt_->lineBreak);
  line_.resize(static_cast<std::size_t>(p - line_.data()));
  out_.Write(line_);
}

// Everything but the data, which the caller lends for the time of the call that takes it.
DecodedPacket& PacketDecoder::Framed() {
  const ProtocolOptions& o = opt_->protocol;
  DecodedPacket& packet = framed_;
  packet.stx = o.framing == Framing::BySilence ? -1 : state_.stxByte;
  packet.id = o.useId ? state_.id : -1;
  packet.len = o.UsesLen() ? state_.len : -1;
  packet.cmd = o.useCmd ? state_.cmd : -1;
  packet.checksum = ChecksumCheck::Unused;
  packet.receivedChecksum = -1;
  packet.computedChecksum = -1;
  if (o.useChecksum) {
    packet.computedChecksum = state_.checksum;
    if (!state_.cksRead) {
      packet.checksum = ChecksumCheck::Missing;
    } else {
      packet.receivedChecksum = state_.receivedCks;
      packet.checksum =
          state_.receivedCks == state_.checksum ? ChecksumCheck::Ok : ChecksumCheck::Error;
    }
  }
  packet.inRange =
      !(o.useId && !IdInRange()) && !(o.UsesLen() && !LenInRange()) && !(o.useCmd && !CmdInRange());
  return packet;
}

}  // namespace ferrotap
