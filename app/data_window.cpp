// SPDX-License-Identifier: MIT
#include "app/data_window.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cmath>

#include "app/qt_color.h"
#include "core/rtf_writer.h"

namespace ferrotap {

namespace {

constexpr int kFontPixels = 13;
// Text arriving faster than this is shown in one repaint per frame.
constexpr int kFrameMs = 16;
// Below this width the rows stop shrinking and the horizontal scroll bar takes over.
constexpr int kMinWrapColumns = 20;
constexpr int kMinDigitPixels = 6;

struct MenuItem {
  const char* name;
  const char* text;
};
constexpr MenuItem kMenuItems[] = {
    {"Clear1", "Clear DataWindow"},
    {"Savetifile1", "Clear Selected Text"},
    {"NewLineatcursor1", "New Line at cursor"},
    {"SavetoFile1", "Save to RTF File"},
    {"Savetoplanfile1", "Save to TXT file"},
    {"Copy1", "Copy"},
    {"UndoClear1", "Undo clear"},
};

QFont DataFont() {
  QFont font(QString::fromLatin1(kDataWindowFontName.data(),
                                 static_cast<qsizetype>(kDataWindowFontName.size())));
  font.setPixelSize(kFontPixels);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  if (QFontInfo(font).fixedPitch()) return font;
  font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(kFontPixels);
  return font;
}

// The largest font whose hexadecimal digits fit two above each other in a row, a pixel apart and
// a pixel below the row above.
QFont FramedDigitFont(const QFont& base, int rowHeight, double cellWidth) {
  QFont font = base;
  font.setBold(true);
  for (int pixels = rowHeight; pixels > kMinDigitPixels; --pixels) {
    font.setPixelSize(pixels);
    const QFontMetricsF metrics(font);
    const QRectF digits = metrics.tightBoundingRect(QStringLiteral("0123456789ABCDEF"));
    if (2 * std::ceil(digits.height()) + 2 <= rowHeight &&
        metrics.horizontalAdvance(QLatin1Char('W')) <= cellWidth) {
      return font;
    }
  }
  font.setPixelSize(kMinDigitPixels);
  return font;
}

}  // namespace

DataWindow::DataWindow(QWidget* parent)
    : QAbstractScrollArea(parent),
      model_(std::make_unique<TextModel>()),
      popup_(new QMenu(this)),
      font_(DataFont()) {
  popup_->setObjectName("PopupMenu1");
  for (const MenuItem& item : kMenuItems) {
    popup_->addAction(QString::fromLatin1(item.text))->setObjectName(item.name);
  }
  QAction* copy = popup_->findChild<QAction*>("Copy1");
  copy->setShortcut(QKeySequence::Copy);
  connect(copy, &QAction::triggered, this, &DataWindow::CopySelection);
  QAction* undo = popup_->findChild<QAction*>("UndoClear1");
  undo->setShortcut(QKeySequence::Undo);
  connect(undo, &QAction::triggered, this, &DataWindow::UndoClear);
  connect(popup_, &QMenu::aboutToShow, this, [this, copy, undo] {
    copy->setEnabled(HasSelection());
    undo->setEnabled(CanUndoClear());
  });
  const QFontMetricsF metrics(font_);
  charWidth_ = metrics.horizontalAdvance(QLatin1Char('M'));
  rowHeight_ = static_cast<int>(std::ceil(metrics.height()));
  ascent_ = metrics.ascent();
  digitFont_ = FramedDigitFont(font_, rowHeight_, charWidth_);
  viewport()->setFont(font_);
  viewport()->setCursor(Qt::IBeamCursor);
  setFocusPolicy(Qt::StrongFocus);
  frameTimer_.setSingleShot(true);
  frameTimer_.setInterval(kFrameMs);
  connect(&frameTimer_, &QTimer::timeout, this, [this] {
    SyncLayout();
    viewport()->update();
  });
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (!settingScroll_) followEnd_ = value >= verticalScrollBar()->maximum();
  });
}

void DataWindow::SetInsertColor(Color color) {
  model_->SetInsertColor(color);
}

void DataWindow::InsertText(std::string_view latin1) {
  if (saving_) {
    heldBack_.emplace_back(model_->InsertColor(), std::string(latin1));
    return;
  }
  cleared_.reset();
  const std::size_t editPos = model_->HasSelection() ? model_->SelectionStart() : model_->Caret();
  model_->InsertAtCaret(latin1);
  ContentChanged(editPos);
  const std::string problem = model_->TakeStoreProblem();
  if (!problem.empty()) emit StoreProblem(QString::fromLocal8Bit(problem));
}

