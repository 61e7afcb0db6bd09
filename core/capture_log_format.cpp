// SPDX-License-Identifier: MIT
#include "core/capture_log_format.h"

#include <algorithm>
#include <cstdio>

#include "core/crc32.h"

namespace ferrotap {
namespace {

// Little-endian whatever the machine: the file moves between machines.
template <typename T>
void Put(std::string& out, T value) {
  for (std::size_t n = 0; n < sizeof(T); ++n) {
    out.push_back(static_cast<char>(static_cast<uint64_t>(value) >> (8 * n)));
  }
}

template <typename T>
T Get(std::string_view bytes, std::size_t at) {
  uint64_t value = 0;
  for (std::size_t n = 0; n < sizeof(T); ++n) {
    value |= uint64_t{static_cast<unsigned char>(bytes[at + n])} << (8 * n);
  }
  return static_cast<T>(value);
}

ParseResult Damaged(std::string problem) { return {ParseStatus::Damaged, 0, std::move(problem)}; }

bool ValidKindAndEvent(uint8_t kind, uint8_t event) {
  if (kind < static_cast<uint8_t>(CaptureKind::Received) ||
      kind > static_cast<uint8_t>(CaptureKind::Dropped)) {
    return false;
  }
  if (kind != static_cast<uint8_t>(CaptureKind::LineEvent)) return event == 0;
  return event >= static_cast<uint8_t>(CaptureLineEvent::Error) &&
         event <= static_cast<uint8_t>(CaptureLineEvent::ModemChange);
}

}  // namespace

void AppendCaptureLogHeader(std::string& out, const CaptureLogHeader& header) {
  const std::size_t start = out.size();
  out.append(kCaptureLogMagic);
  Put<uint16_t>(out, kCaptureLogVersion);
  Put<uint16_t>(out, 0);
  Put<uint32_t>(out, header.sequence);
  Put<uint64_t>(out, header.logId);
  Put<int64_t>(out, header.clock.wallNs);
  Put<int64_t>(out, header.clock.steadyNs);
  Put<uint32_t>(out, Crc32(std::string_view(out).substr(start)));
}

void AppendCaptureRecord(std::string& out, const CaptureRecordView& record) {
  const std::size_t start = out.size();
  Put<uint32_t>(out, static_cast<uint32_t>(record.payload.size()));
  out.push_back(static_cast<char>(record.port));
  out.push_back(static_cast<char>(record.kind));
  out.push_back(static_cast<char>(record.event));
  out.push_back(static_cast<char>(record.detail));
  Put<int64_t>(out, record.timeNs);
  out.append(record.payload);
  Put<uint32_t>(out, Crc32(std::string_view(out).substr(start)));
}

ParseResult ParseCaptureLogHeader(std::string_view bytes, CaptureLogHeader& header) {
  const std::size_t magicPart = std::min(bytes.size(), kCaptureLogMagic.size());
  if (bytes.substr(0, magicPart) != kCaptureLogMagic.substr(0, magicPart)) {
    return Damaged("it is not a capture log");
  }
  if (bytes.size() < kCaptureLogHeaderSize) return {ParseStatus::NeedMore, 0, {}};
  const auto version = Get<uint16_t>(bytes, 8);
  if (version != kCaptureLogVersion) {
    return Damaged("its format version " + std::to_string(version) +
                   " is not the one this program reads (" + std::to_string(kCaptureLogVersion) +
                   ")");
  }
  if (Crc32(bytes.substr(0, 40)) != Get<uint32_t>(bytes, 40)) {
    return Damaged("its header is damaged");
  }
  header.sequence = Get<uint32_t>(bytes, 12);
  header.logId = Get<uint64_t>(bytes, 16);
  header.clock.wallNs = Get<int64_t>(bytes, 24);
  header.clock.steadyNs = Get<int64_t>(bytes, 32);
  return {ParseStatus::Ok, kCaptureLogHeaderSize, {}};
}

ParseResult ParseCaptureRecord(std::string_view bytes, CaptureRecordView& record) {
  if (bytes.size() < kCaptureRecordHeaderSize) return {ParseStatus::NeedMore, 0, {}};
  const auto length = Get<uint32_t>(bytes, 0);
  const auto port = static_cast<uint8_t>(bytes[4]);
  const auto kind = static_cast<uint8_t>(bytes[5]);
  const auto event = static_cast<uint8_t>(bytes[6]);
  // Checked before waiting for the rest, so that damage is not mistaken for a cut.
  if (length > kCaptureMaxPayload || port > static_cast<uint8_t>(CapturePort::Echo) ||
      !ValidKindAndEvent(kind, event) ||
      (kind == static_cast<uint8_t>(CaptureKind::Dropped) && length != 16)) {
    return Damaged("a record's fields are impossible");
  }
  const std::size_t size = kCaptureRecordOverhead + length;
  if (bytes.size() < size) return {ParseStatus::NeedMore, 0, {}};
  if (Crc32(bytes.substr(0, size - 4)) != Get<uint32_t>(bytes, size - 4)) {
    return Damaged("a record's checksum does not match");
  }
  record.port = static_cast<CapturePort>(port);
  record.kind = static_cast<CaptureKind>(kind);
  record.event = static_cast<CaptureLineEvent>(event);
  record.detail = static_cast<uint8_t>(bytes[7]);
  record.timeNs = Get<int64_t>(bytes, 8);
  record.payload = bytes.substr(kCaptureRecordHeaderSize, length);
  return {ParseStatus::Ok, size, {}};
}

std::string DroppedPayload(const DroppedCounts& counts) {
  std::string payload;
  Put<uint64_t>(payload, counts.records);
  Put<uint64_t>(payload, counts.bytes);
  return payload;
}

DroppedCounts ParseDroppedPayload(std::string_view payload) {
  if (payload.size() != 16) return {};
  return {Get<uint64_t>(payload, 0), Get<uint64_t>(payload, 8)};
}

std::string CaptureLogContinuationPath(const std::string& path, uint32_t sequence) {
  char number[16];
  std::snprintf(number, sizeof number, "-%04u", static_cast<unsigned>(sequence));
  const std::size_t nameStart = path.find_last_of('/') + 1;  // 0 when there is no folder
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot <= nameStart) return path + number;
  return path.substr(0, dot) + number + path.substr(dot);
}

}  // namespace ferrotap
