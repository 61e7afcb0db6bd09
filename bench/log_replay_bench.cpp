// SPDX-License-Identifier: MIT
// Playing a capture log back through a session: MB of log a second into an output that only
// counts what it is shown (target >= 50 MB/s). 64 MB of 256-byte chunks of both ports, rendered
// in HEX, with relative time stamps and a new line after 3.5 character times.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/capture_log_writer.h"
#include "serial/notification_loop.h"
#include "session/log_replay.h"
#include "session/loop_host.h"
#include "session/session.h"

namespace {

using namespace ferrotap;

constexpr std::size_t kLogBytes = std::size_t{64} << 20;
constexpr std::size_t kChunkBytes = 256;

class CountingOutput : public SessionOutput {
 public:
  void Show(ColorRole, const Bytes& text) override { shown += text.size(); }
  void ShowSystemText(const Bytes& text) override { shown += text.size(); }
  void Error(const std::string&) override {}
  void Info(const std::string&) override {}
  std::size_t shown = 0;
};

const std::string& LogPath() {
  static std::string path;
  if (!path.empty()) return path;
  char folder[] = "/tmp/log_replay_bench.XXXXXX";
  if (mkdtemp(folder) == nullptr) std::abort();
  path = std::string(folder) + "/bench.ftlog";
  std::atexit([] {
    std::remove(path.c_str());
    rmdir(path.substr(0, path.rfind('/')).c_str());
  });
  auto opened = CaptureLogWriter::Open(path, ClockBase::Now(), {}, {});
  std::string payload(kChunkBytes, '\0');
  CaptureRecordView record;
  int64_t time = 0;
  for (std::size_t written = 0; written < kLogBytes; written += kChunkBytes + 20) {
    for (std::size_t i = 0; i < kChunkBytes; ++i) payload[i] = static_cast<char>(written + i);
    record.port = (written / kChunkBytes) % 2 == 0 ? CapturePort::A : CapturePort::B;
    record.timeNs = time += 20'000'000;
    record.payload = payload;
    opened.writer->Append(record);
  }
  opened.writer->Flush();
  return path;
}

void ReplayStampedHex(benchmark::State& state) {
  const std::string& path = LogPath();
  SessionOptions options;
  options.timeStamps = TimeStampMode::Relative;
  options.idleGap = IdleGap{IdleGap::Unit::Characters, 3500};
  NotificationLoop loop;
  LoopHost host(loop, options);
  CountingOutput out;
  Session session(host, out);
  for (auto _ : state) benchmark::DoNotOptimize(ReplayCaptureLog(session, path).reason);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLogBytes));
  state.counters["shown"] = static_cast<double>(out.shown) / static_cast<double>(state.iterations());
}
BENCHMARK(ReplayStampedHex)->Unit(benchmark::kMillisecond);

}  // namespace
