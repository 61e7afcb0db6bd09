// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "protocol/checksum.h"

namespace {

// Each kind over a 64 KB block fed as 256-byte pieces, the way a packet's bytes reach it from
// read chunks; the rate is in bytes of input.
void BM_Checksum(benchmark::State& state) {
  const auto kind = static_cast<ferrotap::ChecksumKind>(state.range(0));
  std::mt19937 random(7);
  std::string block(64 * 1024, '\0');
  for (char& c : block) c = static_cast<char>(random() & 0xFF);
  ferrotap::RunningChecksum checksum(kind);
  for (auto _ : state) {
    checksum.Reset();
    for (std::size_t at = 0; at < block.size(); at += 256) {
      checksum.Feed(std::string_view(block).substr(at, 256));
    }
    benchmark::DoNotOptimize(checksum.Value());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(block.size()));
  state.SetLabel(std::string(ferrotap::ChecksumKindName(kind)));
}

void AllKinds(benchmark::internal::Benchmark* benchmark) {
  for (ferrotap::ChecksumKind kind : ferrotap::kChecksumKinds) {
    benchmark->Arg(static_cast<int>(kind));
  }
}
BENCHMARK(BM_Checksum)->Apply(AllKinds);

}  // namespace
