// SPDX-License-Identifier: MIT
// The packet decoder framing by silence: a frame is what arrives between two gaps of the line, and
// its fields start at its first byte.
#include "protocol/packet_decoder.h"

#include <algorithm>
#include <string_view>

namespace ferrotap {
namespace {

IdleGap SilenceGap(const ProtocolOptions& o) {
  return {IdleGap::Unit::Characters, int64_t{o.silenceTenths} * 100};
}

}  // namespace

SilenceRules PacketDecoder::RulesOfSilence() const {
  const ProtocolOptions& o = opt_->protocol;
  SilenceRules rules;
  rules.gap = SilenceGap(o);
  rules.line = opt_->line;
  rules.useChecksum = o.useChecksum;
  rules.checksumKind = o.checksumKind;
  rules.checksumOrder = o.checksumOrder;
  rules.headerBytes = (o.useId ? 1 : 0) + (o.silenceUsesLen ? 1 : 0) + (o.useCmd ? 1 : 0);
  if (o.useHandShake) {
    rules.loneBytes.set(def_->ACK_CHAR);
    rules.loneBytes.set(def_->NAK_CHAR);
    if (o.syncType == SyncType::Character) rules.loneBytes.set(def_->SYN_CHAR);
  }
  return rules;
}

// Each read of the chunk goes to the framer with its time; the frames it ends are decoded where
// they stand.
void PacketDecoder::DecodeBySilence(const Bytes& chunk, std::span<const ReadMark> marks) {
  silence_.SetRules(RulesOfSilence());
  const SilenceFramer::Emit emit = [this](std::string_view frame) { CompleteFrame(frame); };
  const std::string_view bytes(chunk);
  if (marks.empty()) silence_.Continue(bytes, emit);
  for (std::size_t k = 0; k < marks.size(); ++k) {
    const std::size_t start = std::min(marks[k].offset, bytes.size());
    const std::size_t end =
        k + 1 < marks.size() ? std::min(marks[k + 1].offset, bytes.size()) : bytes.size();
    if (end <= start) continue;
    silence_.Read(bytes.substr(start, end - start), marks[k].steadyNs, emit);
    // A line that never rests: the frame is given up at the bound.
    if (silence_.OpenSize() >= kMaxEtxPacketData) AbandonPacket("no silence");
  }
  if (silence_.OpenSize() >= kMaxEtxPacketData) AbandonPacket("no silence");
}

bool PacketDecoder::SilenceElapsed(int64_t nowNs, const ProtocolDefinition& definition,
                                   const DecoderOptions& options) {
  if (silence_.OpenSize() == 0 || options.protocol.framing != Framing::BySilence) return false;
  Begin(definition, options);
  silence_.SetRules(RulesOfSilence());
  const bool ended =
      silence_.Rest(nowNs, [this](std::string_view frame) { CompleteFrame(frame); });
  def_ = nullptr;
  opt_ = nullptr;
  return ended;
}

std::optional<int64_t> PacketDecoder::SilenceDueNs() {
  return silence_.DueNs();
}

void PacketDecoder::CompleteFrame(std::string_view frame) {
  const ProtocolOptions& o = opt_->protocol;
  const std::size_t header = (o.useId ? 1 : 0) + (o.silenceUsesLen ? 1 : 0) + (o.useCmd ? 1 : 0);
  const std::size_t width =
      o.useChecksum ? static_cast<std::size_t>(ChecksumWidth(o.checksumKind)) : 0;
  const auto first = static_cast<uint8_t>(frame[0]);
  const bool handShake =
      o.useHandShake && (first == def_->ACK_CHAR || first == def_->NAK_CHAR ||
                         (o.syncType == SyncType::Character && first == def_->SYN_CHAR));
  if (frame.size() == 1 && handShake) {
    HandleOutside(first);
    out_.SelectColor(DataColor());
    return;
  }
  if (frame.size() < header + width) {
    // Too short for the fields: bytes outside packets, on a line of their own.
    out_.SelectColor(ColorRole::ProtFatalError);
    line_.clear();
    AppendRenderedBytes(line_, opt_->format, frame);
    line_ += opt_->lineBreak;
    out_.Write(line_);
    line_.clear();
    out_.SelectColor(DataColor());
    return;
  }
  std::size_t at = 0;
  const auto next = [&] { return static_cast<uint8_t>(frame[at++]); };
  state_.id = o.useId ? next() : 0;
  state_.len = o.silenceUsesLen ? next() : 0;
  state_.cmd = o.useCmd ? next() : 0;
  const std::size_t dataEnd = frame.size() - width;
  state_.data.assign(frame.substr(at, dataEnd - at));
  // LEN counts what follows it: CMD, data and checksum.
  lenMismatch_ =
      o.silenceUsesLen && static_cast<std::size_t>(state_.len) != frame.size() - (o.useId ? 2 : 1);
  if (o.useChecksum) {
    state_.receivedCks = ChecksumFromBytes(frame.substr(dataEnd), o.checksumOrder);
    // The framer has worked out the sum of a frame it cut where the checksum matched.
    state_.checksum = silence_.FrameChecks()
                          ? state_.receivedCks
                          : ComputeChecksum(o.checksumKind, frame.substr(0, dataEnd));
    state_.cksRead = true;
  }
  Complete();
}

}  // namespace ferrotap
