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

// Each read of the chunk is measured against the end of the read before it: a gap of at least the
// silence ends the frame in progress before the read's bytes join the next one. A frame that lies
// in the chunk is decoded where it stands; only the one still open at the end is kept.
void PacketDecoder::DecodeBySilence(const Bytes& chunk, std::span<const ReadMark> marks) {
  framer_.SetGap(SilenceGap(opt_->protocol), opt_->line);
  const std::string_view bytes(chunk);
  std::size_t open = 0;  // where the open frame's bytes in this chunk start
  const auto complete = [&](std::size_t end) {
    if (frame_.empty()) {
      if (end > open) CompleteFrame(bytes.substr(open, end - open));
    } else {
      frame_.append(bytes.substr(open, end - open));
      const Bytes frame = std::move(frame_);
      frame_.clear();
      CompleteFrame(frame);
    }
    open = end;
  };
  for (std::size_t k = 0; k < marks.size(); ++k) {
    const std::size_t start = std::min(marks[k].offset, bytes.size());
    const std::size_t end =
        k + 1 < marks.size() ? std::min(marks[k + 1].offset, bytes.size()) : bytes.size();
    if (end <= start) continue;
    if (framer_.StartsFrame(marks[k].steadyNs, end - start)) complete(start);
    // A line that never rests: the frame is given up at the bound.
    if (frame_.size() + (end - open) >= kMaxEtxPacketData) {
      open = end;
      AbandonPacket("no silence");
    }
  }
  frame_.append(bytes.substr(open));
  if (frame_.size() >= kMaxEtxPacketData) AbandonPacket("no silence");
}

bool PacketDecoder::SilenceElapsed(int64_t nowNs, const ProtocolDefinition& definition,
                                   const DecoderOptions& options) {
  if (frame_.empty() || options.protocol.framing != Framing::BySilence) return false;
  Begin(definition, options);
  framer_.SetGap(SilenceGap(options.protocol), options.line);
  const bool ended = nowNs >= framer_.FrameEndNs();
  if (ended) {
    const Bytes frame = std::move(frame_);
    frame_.clear();
    CompleteFrame(frame);
  }
  def_ = nullptr;
  opt_ = nullptr;
  return ended;
}

std::optional<int64_t> PacketDecoder::SilenceDueNs() const {
  if (frame_.empty()) return std::nullopt;
  return framer_.FrameEndNs();
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
    state_.checksum = ComputeChecksum(o.checksumKind, frame.substr(0, dataEnd));
    state_.receivedCks = ChecksumFromBytes(frame.substr(dataEnd), o.checksumOrder);
    state_.cksRead = true;
  }
  Complete();
}

}  // namespace ferrotap
