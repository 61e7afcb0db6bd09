// SPDX-License-Identifier: MIT
// The data window under any sequence of insertions, deletions, resizes, scrolls, caret keys and
// repaints, with or without a frame in between: no memory error, and the rows it shows are the
// lines of its text wrapped behind their last blank, as a plain scan wraps them.
#include <fuzzer/FuzzedDataProvider.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/data_window.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/text_model_ops.h"

namespace {

std::vector<std::string> NaiveRows(const std::string& text, std::size_t columns) {
  std::vector<std::string> lines{""};
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += text[i];
    }
  }
  std::vector<std::string> rows;
  for (std::string line : lines) {
    while (line.size() > columns) {
      const std::size_t blank = line.find_last_of(' ', columns - 1);
      const std::size_t cut = blank != std::string::npos && blank > 0 ? blank + 1 : columns;
      rows.push_back(line.substr(0, cut));
      line.erase(0, cut);
    }
    rows.push_back(line);
  }
  return rows;
}

void Key(ferrotap::DataWindow& window, int key, bool shift) {
  QKeyEvent press(QEvent::KeyPress, key, shift ? Qt::ShiftModifier : Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &press);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "fuzz_data_window";
  static char* argv[] = {name, nullptr};
  // Lives as long as the process, reachable, so that the leak check at exit leaves it alone.
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using ferrotap::fuzz::SomeText;
  FuzzedDataProvider input(data, size);
  ferrotap::DataWindow window;
  window.resize(300, 200);
  window.show();
  static constexpr int kKeys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,     Qt::Key_Down,
                                  Qt::Key_Home, Qt::Key_End,   Qt::Key_PageUp, Qt::Key_PageDown};
  while (input.remaining_bytes() > 0) {
    switch (input.ConsumeIntegralInRange<int>(0, 9)) {
      case 0:
      case 1:
        window.SetInsertColor(ferrotap::fuzz::SomeColor(input));
        window.InsertText(SomeText(input, 200));
        break;
      case 2:
        // Many lines at once, as a burst of decoded packets brings them.
        for (int n = input.ConsumeIntegralInRange<int>(1, 200); n > 0; --n)
          window.InsertText("0D 0A\r\n");
        break;
      case 3:
        window.resize(input.ConsumeIntegralInRange<int>(20, 900),
                      input.ConsumeIntegralInRange<int>(20, 700));
        break;
      case 4: {
        QScrollBar* bar = window.verticalScrollBar();
        bar->setValue(input.ConsumeIntegralInRange<int>(0, bar->maximum() + 5));
        break;
      }
      case 5:
        window.Select(input.ConsumeIntegralInRange<std::size_t>(0, window.Model().Length() + 2),
                      input.ConsumeIntegralInRange<std::size_t>(0, window.Model().Length() + 2));
        break;
      case 6:
        window.DeleteSelection();
        break;
      case 7:
        Key(window, kKeys[input.ConsumeIntegralInRange<int>(0, 7)], input.ConsumeBool());
        break;
      case 8:
        if (input.ConsumeBool()) {
          window.viewport()->repaint();
        } else {
          window.Flush();
        }
        break;
      default:
        if (input.ConsumeIntegralInRange<int>(0, 7) == 0) window.Clear();
        break;
    }
  }
  const ferrotap::RowLayout& rows = window.Rows();
  const ferrotap::TextModel& model = window.Model();
  const auto columns = static_cast<std::size_t>(window.WrapColumns());
  std::vector<std::string> shown;
  for (std::size_t r = 0; r < rows.Count(); ++r) {
    shown.push_back(model.Slice(rows.Start(r), rows.End(model, r) - rows.Start(r)));
  }
  FUZZ_CHECK(shown == NaiveRows(model.Text(), columns));
  FUZZ_CHECK(window.FirstVisibleRow() < rows.Count());
  window.viewport()->repaint();
  return 0;
}
