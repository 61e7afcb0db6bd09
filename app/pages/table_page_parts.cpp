// SPDX-License-Identifier: MIT
#include "app/pages/table_page_parts.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "app/qt_color.h"
#include "simulation/escape.h"
#include "simulation/table_file_lines.h"

namespace ferrotap {
namespace {

// Room that the style takes around a header or cell text.
constexpr int kTextPadding = 10;
constexpr int kNarrowestStretch = 70;

bool IsFixedCell(const QModelIndex& index) {
  return index.row() == 0 || index.column() == 0;
}

// The fixed columns are only 70 pixels wide: a label that does not fit is narrowed rather than
// cut, down to a still readable width.
QFont FontFittingWidth(QFont font, const QString& text, int width) {
  const auto fits = [&text, width](const QFont& candidate) {
    return QFontMetrics(candidate).horizontalAdvance(text) + kTextPadding <= width;
  };
  // Fonts narrow in steps (a condensed face, or scaled glyphs), so check each one.
  for (int stretch = 100; !fits(font) && stretch > kNarrowestStretch;) {
    stretch -= 3;
    font.setStretch(stretch);
  }
  return font;
}

// Refuses an editor on fixed cells whatever their item flags say: the owner may replace the
// fixed items with plain ones when it writes the headers.
class FixedCellsDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    if (IsFixedCell(index)) return nullptr;
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) line->setMaxLength(kGridCellMaxLength);
    return editor;
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!IsFixedCell(index)) return;
    option->backgroundBrush = option->palette.button();
    option->font = FontFittingWidth(option->font, option->text, option->rect.width());
  }
};

void FitHeaderText(QTableWidget* grid, int column) {
  QTableWidgetItem* header = grid->horizontalHeaderItem(column);
  if (header == nullptr) return;
  header->setFont(FontFittingWidth(grid->horizontalHeader()->font(), header->text(),
                                   grid->columnWidth(column)));
}

void MirrorHeaderRow(QTableWidget* grid) {
  for (int column = 0; column < grid->columnCount(); ++column) {
    const QTableWidgetItem* cell = grid->item(0, column);
    grid->setHorizontalHeaderItem(column, new QTableWidgetItem(cell ? cell->text() : QString()));
    FitHeaderText(grid, column);
  }
}

}  // namespace

void SetUpFixedCellsGrid(QTableWidget* grid, int rowCount, const QStringList& headers) {
  grid->setColumnCount(static_cast<int>(headers.size()));
  grid->setRowCount(rowCount);
  grid->setItemDelegate(new FixedCellsDelegate(grid));
  for (int row = 0; row < rowCount; ++row) {
    for (int column = 0; column < grid->columnCount(); ++column) {
      auto* cell = new QTableWidgetItem(row == 0 ? headers[column] : QString());
      if (row == 0 || column == 0) cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      grid->setItem(row, column, cell);
    }
  }
  QObject::connect(grid->model(), &QAbstractItemModel::dataChanged, grid,
                   [grid](const QModelIndex& topLeft) {
                     if (topLeft.row() == 0) MirrorHeaderRow(grid);
                   });
  QObject::connect(grid->horizontalHeader(), &QHeaderView::sectionResized, grid,
                   [grid](int column) { FitHeaderText(grid, column); });
  MirrorHeaderRow(grid);
  grid->setRowHidden(0, true);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
  grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  for (int column = 0; column < grid->columnCount(); ++column) {
    grid->setColumnWidth(column, kGridDefaultColumnWidth);
  }
  grid->setTabKeyNavigation(true);
  grid->setCurrentCell(1, 1);
}

QLabel* MakeEscapeLegendLabel(QWidget* parent) {
  auto* label = new QLabel(
      QString::fromLatin1(kEscapeLegend.data(), static_cast<qsizetype>(kEscapeLegend.size())),
      parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, CaptionColor(Qt::blue, palette));
  label->setPalette(palette);
  return label;
}

}  // namespace ferrotap
