// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractScrollArea>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/colors.h"
#include "core/rtf_writer.h"
#include "core/row_layout.h"
#include "core/text_model.h"
#include "core/text_search.h"

class QMenu;

namespace ferrotap {

// The data window REA: a read-only coloured text view. Every writer sets an insertion colour and
// inserts text at the caret, replacing the selection.
//
// Our own view rather than a Qt text widget: a capture without line breaks is one line of many
// megabytes, which Qt's widgets lay out again on every insertion. This one paints only the visible
// rows of a fixed-width font, wrapping long lines at the window width (behind a blank, so that a
// rendered byte stays on one row), and repaints at most once per frame however fast text arrives.
class DataWindow : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit DataWindow(QWidget* parent = nullptr);

  void SetInsertColor(Color color);
  Color InsertColor() const { return model_->InsertColor(); }
  // Latin-1 text at the caret, replacing the selection; the caret ends behind it.
  void InsertText(std::string_view latin1);
  // Clear can be undone until text arrives: the cleared text is kept until then.
  void Clear();
  bool CanUndoClear() const { return cleared_ != nullptr; }
  void UndoClear();
  // How much text stays in memory, and where older text goes; applies from the next Clear on when
  // the window holds text.
  void SetStoreLimits(const TextStoreLimits& limits);
  void SetStoreFolder(const std::string& folder) { model_->SetStoreFolder(folder); }
  void DeleteSelection();
  void SetBackgroundColor(Color color);
  // The colour the background is painted in (the platform's window colour until one is set).
  QColor BackgroundQColor() const;

  std::string Text() const { return model_->Text(); }
  std::vector<ColorRunView> Runs() const { return model_->Runs(); }
  std::size_t CaretPosition() const { return model_->Caret(); }
  void SetCaretPosition(std::size_t pos);
  void Select(std::size_t start, std::size_t end);
  bool HasSelection() const { return model_->HasSelection(); }
  std::string SelectedText() const { return model_->SelectedText(); }
  void SelectAll();
  void CopySelection() const;
  const TextModel& Model() const { return *model_; }

  // Search: every match of the query on screen is highlighted, the current one more strongly.
  // Find moves the current match forwards or backwards from the current one (or the caret),
  // wrapping at the ends, and scrolls it into view; false when the text holds no match. The
  // selection is left alone: received text replaces it.
  void SetSearch(const SearchQuery& query);
  bool Find(bool backward);
  // Start of the current match; kNoMatch when there is none.
  std::size_t CurrentMatch() const { return currentMatch_; }
  std::size_t MatchCount() const { return CountMatches(*model_, search_); }

  // While paused the view stays where it is as text arrives; resuming goes back to the end.
  void SetPaused(bool paused);
  bool Paused() const { return paused_; }

  // Whole content with colours, and plain text with CR LF between lines. Empty string on success,
  // else a message naming the file and the reason.
  // Text arriving during a save is shown when it ends. kSaveCancelled when progress stopped it.
  std::string SaveRtf(const std::string& path, const SaveProgress& progress = {});
  std::string SaveText(const std::string& path, const SaveProgress& progress = {});

  // The context menu "PopupMenu1"; its actions are connected by the window that owns this one.
  QMenu* PopupMenu() const { return popup_; }

  // Wrap width in characters and the rows shown, for tests and the benchmark.
  int WrapColumns() const { return wrapColumns_; }
  std::size_t FirstVisibleRow() const;
  std::size_t RowCount();
  // The rows as laid out now.
  const RowLayout& Rows();
  // Lays out pending text at once instead of at the next frame.
  void Flush();
  std::uint64_t PaintCount() const { return paintCount_; }

 signals:
  // The text store could not be used; said once until the next Clear.
  void StoreProblem(const QString& message);
  // Undo clear brought the text back.
  void ClearUndone();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  struct RowCol {
    std::size_t row = 0;
    std::size_t col = 0;
  };

  void ContentChanged(std::size_t editPos);
  template <typename Save>
  std::string Saving(Save save);
  void SyncLayout();
  void UpdateScrollBars();
  void SetScrollValue(QScrollBar* bar, int value);
  void EnsureCaretVisible();
  void ScrollToPosition(std::size_t pos);
  void MoveCaretByUser(std::size_t pos, bool extend);
  RowCol RowColOf(std::size_t pos) const;
  std::size_t PositionAt(std::size_t row, std::size_t col) const;
  std::size_t PositionAtPoint(const QPoint& point) const;
  int VisibleRows() const;
  void PaintRow(QPainter& painter, std::size_t row, int y, const QColor& selectionBack,
                const QColor& selectionText);
  void PaintMatches(QPainter& painter, std::size_t first, std::size_t rows);

  std::unique_ptr<TextModel> model_;
  std::unique_ptr<TextModel> cleared_;
  bool saving_ = false;
  std::vector<std::pair<Color, std::string>> heldBack_;
  QMenu* popup_;
  QFont font_;
  // The digits of bytes that have no glyph.
  QFont digitFont_;
  double charWidth_ = 8;
  int rowHeight_ = 16;
  double ascent_ = 12;
  int wrapColumns_ = 80;
  RowLayout rows_;
  bool followEnd_ = true;
  bool scrollToEndPending_ = false;
  bool settingScroll_ = false;
  std::optional<Color> background_;
  QTimer frameTimer_;
  std::uint64_t paintCount_ = 0;
  std::string rowText_;
  SearchQuery search_;
  std::size_t currentMatch_ = kNoMatch;
  bool paused_ = false;
};

}  // namespace ferrotap