void DataWindow::Clear() {
  if (saving_) return;
  auto fresh = std::make_unique<TextModel>(model_->Limits());
  fresh->SetInsertColor(model_->InsertColor());
  // Undoing a clear of nothing would only bring back nothing.
  cleared_ = model_->Length() > 0 ? std::move(model_) : nullptr;
  model_ = std::move(fresh);
  currentMatch_ = kNoMatch;
  followEnd_ = true;
  rows_.Reset();
  ContentChanged(0);
}

void DataWindow::UndoClear() {
  if (!cleared_ || saving_) return;
  cleared_->SetInsertColor(model_->InsertColor());
  model_ = std::move(cleared_);
  model_->SetCaret(model_->Length());
  followEnd_ = true;
  rows_.Reset();
  ContentChanged(0);
  scrollToEndPending_ = true;
  emit ClearUndone();
}

void DataWindow::SetStoreLimits(const TextStoreLimits& limits) {
  if (model_->Length() > 0) return;
  const Color color = model_->InsertColor();
  model_ = std::make_unique<TextModel>(limits);
  model_->SetInsertColor(color);
}

void DataWindow::DeleteSelection() {
  if (!model_->HasSelection()) return;
  const std::size_t editPos = model_->SelectionStart();
  model_->DeleteSelection();
  ContentChanged(editPos);
}

void DataWindow::SetBackgroundColor(Color color) {
  background_ = color;
  viewport()->update();
}

QColor DataWindow::BackgroundQColor() const {
  return background_ ? ToQColor(*background_, palette()) : palette().color(QPalette::Base);
}

void DataWindow::SetCaretPosition(std::size_t pos) {
  MoveCaretByUser(pos, false);
}

void DataWindow::Select(std::size_t start, std::size_t end) {
  model_->Select(start, end);
  viewport()->update();
}

void DataWindow::SelectAll() {
  Select(0, model_->Length());
}

