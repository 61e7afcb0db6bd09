// SPDX-License-Identifier: MIT
// The data window painted: rows in their colours, the selection, search matches, bytes without
// a glyph, the caret.
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "app/data_window.h"
#include "app/qt_color.h"

namespace ferrotap {

namespace {

// More matches than this on one screen are not all highlighted.
constexpr std::size_t kMaxHighlights = 4096;
const QColor kMatchBack(255, 235, 120);
const QColor kCurrentMatchBack(255, 150, 50);

bool HasGlyph(unsigned char c) {
  return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c != 0xAD);
}

// A byte without a glyph of its own is never dropped: its cell is filled in the text's colour and
// shows its value as two hexadecimal digits in the background's, one above the other, so that
// NUL, BEL or ESC read apart.
void PaintByteCell(QPainter& painter, const QRectF& cell, unsigned char c, const QFont& digits,
                   const QColor& background) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const QRectF box = cell.adjusted(0.5, 0, -0.5, 0);
  painter.fillRect(box, painter.pen().color());
  const QPen saved = painter.pen();
  const QFont savedFont = painter.font();
  painter.setFont(digits);
  painter.setPen(background);
  const QFontMetricsF metrics(digits);
  const double height = std::ceil(metrics.tightBoundingRect(QStringLiteral("0")).height());
  const double x = box.center().x() - metrics.horizontalAdvance(QLatin1Char('0')) / 2;
  const double gap = std::max(1.0, std::floor((box.height() - 2 * height) / 3));
  painter.drawText(QPointF(x, box.top() + gap + height), QString(QLatin1Char(kHex[c >> 4])));
  painter.drawText(QPointF(x, box.top() + 2 * (gap + height)),
                   QString(QLatin1Char(kHex[c & 0x0F])));
  painter.setFont(savedFont);
  painter.setPen(saved);
}

}  // namespace

void DataWindow::paintEvent(QPaintEvent*) {
  SyncLayout();
  ++paintCount_;
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), BackgroundQColor());
  painter.setFont(font_);
  painter.translate(-horizontalScrollBar()->value(), 0);
  const QPalette pal = palette();
  const QColor selectionBack = pal.color(QPalette::Highlight);
  const QColor selectionText = pal.color(QPalette::HighlightedText);
  const std::size_t total = rows_.Count();
  const std::size_t first = FirstVisibleRow();
  const int rows = viewport()->height() / rowHeight_ + 1;
  PaintMatches(painter, first, static_cast<std::size_t>(rows));
  for (int i = 0; i < rows && first + static_cast<std::size_t>(i) < total; ++i) {
    PaintRow(painter, first + static_cast<std::size_t>(i), i * rowHeight_, selectionBack,
             selectionText);
  }
  if (hasFocus()) {
    const RowCol caret = RowColOf(model_->Caret());
    if (caret.row >= first && caret.row < first + static_cast<std::size_t>(rows)) {
      painter.fillRect(
          QRectF(caret.col * charWidth_, double(caret.row - first) * rowHeight_, 1.5, rowHeight_),
          pal.color(QPalette::Text));
    }
  }
}

// Match backgrounds go under the text; a match over several rows is painted piece by piece.
void DataWindow::PaintMatches(QPainter& painter, std::size_t first, std::size_t rows) {
  const std::size_t n = search_.text.size();
  const std::size_t total = rows_.Count();
  if (n == 0 || first >= total) return;
  const std::size_t last = std::min(total, first + rows) - 1;
  const std::size_t from = rows_.Start(first);
  const std::size_t to = rows_.End(*model_, last);
  for (const std::size_t at : MatchesAround(*model_, search_, from, to, kMaxHighlights)) {
    const QColor& back = at == currentMatch_ ? kCurrentMatchBack : kMatchBack;
    const std::size_t matchEnd = std::min(at + n, to);
    for (std::size_t pos = std::max(at, from); pos < matchEnd;) {
      // A row at a time; a line end in the match shows as one cell behind the row's text.
      const RowCol rc = RowColOf(pos);
      const std::size_t end = std::min(matchEnd, std::max(rows_.End(*model_, rc.row), pos + 1));
      painter.fillRect(QRectF(double(rc.col) * charWidth_, double(rc.row - first) * rowHeight_,
                              double(end - pos) * charWidth_, rowHeight_),
                       back);
      pos = end;
    }
  }
}

void DataWindow::PaintRow(QPainter& painter, std::size_t row, int y, const QColor& selectionBack,
                          const QColor& selectionText) {
  const std::size_t start = rows_.Start(row);
  const std::size_t end = rows_.End(*model_, row);
  if (start >= end) return;
  model_->Read(start, end - start, rowText_);
  const std::size_t selStart = model_->SelectionStart();
  const std::size_t selEnd = model_->SelectionEnd();
  const QPalette pal = palette();
  const QColor background = BackgroundQColor();
  std::size_t runIndex = model_->RunIndexAt(start);
  ColorRunView run = model_->Run(runIndex);
  for (std::size_t pos = start; pos < end;) {
    if (pos >= run.start + run.length) run = model_->Run(++runIndex);
    const bool selected = pos >= selStart && pos < selEnd;
    std::size_t pieceEnd = std::min(end, run.start + run.length);
    pieceEnd = std::min(pieceEnd, selected ? selEnd : (selStart > pos ? selStart : pieceEnd));
    const double x = double(pos - start) * charWidth_;
    const double width = double(pieceEnd - pos) * charWidth_;
    if (selected) painter.fillRect(QRectF(x, y, width, rowHeight_), selectionBack);
    painter.setPen(selected ? selectionText : ToQColor(run.color, pal));
    const char* bytes = rowText_.data() + (pos - start);
    const std::size_t n = pieceEnd - pos;
    for (std::size_t i = 0; i < n;) {
      std::size_t j = i;
      while (j < n && HasGlyph(static_cast<unsigned char>(bytes[j]))) ++j;
      if (j > i) {
        painter.drawText(QPointF(x + double(i) * charWidth_, y + ascent_),
                         QString::fromLatin1(bytes + i, static_cast<qsizetype>(j - i)));
      }
      if (j < n) {
        PaintByteCell(painter, QRectF(x + double(j) * charWidth_, y, charWidth_, rowHeight_),
                      static_cast<unsigned char>(bytes[j]), digitFont_,
                      selected ? selectionBack : background);
        ++j;
      }
      i = j;
    }
    pos = pieceEnd;
  }
}

}  // namespace ferrotap
