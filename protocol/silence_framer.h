// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <algorithm>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/idle_gap.h"
#include "protocol/checksum.h"

namespace ferrotap {

// What ends a frame by silence and what makes one whole.
struct SilenceRules {
  IdleGap gap;
  CharacterFrame line;
  // A frame ends with a checksum over its other bytes; without one, timing alone frames.
  bool useChecksum = false;
  ChecksumKind checksumKind = ChecksumKind::Crc16Modbus;
  ByteOrder checksumOrder = ByteOrder::LowFirst;
  // Bytes before the checksum that every frame has (address, LEN, CMD).
  std::size_t headerBytes = 0;
  // Bytes that stand alone as a frame of one (hand-shake characters).
  std::bitset<256> loneBytes;
};

// The longest a port's reader thread is taken to be late: a silence seen by a timer (no read for
// that long) is shorter than this only on slow lines. How long an end that the checksums cannot
// confirm is held open before the timing alone cuts it. The longest frame searched for a
// checksum.
inline constexpr int64_t kLateReadNs = 3'000'000;
inline constexpr int64_t kSilenceHoldNs = 100'000'000;
inline constexpr std::size_t kLongestCheckedFrame = 1024;

// Splits received bytes into frames by the silences between them, using the read times of the
// port's reads (serial/read_mark.h) and, where the frames carry one, their checksum.
//
// Read times are when the reader thread woke, not when the bytes crossed the line, and an adapter
// may deliver in packets: a late wake-up makes a frame look split (an apparent silence inside it)
// or puts the end of one frame and the start of the next in one read (its silence hidden). At
// 1 Mbit/s the silence is 38.5 us, shorter than a wake-up, so timing alone cannot frame there.
// With a checksum the bytes decide and the times only say where a cut may be:
// - A cut is made where the bytes before it check and the bytes after it start a frame that
//   checks too. A 16-bit CRC matches by chance once in 65536 positions, which over 100 000 frames
//   happens several times; two frames in a row by chance is once in 2^32. The times cannot rule
//   a cut out: an adapter or a driver passes bytes on in packets, so bytes read together may
//   have crossed the line with a silence between them.
// - When the line rests (no read for the silence, and at least kLateReadNs), what is open is cut
//   into frames that all check if it can be. A silence that long seen between reads ends the
//   bytes before it at a rest when they check, and at once when two frames that check follow.
// - Bytes that do not check (a damaged frame, a reader later than kLateReadNs) are held open for
//   kSilenceHoldNs of read time after the apparent silence, then cut where the next frame that
//   checks starts, or else at that silence.
// Without a checksum the apparent silences alone frame.
class SilenceFramer {
 public:
  using Emit = std::function<void(std::string_view frame)>;

  void SetRules(const SilenceRules& rules);
  // One read of the port that returned at `readNs`: emits the frames it ends.
  void Read(std::string_view bytes, int64_t readNs, const Emit& emit);
  // Bytes of unknown read time: they continue the open frame.
  void Continue(std::string_view bytes, const Emit& emit);
  // The line is quiet at `nowNs`: emits what the silence ends; true when no frame stays open.
  bool Rest(int64_t nowNs, const Emit& emit);
  // When Rest ends the open frame if nothing more arrives; none when no frame is open.
  std::optional<int64_t> DueNs();
  std::size_t OpenSize() const { return open_.size() - head_; }
  // Whether the frame being emitted ends with its checksum, as the search that cut it found; false
  // also when no search went over it.
  bool FrameChecks() const { return frameChecks_; }
  void Clear();

 private:
  // Flags of each open byte: what the reads' times say about a silence before it.
  static constexpr uint8_t kMayCut = 1;   // read with a time: a silence may be before it
  static constexpr uint8_t kSeenGap = 2;  // the times show one
  static constexpr uint8_t kRested = 4;   // one as long as a rest

  // A search for frames that check from one place of the open bytes, kept as it goes: bytes only
  // ever join the end, so what it found stays found and a later question goes on where it
  // stopped. Positions are in open_, as stored.
  struct Scan {
    std::size_t from = 0;
    std::size_t fed = 0;  // the bytes [from, fed) are in the sum
    RunningChecksum sum;
    // Where the bytes before the checksum match it, whether or not a cut may be there.
    std::vector<std::size_t> matches;
  };

  // Where the frame at the start of the open bytes ends, 0 when not yet known.
  std::size_t NextEnd(bool resting, bool force);
  // Where bytes that do not check are cut after the hold.
  std::size_t ForcedEnd(bool resting);
  // The silence after the last read at which the line counts as resting.
  int64_t RestNs() const { return std::max(gapNs_, kLateReadNs); }
  // The first end e after `after` where the open bytes [from, e) check as a frame and a cut may
  // be; 0 when there is none.
  std::size_t EndAfter(std::size_t from, std::size_t after);
  // The ends where the open bytes from `from` check as a frame, ascending.
  void CheckingEnds(std::size_t from, std::vector<std::size_t>& ends);
  bool HasCheckingEnd(std::size_t from) { return EndAfter(from, from) != 0; }
  // Whether two frames that check follow each other from `from`.
  bool ChainFrom(std::size_t from);
  // Whether the open bytes from `from` on are all frames that check.
  bool AllCheck(std::size_t from, std::vector<std::size_t>& failed);
  std::size_t FirstSeenGap() const;
  bool CutAt(std::size_t end) const {
    return end == OpenSize() || (flags_[head_ + end] & kMayCut) != 0;
  }
  Scan& ScanFrom(std::size_t at);
  void Settle(bool resting, bool force, const Emit& emit);
  void TakeFront(std::size_t end, const Emit& emit);

  SilenceRules rules_;
  int64_t gapNs_ = 0;
  std::size_t minFrame_ = 1;
  std::size_t width_ = 0;
  bool anyLone_ = false;
  // The open bytes are open_ from head_ on: a frame taken moves head_, and the bytes before it
  // are dropped only once they are many.
  Bytes open_;
  std::size_t head_ = 0;
  std::vector<uint8_t> flags_;
  // The read time of each apparent silence in the open bytes, by position.
  std::vector<std::pair<std::size_t, int64_t>> seen_;
  // By `from`; the searches of frames taken are kept in spare_ for their memory.
  std::vector<Scan> scans_;
  std::vector<Scan> spare_;
  Bytes frame_;
  int64_t lastReadNs_ = 0;
  int64_t timedCount_ = 0;  // the byte count of the last read, and how long its bytes took
  int64_t timedNs_ = 0;
  bool haveRead_ = false;
  // Whether the open bytes all check: the silence then ends them without a hold. Worked out when
  // asked, once a chunk, not at every read.
  bool openChecks_ = false;
  bool openChecksKnown_ = false;
  bool frameChecks_ = false;
};

}  // namespace ferrotap
