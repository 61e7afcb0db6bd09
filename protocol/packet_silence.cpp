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
// silence ends the frame in progress before the read's bytes join the next one.
void PacketDecoder::DecodeBySilence(const Bytes& chunk, std::span<const ReadMark> marks) {
  framer_.SetGap(SilenceGap(opt_->protocol), opt_->line);
  std::size_t start = 0;
  for (std::size_t k = 0; k <= marks.size() && start < chunk.size(); ++k) {
    const std::size_t end =
        k + 1 < marks.size() ? std::min(marks[k + 1].offset, chunk.size()) : chunk.size();
    if (end <= start) continue;
    if (k < marks.size() && framer_.StartsFrame(marks[k].steadyNs, end - start) &&
        !frame_.empty()) {
      CompleteFrame();
    }
    const std::string_view bytes(chunk.data() + start, end - start);
    for (std::size_t taken = 0; taken < bytes.size();) {
      const std::size_t room = kMaxEtxPacketData - frame_.size();
      const std::size_t run = std::min(room, bytes.size() - taken);
      frame_.append(bytes.substr(taken, run));
      taken += run;
      if (frame_.size() == kMaxEtxPacketData) AbandonPacket("no silence");
    }
    start = end;
    // Without marks the chunk was one read; with them, this loop ends at the last one.
    if (marks.empty()) break;
  }
}

bool PacketDecoder::SilenceElapsed(int64_t nowNs, const ProtocolDefinition& definition,
                                   const DecoderOptions& options) {
  if (frame_.empty() || options.protocol.framing != Framing::BySilence) return false;
  Begin(definition, options);
  framer_.SetGap(SilenceGap(options.protocol), options.line);
  const bool ended = nowNs >= framer_.FrameEndNs();
  if (ended) CompleteFrame();
  def_ = nullptr;
  opt_ = nullptr;
  return ended;
}

std::optional<int64_t> PacketDecoder::SilenceDueNs() const {
  if (frame_.empty()) return std::nullopt;
  return framer_.FrameEndNs();
}

void PacketDecoder::CompleteFrame() {
  const ProtocolOptions& o = opt_->protocol;
  Bytes frame;
  frame.swap(frame_);
  const std::size_t header = (o.useId ? 1 : 0) + (o.silenceUsesLen ? 1 : 0) + (o.useCmd ? 1 : 0);
  const std::size_t width = o.useChecksum ? static_cast<std::size_t>(ChecksumWidth(o.checksumKind))
                                          : 0;
  const auto first = static_cast<uint8_t>(frame[0]);
  const bool handShake =
      o.useHandShake && (first == def_->ACK_CHAR || first == def_->NAK_CHAR ||
                         (o.syncType == SyncType::Character && first == def_->SYN_CHAR));
  if (frame.size() == 1 && handShake) {
    HandleOutside(first);
    out_.SelectColor(DataColor());
    frame_.swap(frame);
    frame_.clear();
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
    frame_.swap(frame);
    frame_.clear();
    return;
  }
  std::size_t at = 0;
  const auto next = [&] { return static_cast<uint8_t>(frame[at++]); };
  state_.id = o.useId ? next() : 0;
  state_.len = o.silenceUsesLen ? next() : 0;
  state_.cmd = o.useCmd ? next() : 0;
  const std::size_t dataEnd = frame.size() - width;
  state_.data.assign(frame, at, dataEnd - at);
  // LEN counts what follows it: CMD, data and checksum.
  lenMismatch_ = o.silenceUsesLen &&
                 static_cast<std::size_t>(state_.len) != frame.size() - (o.useId ? 2 : 1);
  if (o.useChecksum) {
    state_.checksum = ComputeChecksum(o.checksumKind, std::string_view(frame).substr(0, dataEnd));
    state_.receivedCks =
        ChecksumFromBytes(std::string_view(frame).substr(dataEnd), o.checksumOrder);
    state_.cksRead = true;
  }
  // The frame's buffer is kept for the next one.
  frame_.swap(frame);
  frame_.clear();
  Complete();
}

}  // namespace ferrotap
