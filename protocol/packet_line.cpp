// SPDX-License-Identifier: MIT
// The packet decoder's annotated line and the packet as values.
#include "protocol/packet_decoder.h"

#include <string>

#include "protocol/command_names.h"

namespace ferrotap {

void PacketDecoder::SwitchColor(ColorRole role) {
  if (!line_.empty()) {
    out_.Write(line_);
    line_.clear();
  }
  out_.SelectColor(role);
}

void PacketDecoder::AppendField(const char* name, int value, bool outOfRange) {
  line_ += name;
  if (outOfRange) SwitchColor(ColorRole::ProtOutOfRange);
  AppendFieldNumber(line_, opt_->format, value);
  line_ += ' ';
  if (outOfRange) SwitchColor(DataColor());
}

// A checksum wider than a byte is one number, most significant byte first.
void PacketDecoder::AppendChecksum(uint32_t value) {
  const int width = ChecksumWidth(opt_->protocol.checksumKind);
  if (width > 1 && opt_->format == DisplayFormat::Dec) {
    line_ += std::to_string(value);
    return;
  }
  for (int i = width - 1; i >= 0; --i) {
    AppendFieldNumber(line_, opt_->format, static_cast<int>((value >> (8 * i)) & 0xFF));
  }
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

// Built whole and written once; a change of colour inside it writes what came before.
void PacketDecoder::WriteLine() {
  const ProtocolOptions& o = opt_->protocol;
  line_.clear();
  out_.SelectColor(DataColor());
  if (o.useId) AppendField("ID=", state_.id, !IdInRange());
  if (o.UsesLen() && !LenInRange()) {
    SwitchColor(ColorRole::ProtOutOfRange);
    line_ += "LEN=";
    AppendFieldNumber(line_, opt_->format, state_.len);
    line_ += ' ';
    SwitchColor(DataColor());
  }
  if (o.useCmd) {
    AppendField("COM=", state_.cmd, !CmdInRange());
    if (def_->commandNames != nullptr) {
      const std::string name = NameCommand(*def_->commandNames, state_.cmd, state_.data);
      if (!name.empty()) line_.append("(").append(name).append(") ");
    }
  }
  line_ += dataLabel_;
  if (state_.data.empty()) {
    line_ += "void";
  } else {
    AppendRenderedBytes(line_, opt_->format, state_.data);
  }
  if (o.useChecksum && !state_.cksRead) {
    // The packet ended before its checksum: there is nothing to compare.
    SwitchColor(ColorRole::ProtFatalError);
    line_ += "CKS missing";
    SwitchColor(DataColor());
  } else if (o.useChecksum && state_.receivedCks != state_.checksum) {
    SwitchColor(ColorRole::ProtFatalError);
    line_ += "CKS error: ";
    AppendChecksum(state_.receivedCks);
    line_ += '(';
    AppendChecksum(state_.checksum);
    line_ += ')';
    SwitchColor(DataColor());
  }
  line_ += opt_->lineBreak;
  out_.Write(line_);
  line_.clear();
}

const DecodedPacket& PacketDecoder::Framed() {
  const ProtocolOptions& o = opt_->protocol;
  DecodedPacket& packet = framed_;
  packet.stx = o.framing == Framing::BySilence ? -1 : state_.stxByte;
  packet.id = o.useId ? state_.id : -1;
  packet.len = o.UsesLen() ? state_.len : -1;
  packet.cmd = o.useCmd ? state_.cmd : -1;
  packet.data.assign(state_.data);
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
  packet.inRange = !(o.useId && !IdInRange()) && !(o.UsesLen() && !LenInRange()) &&
                   !(o.useCmd && !CmdInRange());
  return packet;
}

}  // namespace ferrotap
