// SPDX-License-Identifier: MIT
// The RTF and plain-text exports of any coloured text, read back: the RTF by a small reader of the
// few control words the writer uses, giving every character with its colour; the plain text as
// the characters with each line end as CR LF.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/rtf_writer.h"
#include "core/text_model.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/text_model_ops.h"

namespace {

using ferrotap::Color;

Color Resolve(Color c) {
  return (ferrotap::IsSystemColor(c) ? 0x123456 : c) & 0xFFFFFF;
}

// The model's characters with CR, LF and CR LF each turned into one '\n', and their colours.
void Expected(const ferrotap::TextModel& model, std::string& text, std::vector<Color>& colors) {
  const std::string all = model.Text();
  for (const auto& run : model.Runs()) {
    for (std::size_t i = run.start; i < run.start + run.length; ++i) {
      if (all[i] == '\n' && i > 0 && all[i - 1] == '\r') continue;
      const bool lineEnd = all[i] == '\r' || all[i] == '\n';
      text += lineEnd ? '\n' : all[i];
      if (!lineEnd) colors.push_back(Resolve(run.color));
    }
  }
}

int Number(const std::string& rtf, std::size_t& i) {
  int value = 0;
  FUZZ_CHECK(i < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[i])));
  while (i < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[i]))) {
    value = value * 10 + (rtf[i++] - '0');
  }
  return value;
}

int HexDigit(char c) {
  FUZZ_CHECK(std::isxdigit(static_cast<unsigned char>(c)));
  return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

bool Take(const std::string& rtf, std::size_t& i, const char* word) {
  const std::string w(word);
  if (rtf.compare(i, w.size(), w) != 0) return false;
  i += w.size();
  return true;
}

void ReadRtf(const std::string& rtf, std::string& text, std::vector<Color>& colors) {
  std::size_t i = rtf.find("{\\colortbl ;");
  FUZZ_CHECK(i != std::string::npos);
  i += 12;
  std::vector<Color> table{0};
  while (rtf[i] != '}') {
    FUZZ_CHECK(Take(rtf, i, "\\red"));
    const int r = Number(rtf, i);
    FUZZ_CHECK(Take(rtf, i, "\\green"));
    const int g = Number(rtf, i);
    FUZZ_CHECK(Take(rtf, i, "\\blue"));
    const int b = Number(rtf, i);
    FUZZ_CHECK(Take(rtf, i, ";"));
    table.push_back(static_cast<Color>(r | g << 8 | b << 16));
  }
  i = rtf.find("\\fs20 ", i);
  FUZZ_CHECK(i != std::string::npos);
  i += 6;
  Color color = 0;
  const std::string end = "\r\n}\r\n";
  FUZZ_CHECK(rtf.size() >= end.size() &&
             rtf.compare(rtf.size() - end.size(), end.size(), end) == 0);
  const std::size_t stop = rtf.size() - end.size();
  while (i < stop) {
    const char c = rtf[i];
    FUZZ_CHECK(c != '{' && c != '}' && c != '\r' && c != '\n');
    if (c != '\\') {
      FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F);
      text += c;
      colors.push_back(color);
      ++i;
    } else if (Take(rtf, i, "\\cf")) {
      const int index = Number(rtf, i);
      FUZZ_CHECK(index > 0 && static_cast<std::size_t>(index) < table.size());
      color = table[static_cast<std::size_t>(index)];
      FUZZ_CHECK(Take(rtf, i, " "));
    } else if (Take(rtf, i, "\\par\r\n")) {
      text += '\n';
    } else if (Take(rtf, i, "\\tab ")) {
      text += '\t';
      colors.push_back(color);
    } else if (Take(rtf, i, "\\'")) {
      FUZZ_CHECK(i + 2 <= stop);
      text += static_cast<char>(HexDigit(rtf[i]) * 16 + HexDigit(rtf[i + 1]));
      colors.push_back(color);
      i += 2;
    } else {
      FUZZ_CHECK(i + 1 < stop && std::string("\\{}").find(rtf[i + 1]) != std::string::npos);
      text += rtf[i + 1];
      colors.push_back(color);
      i += 2;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  ferrotap::TextModel model;
  while (input.remaining_bytes() > 0) {
    model.SetInsertColor(ferrotap::fuzz::SomeColor(input));
    if (input.ConsumeIntegralInRange<int>(0, 5) == 0) {
      const auto a = input.ConsumeIntegralInRange<std::size_t>(0, model.Length());
      model.Select(a, input.ConsumeIntegralInRange<std::size_t>(0, model.Length()));
    }
    model.InsertAtCaret(ferrotap::fuzz::SomeText(input, 40));
  }
  std::string expectedText;
  std::vector<Color> expectedColors;
  Expected(model, expectedText, expectedColors);

  std::string rtf;
  ferrotap::WriteRtf(model, Resolve, [&rtf](std::string_view s) { rtf += s; });
  std::string gotText;
  std::vector<Color> gotColors;
  ReadRtf(rtf, gotText, gotColors);
  FUZZ_CHECK(gotText == expectedText);
  FUZZ_CHECK(gotColors == expectedColors);

  std::string plain;
  ferrotap::WritePlainText(model, [&plain](std::string_view s) { plain += s; });
  std::string lines;
  for (char c : expectedText) {
    if (c == '\n') {
      lines += "\r\n";
    } else {
      lines += c;
    }
  }
  FUZZ_CHECK(plain == lines);
  return 0;
}
