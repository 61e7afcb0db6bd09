#pragma once

#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

#include "app/colors.h"

class QTextEdit;

namespace ferrotap {

struct ColorRunView {
  std::size_t start = 0;
  std::size_t length = 0;
  Color color = kSysWindowTextColor;
};

// The data window REA: a read-only coloured text view. Every writer sets an insertion colour and
// inserts text at the caret, replacing the selection.
//
// Stand-in over QTextEdit until the fast view of our own replaces it; the interface is the one
// the rest of the program uses.
class DataWindow : public QWidget {
  Q_OBJECT

 public:
  explicit DataWindow(QWidget* parent = nullptr);

  void SetInsertColor(Color color);
  Color InsertColor() const { return insertColor_; }
  // Latin-1 text at the caret, replacing the selection; the caret ends behind it.
  void InsertText(std::string_view latin1);
  void Clear();
  void DeleteSelection();
  void SetBackgroundColor(Color color);

  std::string Text() const;
  std::vector<ColorRunView> Runs() const;
  std::size_t CaretPosition() const;
  void SetCaretPosition(std::size_t pos);
  void Select(std::size_t start, std::size_t end);
  bool HasSelection() const;

  // Whole content with colours, and plain text with CR LF between lines. Empty string on success,
  // else the system's reason.
  std::string SaveRtf(const std::string& path) const;
  std::string SaveText(const std::string& path) const;

 private:
  QTextEdit* edit_;
  Color insertColor_ = kSysWindowTextColor;
};

}  // namespace ferrotap
