// SPDX-License-Identifier: MIT
// The data window's text model under any sequence of edits, checked after each against a naive
// model: a string, a colour per character, caret and anchor, and lines found by scanning.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/text_model.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/text_model_ops.h"

namespace {

using ferrotap::Color;

struct NaiveModel {
  std::string text;
  std::vector<Color> colors;
  std::size_t caret = 0;
  std::size_t anchor = 0;
  Color insertColor = ferrotap::kSysWindowTextColor;

  std::size_t Clamp(std::size_t pos) const {
    pos = std::min(pos, text.size());
    const bool insideCrLf =
        pos > 0 && pos < text.size() && text[pos - 1] == '\r' && text[pos] == '\n';
    return insideCrLf ? pos + 1 : pos;
  }
  void Replace(const std::string& inserted) {
    const std::size_t start = std::min(caret, anchor);
    const std::size_t end = std::max(caret, anchor);
    text.replace(start, end - start, inserted);
    colors.erase(colors.begin() + start, colors.begin() + end);
    colors.insert(colors.begin() + start, inserted.size(), insertColor);
    caret = anchor = start + inserted.size();
  }
  std::vector<std::size_t> LineStarts() const {
    std::vector<std::size_t> starts{0};
    for (std::size_t p = 1; p <= text.size(); ++p) {
      const char before = text[p - 1];
      if (before == '\n' || (before == '\r' && (p == text.size() || text[p] != '\n'))) {
        starts.push_back(p);
      }
    }
    return starts;
  }
};

void Compare(const ferrotap::TextModel& model, const NaiveModel& naive) {
  FUZZ_CHECK(model.Text() == naive.text);
  FUZZ_CHECK(model.Caret() == naive.caret);
  FUZZ_CHECK(model.Anchor() == naive.anchor);
  std::vector<Color> colors;
  for (const auto& run : model.Runs()) {
    FUZZ_CHECK(run.length > 0);
    FUZZ_CHECK(run.start == colors.size());
    colors.insert(colors.end(), run.length, run.color);
  }
  FUZZ_CHECK(colors == naive.colors);
  const std::vector<std::size_t> starts = naive.LineStarts();
  FUZZ_CHECK(model.LineCount() == starts.size());
  for (std::size_t line = 0; line < starts.size(); ++line) {
    FUZZ_CHECK(model.LineStart(line) == starts[line]);
    std::size_t end = line + 1 < starts.size() ? starts[line + 1] : naive.text.size();
    if (line + 1 < starts.size())
      end -= end >= 2 && naive.text.compare(end - 2, 2, "\r\n") == 0 ? 2 : 1;
    FUZZ_CHECK(model.LineEnd(line) == end);
  }
  for (std::size_t pos = 0; pos <= naive.text.size(); ++pos) {
    const auto line = static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), pos) -
                                               starts.begin() - 1);
    FUZZ_CHECK(model.LineOf(pos) == line);
    if (pos < naive.text.size())
      FUZZ_CHECK(model.Run(model.RunIndexAt(pos)).color == naive.colors[pos]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  ferrotap::TextModel model;
  NaiveModel naive;
  while (input.remaining_bytes() > 0) {
    switch (input.ConsumeIntegralInRange<int>(0, 5)) {
      case 0: {
        const Color color = ferrotap::fuzz::SomeColor(input);
        model.SetInsertColor(color);
        naive.insertColor = color;
        break;
      }
      case 1: {
        const std::string text = ferrotap::fuzz::SomeText(input, 24);
        model.InsertAtCaret(text);
        naive.Replace(text);
        break;
      }
      case 2: {
        const auto pos = input.ConsumeIntegralInRange<std::size_t>(0, naive.text.size() + 2);
        const bool keepAnchor = input.ConsumeBool();
        model.SetCaret(pos, keepAnchor);
        naive.caret = naive.Clamp(pos);
        if (!keepAnchor) naive.anchor = naive.caret;
        break;
      }
      case 3: {
        const auto a = input.ConsumeIntegralInRange<std::size_t>(0, naive.text.size() + 2);
        const auto c = input.ConsumeIntegralInRange<std::size_t>(0, naive.text.size() + 2);
        model.Select(a, c);
        naive.anchor = naive.Clamp(a);
        naive.caret = naive.Clamp(c);
        break;
      }
      case 4:
        model.DeleteSelection();
        naive.Replace("");
        break;
      default:
        if (input.ConsumeIntegralInRange<int>(0, 7) != 0) break;
        model.Clear();
        naive = NaiveModel{{}, {}, 0, 0, naive.insertColor};
        break;
    }
    Compare(model, naive);
  }
  return 0;
}
