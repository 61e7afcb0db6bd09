#include "app/data_window.h"

#include <QTextEdit>
#include <QVBoxLayout>
#include <fstream>

#include "app/qt_color.h"

namespace ferrotap {

DataWindow::DataWindow(QWidget* parent) : QWidget(parent), edit_(new QTextEdit(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(edit_);
  edit_->setReadOnly(true);
  edit_->setAcceptRichText(false);
  setFocusProxy(edit_);
}

void DataWindow::SetInsertColor(Color color) { insertColor_ = color; }

void DataWindow::InsertText(std::string_view latin1) {
  QTextCursor cursor = edit_->textCursor();
  QTextCharFormat format;
  format.setForeground(ToQColor(insertColor_, palette()));
  cursor.insertText(QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size())),
                    format);
  edit_->setTextCursor(cursor);
}

void DataWindow::Clear() { edit_->clear(); }

void DataWindow::DeleteSelection() { edit_->textCursor().removeSelectedText(); }

void DataWindow::SetBackgroundColor(Color color) {
  QPalette p = edit_->palette();
  p.setColor(QPalette::Base, ToQColor(color, palette()));
  edit_->setPalette(p);
}

std::string DataWindow::Text() const { return edit_->toPlainText().toLatin1().toStdString(); }

std::vector<ColorRunView> DataWindow::Runs() const { return {}; }

std::size_t DataWindow::CaretPosition() const {
  return static_cast<std::size_t>(edit_->textCursor().position());
}

void DataWindow::SetCaretPosition(std::size_t pos) {
  QTextCursor cursor = edit_->textCursor();
  cursor.setPosition(static_cast<int>(pos));
  edit_->setTextCursor(cursor);
}

void DataWindow::Select(std::size_t start, std::size_t end) {
  QTextCursor cursor = edit_->textCursor();
  cursor.setPosition(static_cast<int>(start));
  cursor.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
  edit_->setTextCursor(cursor);
}

bool DataWindow::HasSelection() const { return edit_->textCursor().hasSelection(); }

std::string DataWindow::SaveRtf(const std::string&) const { return "not available yet"; }

std::string DataWindow::SaveText(const std::string& path) const {
  std::ofstream out(path, std::ios::binary);
  if (!out) return "cannot create " + path;
  out << Text();
  return {};
}

}  // namespace ferrotap