void DataWindow::CopySelection() const {
  if (!model_->HasSelection()) return;
  const std::string text = model_->SelectedText();
  QGuiApplication::clipboard()->setText(
      QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

// Text that arrives while the progress dialog lets events through waits, so that the text saved is
// the text there was when the save began.
template <typename Save>
std::string DataWindow::Saving(Save save) {
  saving_ = true;
  std::string result;
  try {
    result = save();
  } catch (...) {
    saving_ = false;
    throw;
  }
  saving_ = false;
  const Color color = model_->InsertColor();
  for (const auto& [held, text] : heldBack_) {
    SetInsertColor(held);
    InsertText(text);
  }
  heldBack_.clear();
  SetInsertColor(color);
  return result;
}

std::string DataWindow::SaveRtf(const std::string& path, const SaveProgress& progress) {
  const QPalette pal = palette();
  return Saving([&] {
    return SaveRtfFile(
        path, *model_, [&pal](Color c) { return FromQColor(ToQColor(c, pal)); }, progress);
  });
}

std::string DataWindow::SaveText(const std::string& path, const SaveProgress& progress) {
  return Saving([&] { return SaveTextFile(path, *model_, progress); });
}

std::size_t DataWindow::FirstVisibleRow() const {
  return static_cast<std::size_t>(verticalScrollBar()->value());
}

std::size_t DataWindow::RowCount() {
  SyncLayout();
  return rows_.Count();
}

const RowLayout& DataWindow::Rows() {
  SyncLayout();
  return rows_;
}

void DataWindow::Flush() {
  SyncLayout();
  viewport()->update();
}

// Rows before the edit stay; the rest are laid out at the next frame, which for text appended at
// the end means the last few rows.
void DataWindow::ContentChanged(std::size_t editPos) {
  rows_.Invalidate(editPos);
  if (followEnd_ && !paused_ && model_->Caret() == model_->Length()) scrollToEndPending_ = true;
  if (!frameTimer_.isActive()) frameTimer_.start();
}

void DataWindow::SyncLayout() {
  wrapColumns_ = std::max(kMinWrapColumns, static_cast<int>(viewport()->width() / charWidth_));
  rows_.Update(*model_, static_cast<std::size_t>(wrapColumns_));
  UpdateScrollBars();
  if (scrollToEndPending_) {
    scrollToEndPending_ = false;
    SetScrollValue(verticalScrollBar(), verticalScrollBar()->maximum());
  }
}

void DataWindow::UpdateScrollBars() {
  const std::uint64_t total = rows_.Count();
  const auto visible = static_cast<std::uint64_t>(VisibleRows());
  const std::uint64_t maxFirst = total > visible ? total - visible : 0;
  settingScroll_ = true;
  verticalScrollBar()->setRange(0, static_cast<int>(std::min<std::uint64_t>(maxFirst, INT_MAX)));
  verticalScrollBar()->setPageStep(VisibleRows());
  const int contentWidth = static_cast<int>(std::ceil(wrapColumns_ * charWidth_)) + 2;
  horizontalScrollBar()->setRange(0, std::max(0, contentWidth - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(static_cast<int>(charWidth_));
  settingScroll_ = false;
}

void DataWindow::SetScrollValue(QScrollBar* bar, int value) {
  settingScroll_ = true;
  bar->setValue(value);
  settingScroll_ = false;
}

int DataWindow::VisibleRows() const {
  return std::max(1, viewport()->height() / rowHeight_);
}

DataWindow::RowCol DataWindow::RowColOf(std::size_t pos) const {
  const std::size_t row = rows_.RowOf(pos);
  return {row, std::min(pos, rows_.End(*model_, row)) - rows_.Start(row)};
}

std::size_t DataWindow::PositionAt(std::size_t row, std::size_t col) const {
  const std::size_t start = rows_.Start(row);
  const std::size_t end = rows_.End(*model_, row);
  // Only the line's last row may hold the caret behind its last character; behind a wrapped row's
  // last character is the next row's start.
  return std::min(start + col, rows_.EndsLine(*model_, row) ? end : end - 1);
}

std::size_t DataWindow::PositionAtPoint(const QPoint& point) const {
  const std::size_t total = rows_.Count();
  const long long row = static_cast<long long>(FirstVisibleRow()) +
                        static_cast<long long>(std::floor(point.y() / double(rowHeight_)));
  const long long col = std::llround((point.x() + horizontalScrollBar()->value()) / charWidth_);
  const auto clampedRow =
      static_cast<std::size_t>(std::clamp<long long>(row, 0, static_cast<long long>(total) - 1));
  return PositionAt(clampedRow, static_cast<std::size_t>(std::max(0LL, col)));
}

void DataWindow::EnsureCaretVisible() {
  const RowCol rc = RowColOf(model_->Caret());
  const std::size_t first = FirstVisibleRow();
  const auto visible = static_cast<std::size_t>(VisibleRows());
  if (rc.row < first) {
    SetScrollValue(verticalScrollBar(), static_cast<int>(std::min<std::size_t>(rc.row, INT_MAX)));
  } else if (rc.row >= first + visible) {
    SetScrollValue(verticalScrollBar(),
                   static_cast<int>(std::min<std::size_t>(rc.row - visible + 1, INT_MAX)));
  }
  const int x = static_cast<int>(rc.col * charWidth_);
  QScrollBar* bar = horizontalScrollBar();
  if (x < bar->value()) {
    SetScrollValue(bar, x);
  } else if (x + 2 > bar->value() + viewport()->width()) {
    SetScrollValue(bar, x + 2 - viewport()->width());
  }
}

void DataWindow::ScrollToPosition(std::size_t pos) {
  SyncLayout();
  const RowCol rc = RowColOf(pos);
  const auto visible = static_cast<std::size_t>(VisibleRows());
  const std::size_t first = FirstVisibleRow();
  if (rc.row < first || rc.row >= first + visible) {
    const std::size_t top = rc.row > visible / 2 ? rc.row - visible / 2 : 0;
    SetScrollValue(verticalScrollBar(), static_cast<int>(std::min<std::size_t>(top, INT_MAX)));
  }
  followEnd_ = verticalScrollBar()->value() >= verticalScrollBar()->maximum();
}

void DataWindow::SetSearch(const SearchQuery& query) {
  if (query.text != search_.text || query.matchCase != search_.matchCase) {
    currentMatch_ = kNoMatch;
  }
  search_ = query;
  viewport()->update();
}

bool DataWindow::Find(bool backward) {
  const std::size_t n = search_.text.size();
  const bool valid = currentMatch_ != kNoMatch && currentMatch_ + n <= model_->Length();
  std::size_t match = kNoMatch;
  if (backward) {
    const std::size_t before = valid ? currentMatch_ + n - 1 : model_->Caret();
    match = FindBackward(*model_, search_, before);
    if (match == kNoMatch) match = FindBackward(*model_, search_, model_->Length());
  } else {
    const std::size_t from = valid ? currentMatch_ + 1 : model_->Caret();
    match = FindForward(*model_, search_, from);
    if (match == kNoMatch) match = FindForward(*model_, search_, 0);
  }
  currentMatch_ = match;
  if (match != kNoMatch) ScrollToPosition(match);
  viewport()->update();
  return match != kNoMatch;
}

void DataWindow::SetPaused(bool paused) {
  paused_ = paused;
  if (paused) {
    // Text that came before the pause is still followed.
    SyncLayout();
    followEnd_ = false;
    return;
  }
  followEnd_ = true;
  SyncLayout();
  SetScrollValue(verticalScrollBar(), verticalScrollBar()->maximum());
  viewport()->update();
}

void DataWindow::MoveCaretByUser(std::size_t pos, bool extend) {
  model_->SetCaret(pos, extend);
  SyncLayout();
  EnsureCaretVisible();
  followEnd_ = model_->Caret() == model_->Length();
  viewport()->update();
}

void DataWindow::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  const bool keepEnd = followEnd_;
  // The top row is mapped to text with rows that include every insertion so far, still at the
  // old width: rows laid out before the last insertions may no longer reach the top row.
  rows_.Update(*model_, static_cast<std::size_t>(wrapColumns_));
  const std::size_t topPos = rows_.Start(std::min(FirstVisibleRow(), rows_.Count() - 1));
  SyncLayout();
  if (keepEnd) {
    SetScrollValue(verticalScrollBar(), verticalScrollBar()->maximum());
  } else {
    SetScrollValue(verticalScrollBar(),
                   static_cast<int>(std::min<std::size_t>(RowColOf(topPos).row, INT_MAX)));
  }
}

void DataWindow::scrollContentsBy(int, int) {
  if (!settingScroll_) viewport()->update();
}

void DataWindow::keyPressEvent(QKeyEvent* event) {
  if (event == QKeySequence::Copy) {
    CopySelection();
    return;
  }
  if (event == QKeySequence::SelectAll) {
    SelectAll();
    return;
  }
  if (event == QKeySequence::Undo) {
    UndoClear();
    return;
  }
  SyncLayout();
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  const std::size_t caret = model_->Caret();
  const std::size_t length = model_->Length();
  const RowCol rc = RowColOf(caret);
  const std::size_t lastRow = rows_.Count() - 1;
  const auto page = static_cast<std::size_t>(VisibleRows());
  std::size_t target = caret;
  switch (event->key()) {
    case Qt::Key_Left:
      if (model_->HasSelection() && !extend) {
        target = model_->SelectionStart();
      } else if (caret > 0) {
        target = model_->IsInsideCrLf(caret - 1) ? caret - 2 : caret - 1;
      }
      break;
    case Qt::Key_Right:
      target =
          model_->HasSelection() && !extend ? model_->SelectionEnd() : std::min(caret + 1, length);
      break;
    case Qt::Key_Up:
      target = rc.row == 0 ? 0 : PositionAt(rc.row - 1, rc.col);
      break;
    case Qt::Key_Down:
      target = rc.row >= lastRow ? length : PositionAt(rc.row + 1, rc.col);
      break;
    case Qt::Key_PageUp:
      target = PositionAt(rc.row > page ? rc.row - page : 0, rc.col);
      break;
    case Qt::Key_PageDown:
      target = PositionAt(std::min(rc.row + page, lastRow), rc.col);
      break;
    case Qt::Key_Home:
      target = ctrl ? 0 : PositionAt(rc.row, 0);
      break;
    case Qt::Key_End:
      target = ctrl ? length : PositionAt(rc.row, static_cast<std::size_t>(wrapColumns_));
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  MoveCaretByUser(target, extend);
}

void DataWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  SyncLayout();
  MoveCaretByUser(PositionAtPoint(event->position().toPoint()),
                  event->modifiers() & Qt::ShiftModifier);
}

void DataWindow::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  SyncLayout();
  MoveCaretByUser(PositionAtPoint(event->position().toPoint()), true);
}

void DataWindow::contextMenuEvent(QContextMenuEvent* event) {
  popup_->exec(event->globalPos());
}

void DataWindow::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void DataWindow::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

}  // namespace ferrotap
