// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>

#include "core/render.h"

namespace {

ferrotap::Bytes MakeBlock(std::size_t size) {
  ferrotap::Bytes bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 37 + 11);
  return bytes;
}

void BM_Render8K(benchmark::State& state) {
  const auto format = static_cast<ferrotap::DisplayFormat>(state.range(0));
  const ferrotap::Bytes block = MakeBlock(8192);
  for (auto _ : state) {
    auto text = ferrotap::RenderBytes(format, block);
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 8192);
  state.SetLabel(ferrotap::FormatName(format));
}

}  // namespace

BENCHMARK(BM_Render8K)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
