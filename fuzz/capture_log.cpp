// SPDX-License-Identifier: MIT
// The capture log reader. Any bytes: every header or record the parser accepts encodes back to
// exactly the bytes it took. Records written from the input: a log cut at any byte, or with one
// byte changed, reads back every record wholly before the cut or the change, equal to what was
// written, whatever the reader's block size.
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/capture_log_format.h"
#include "core/capture_log_reader.h"
#include "fuzz/fuzz_check.h"

namespace {

using namespace ferrotap;

struct Record {
  CaptureRecordView view;
  std::string payload;
};

void CheckAnyBytes(std::string_view bytes) {
  CaptureLogHeader header;
  const ParseResult parsedHeader = ParseCaptureLogHeader(bytes, header);
  if (parsedHeader.status == ParseStatus::Ok) {
    std::string again;
    AppendCaptureLogHeader(again, header);
    FUZZ_CHECK(again == bytes.substr(0, parsedHeader.size));
    bytes.remove_prefix(parsedHeader.size);
  }
  for (;;) {
    CaptureRecordView record;
    const ParseResult parsed = ParseCaptureRecord(bytes, record);
    if (parsed.status != ParseStatus::Ok) {
      FUZZ_CHECK(parsed.status == ParseStatus::NeedMore || !parsed.problem.empty());
      return;
    }
    FUZZ_CHECK(parsed.size <= bytes.size());
    std::string again;
    AppendCaptureRecord(again, record);
    FUZZ_CHECK(again == bytes.substr(0, parsed.size));
    bytes.remove_prefix(parsed.size);
  }
}

Record MakeRecord(FuzzedDataProvider& input) {
  Record record;
  auto& view = record.view;
  view.timeNs = input.ConsumeIntegral<int64_t>();
  view.port = static_cast<CapturePort>(input.ConsumeIntegralInRange<int>(0, 2));
  view.kind = static_cast<CaptureKind>(input.ConsumeIntegralInRange<int>(1, 5));
  if (view.kind == CaptureKind::LineEvent) {
    view.event = static_cast<CaptureLineEvent>(input.ConsumeIntegralInRange<int>(1, 5));
  }
  view.detail = input.ConsumeIntegral<uint8_t>();
  record.payload = view.kind == CaptureKind::Dropped
                       ? DroppedPayload({input.ConsumeIntegral<uint64_t>(), 0})
                       : input.ConsumeRandomLengthString(300);
  return record;
}

// A log in memory, at a path the reader opens like any file.
class MemoryFile {
 public:
  MemoryFile() : fd_(memfd_create("capture_log", 0)), path_("/proc/self/fd/" + std::to_string(fd_)) {}
  const std::string& Path(const std::string& bytes) {
    FUZZ_CHECK(ftruncate(fd_, 0) == 0);
    FUZZ_CHECK(pwrite(fd_, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()));
    return path_;
  }

 private:
  int fd_;
  std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemoryFile file;
  CheckAnyBytes({reinterpret_cast<const char*>(data), size});

  FuzzedDataProvider input(data, size);
  const std::size_t blockBytes = input.ConsumeIntegralInRange<std::size_t>(1, 5000);
  const bool flip = input.ConsumeBool();
  const auto where = input.ConsumeIntegral<uint32_t>();
  CaptureLogHeader header{0, input.ConsumeIntegral<uint64_t>(),
                          {input.ConsumeIntegral<int64_t>(), input.ConsumeIntegral<int64_t>()}};
  std::string bytes;
  AppendCaptureLogHeader(bytes, header);
  std::vector<Record> records;
  std::vector<std::size_t> ends;
  while (input.remaining_bytes() > 0 && records.size() < 64) {
    records.push_back(MakeRecord(input));
    records.back().view.payload = records.back().payload;
    AppendCaptureRecord(bytes, records.back().view);
    ends.push_back(bytes.size());
  }
  // The log cut at `cut`, or whole with the byte at `cut` changed.
  const std::size_t cut = where % (bytes.size() + 1);
  if (flip && cut < bytes.size()) {
    bytes[cut] = static_cast<char>(bytes[cut] ^ (1 + (where >> 24) % 255));
  } else {
    bytes.resize(cut);
  }
  std::size_t intact = 0;
  while (intact < ends.size() && ends[intact] <= cut) ++intact;

  CaptureLogReader reader(blockBytes);
  if (!reader.Open(file.Path(bytes))) {
    FUZZ_CHECK(cut < kCaptureLogHeaderSize);
    return 0;
  }
  FUZZ_CHECK(reader.Header() == header);
  CaptureRecordView back;
  std::size_t count = 0;
  while (reader.Next(back)) {
    if (count < intact) {
      // (The views of earlier records point into strings the vector has since moved.)
      const CaptureRecordView& written = records[count].view;
      FUZZ_CHECK(back.timeNs == written.timeNs && back.port == written.port &&
                 back.kind == written.kind && back.event == written.event &&
                 back.detail == written.detail && back.payload == records[count].payload);
    }
    ++count;
  }
  // A cut loses only what it cut; a changed byte can at worst make its own record unreadable.
  if (!flip) FUZZ_CHECK(count == intact);
  FUZZ_CHECK(count >= intact);
  FUZZ_CHECK(!flip || count <= intact + 1);
  return 0;
}
