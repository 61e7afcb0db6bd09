// SPDX-License-Identifier: MIT
// Reading a capture log back: MB of log file a second, for small and large records. The file is
// written once per run into a temporary folder and read from the page cache, so the figure is the
// reader's own speed, not the disk's.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/capture_log_reader.h"
#include "core/capture_log_writer.h"

namespace {

using namespace ferrotap;

constexpr std::size_t kLogBytes = std::size_t{64} << 20;

struct TemporaryLog {
  std::string folder;
  std::string path;
  std::size_t bytes = 0;
  ~TemporaryLog() {
    std::remove(path.c_str());
    rmdir(folder.c_str());
  }
};

// A log of kLogBytes of received records of `payloadBytes` each, both ports in turn.
const TemporaryLog& LogOf(std::size_t payloadBytes) {
  static std::string folderTemplate = "/tmp/capture_log_bench.XXXXXX";
  static TemporaryLog small, large;
  TemporaryLog& log = payloadBytes < 1024 ? small : large;
  if (log.bytes != 0) return log;
  std::string folder = folderTemplate;
  if (mkdtemp(folder.data()) == nullptr) std::abort();
  log.folder = folder;
  log.path = folder + "/bench.ftlog";
  CaptureLogWriterOptions options;
  options.maxFileBytes = kLogBytes * 2;
  auto opened = CaptureLogWriter::Open(log.path, ClockBase::Now(), options, nullptr);
  if (!opened.writer) std::abort();
  std::string payload(payloadBytes, '\0');
  int64_t time = 0;
  for (std::size_t written = 0; written < kLogBytes; written += payload.size() + 20) {
    for (auto& byte : payload) byte = static_cast<char>(time * 7 + (&byte - payload.data()));
    opened.writer->Append({time += 1000, time % 2 == 0 ? CapturePort::A : CapturePort::B,
                           CaptureKind::Received, CaptureLineEvent::None, 0, payload});
  }
  opened.writer.reset();
  log.bytes = kLogBytes;
  return log;
}

void BM_ReadCaptureLog(benchmark::State& state) {
  const TemporaryLog& log = LogOf(static_cast<std::size_t>(state.range(0)));
  uint64_t records = 0;
  for (auto _ : state) {
    CaptureLogReader reader;
    if (!reader.Open(log.path)) state.SkipWithError(reader.Stopped().message.c_str());
    CaptureRecordView record;
    uint64_t sum = 0;
    while (reader.Next(record)) sum += record.payload.size();
    if (reader.Stopped().reason != CaptureLogStop::Reason::End) {
      state.SkipWithError(reader.Stopped().message.c_str());
    }
    records = reader.RecordsRead();
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * log.bytes));
  state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_ReadCaptureLog)->Arg(64)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
