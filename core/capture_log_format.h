// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/clock_base.h"

// The capture log's binary layout (docs/capture-log.md): a header, then records, each closed by a
// CRC-32, so that a file cut anywhere reads back every complete record and a damaged one is
// noticed rather than misread.
namespace ferrotap {

inline constexpr std::string_view kCaptureLogMagic{"\x89" "FTLOG\r\n", 8};
inline constexpr uint16_t kCaptureLogVersion = 1;
inline constexpr std::size_t kCaptureLogHeaderSize = 44;
inline constexpr std::size_t kCaptureRecordHeaderSize = 16;
inline constexpr std::size_t kCaptureRecordOverhead = kCaptureRecordHeaderSize + 4;
// Larger payloads are split into several records; a larger length field means damage.
inline constexpr std::size_t kCaptureMaxPayload = 1 << 20;

struct CaptureLogHeader {
  uint32_t sequence = 0;  // 0 for the first file of a log, n for its n-th continuation
  uint64_t logId = 0;     // the same in every file of one log
  ClockBase clock;
  bool operator==(const CaptureLogHeader&) const = default;
};

enum class CapturePort : uint8_t { A = 0, B = 1, Echo = 2 };

enum class CaptureKind : uint8_t {
  Received = 1,   // bytes read from the port
  Sent = 2,       // bytes written to the port
  LineEvent = 3,  // see CaptureLineEvent; payload: an optional message
  Text = 4,       // text as the data window showed it; detail: its colour role
  Dropped = 5,    // records the writer could not queue; payload: two u64, records and bytes
};

enum class CaptureLineEvent : uint8_t {
  None = 0,
  Error = 1,        // detail: the line error bits
  Break = 2,
  Loss = 3,         // the device went away
  Return = 4,       // the device came back
  ModemChange = 5,  // detail: the modem status byte
};

struct CaptureRecordView {
  int64_t timeNs = 0;  // steady-clock read time
  CapturePort port = CapturePort::A;
  CaptureKind kind = CaptureKind::Received;
  CaptureLineEvent event = CaptureLineEvent::None;
  uint8_t detail = 0;
  std::string_view payload;
};

void AppendCaptureLogHeader(std::string& out, const CaptureLogHeader& header);
// Appends one record; the payload must not exceed kCaptureMaxPayload.
void AppendCaptureRecord(std::string& out, const CaptureRecordView& record);

enum class ParseStatus {
  Ok,        // a header or record was read
  NeedMore,  // the bytes end before it does: a cut, or a block boundary of the caller
  Damaged,   // the bytes are not a header or record of this format
};

struct ParseResult {
  ParseStatus status = ParseStatus::Ok;
  std::size_t size = 0;  // bytes taken, when Ok
  std::string problem;   // when Damaged: what is wrong, for the user
};

ParseResult ParseCaptureLogHeader(std::string_view bytes, CaptureLogHeader& header);
// The record at the start of `bytes`; its payload views into `bytes`.
ParseResult ParseCaptureRecord(std::string_view bytes, CaptureRecordView& record);

// Counts carried by a Dropped record.
struct DroppedCounts {
  uint64_t records = 0;
  uint64_t bytes = 0;
};
std::string DroppedPayload(const DroppedCounts& counts);
DroppedCounts ParseDroppedPayload(std::string_view payload);

// The file that continues a log past its size limit: "day.ftlog" is continued by
// "day-0001.ftlog", "day-0002.ftlog", ...; a name without an extension gets the number at its end.
std::string CaptureLogContinuationPath(const std::string& path, uint32_t sequence);

}  // namespace ferrotap
