// SPDX-License-Identifier: MIT
// Search in the data window's text: 100 MB of HEX in changing colours with the store's gap in the
// middle, as a day of capture holds it. Counting every match walks the whole text, as the count
// the find row shows does (target: under 1 s); finding backwards from the end is the usual first
// step of a search in a capture.
#include <benchmark/benchmark.h>

#include <string>

#include "core/render.h"
#include "core/text_model.h"
#include "core/text_search.h"

namespace {

using namespace ferrotap;

constexpr std::size_t kTextBytes = std::size_t{100} << 20;

const TextModel& Capture() {
  static TextModel model;
  if (model.Length() != 0) return model;
  std::string bytes(4096, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  const std::string chunk = RenderBytes(DisplayFormat::Hex, bytes) + "\r\n";
  for (Color color = 0; model.Length() < kTextBytes; ++color) {
    model.SetInsertColor(color % 2);
    model.InsertAtCaret(chunk);
  }
  // The gap of the store in the middle, where an insertion at the caret leaves it.
  model.SetCaret(model.Length() / 2);
  model.InsertAtCaret("0D 0A ");
  return model;
}

void CountEveryMatch(benchmark::State& state) {
  const TextModel& model = Capture();
  const SearchQuery query = DataWindowQuery("0d 0a", false, true);
  for (auto _ : state) benchmark::DoNotOptimize(CountMatches(model, query));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * model.Length()));
  state.counters["matches"] = static_cast<double>(CountMatches(model, query));
}
BENCHMARK(CountEveryMatch)->Unit(benchmark::kMillisecond);

void CountIgnoringCase(benchmark::State& state) {
  const TextModel& model = Capture();
  const SearchQuery query{"7e 85", false};
  for (auto _ : state) benchmark::DoNotOptimize(CountMatches(model, query));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * model.Length()));
}
BENCHMARK(CountIgnoringCase)->Unit(benchmark::kMillisecond);

void FindBackwardFromTheEnd(benchmark::State& state) {
  const TextModel& model = Capture();
  const SearchQuery query{"absent", true};
  for (auto _ : state) benchmark::DoNotOptimize(FindBackward(model, query, model.Length()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * model.Length()));
}
BENCHMARK(FindBackwardFromTheEnd)->Unit(benchmark::kMillisecond);

}  // namespace
