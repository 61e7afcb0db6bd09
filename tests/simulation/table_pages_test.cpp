// SPDX-License-Identifier: MIT
#include <QtTest>

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <functional>
#include <memory>

#include "app/pages/ascii_commands_page.h"
#include "simulation/escape.h"
#include "app/pages/simulation_table_page.h"
#include "tests/support/test_registry.h"

using ferrotap::AsciiCommandsPage;
using ferrotap::SimulationTablePage;

namespace {

using PageFactory = std::function<std::unique_ptr<QWidget>()>;

PageFactory SimulationPage() {
  return [] { return std::make_unique<SimulationTablePage>(); };
}

PageFactory CommandsPage() {
  return [] { return std::make_unique<AsciiCommandsPage>(); };
}

// Whether the grid opens an editor on the cell: the editor is a line edit in the viewport.
bool OpensEditor(QTableWidget* grid, int row, int column) {
  grid->edit(grid->model()->index(row, column));
  QLineEdit* editor = nullptr;
  for (QLineEdit* edit : grid->viewport()->findChildren<QLineEdit*>()) {
    if (edit->isVisible()) editor = edit;
  }
  if (editor == nullptr) return false;
  QTest::keyClick(editor, Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return true;
}

QStringList LabelTexts(const QWidget& page) {
  QStringList texts;
  for (const QLabel* label : page.findChildren<QLabel*>()) texts << label->text();
  return texts;
}

}  // namespace

Q_DECLARE_METATYPE(PageFactory)

class TablePagesTest : public QObject {
  Q_OBJECT

 private slots:
  void buttons_data() {
    QTest::addColumn<PageFactory>("page");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("BBSIMAPPLY") << SimulationPage() << "BBSIMAPPLY"
                                << "Apply" << false;
    QTest::newRow("BBPSIMLOAD") << SimulationPage() << "BBPSIMLOAD"
                                << "Load" << true;
    QTest::newRow("BBPSIMSAVE") << SimulationPage() << "BBPSIMSAVE"
                                << "Save" << true;
    QTest::newRow("BBPSIMCLEAR") << SimulationPage() << "BBPSIMCLEAR"
                                 << "Clear" << true;
    QTest::newRow("BitBtn1") << SimulationPage() << "BitBtn1"
                             << "SYN" << true;
    QTest::newRow("BitBtn2") << SimulationPage() << "BitBtn2"
                             << "SYN" << true;
    QTest::newRow("BBACAPPLY") << CommandsPage() << "BBACAPPLY"
                               << "Apply" << false;
    QTest::newRow("BBACLOAD") << CommandsPage() << "BBACLOAD"
                              << "Load" << true;
    QTest::newRow("BBACSAVE") << CommandsPage() << "BBACSAVE"
                              << "Save" << true;
    QTest::newRow("BBACCLEAR") << CommandsPage() << "BBACCLEAR"
                               << "Clear" << true;
  }

  void buttons() {
    QFETCH(PageFactory, page);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, enabled);
    const auto widget = page();
    const auto found = widget->findChildren<QPushButton*>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.front()->text(), text);
    QCOMPARE(found.front()->isEnabled(), enabled);
    QVERIFY(found.front()->isVisibleTo(widget.get()));
  }

  void grids_data() {
    QTest::addColumn<PageFactory>("page");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("groupTitle");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("headers");
    QTest::newRow("SGPS") << SimulationPage() << "SGPS"
                          << " Protocol Simulation setting " << 257
                          << QStringList{"COMMAND", "Query Data Pack ( Data only )",
                                         "Answer Data Pack ( Data only )", "SYNC (Yes/*)"};
    QTest::newRow("SGAC") << CommandsPage() << "SGAC"
                          << "  ASCII Commands List  " << 31
                          << QStringList{"COMMAND #", "ASCII Command"};
  }

  void grids() {
    QFETCH(PageFactory, page);
    QFETCH(QString, name);
    QFETCH(QString, groupTitle);
    QFETCH(int, rows);
    QFETCH(QStringList, headers);
    const auto widget = page();
    auto* grid = widget->findChild<QTableWidget*>(name);
    QVERIFY(grid != nullptr);
    auto* group = qobject_cast<QGroupBox*>(grid->parentWidget());
    QVERIFY(group != nullptr);
    QCOMPARE(group->title(), groupTitle);
    QCOMPARE(grid->rowCount(), rows);
    QCOMPARE(grid->columnCount(), headers.size());
    for (int column = 0; column < headers.size(); ++column) {
      QCOMPARE(grid->item(0, column)->text(), headers[column]);
      QCOMPARE(grid->horizontalHeaderItem(column)->text(), headers[column]);
      QCOMPARE(grid->horizontalHeader()->sectionResizeMode(column), QHeaderView::Interactive);
    }
    QVERIFY(grid->tabKeyNavigation());
    // The fixed column is narrow: its header is narrowed to be read whole, not cut.
    const QFontMetrics header(grid->horizontalHeaderItem(0)->font());
    QVERIFY(header.horizontalAdvance(headers[0]) < grid->columnWidth(0));
    for (int row = 1; row < rows; ++row) {
      for (int column = 0; column < headers.size(); ++column) {
        QVERIFY(grid->item(row, column) != nullptr);
        QVERIFY(grid->item(row, column)->text().isEmpty());
      }
    }
  }

  // Row 0 and column 0 never open an editor, even once the owner has put plain items there.
  void fixedCellsAreNotEditable_data() {
    QTest::addColumn<PageFactory>("page");
    QTest::newRow("SGPS") << SimulationPage();
    QTest::newRow("SGAC") << CommandsPage();
  }

  void fixedCellsAreNotEditable() {
    QFETCH(PageFactory, page);
    const auto widget = page();
    auto* grid = widget->findChild<QTableWidget*>();
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
    const int last = grid->rowCount() - 1;
    QVERIFY(OpensEditor(grid, 1, 1));
    QVERIFY(OpensEditor(grid, last, grid->columnCount() - 1));
    QVERIFY(!OpensEditor(grid, 0, 1));
    QVERIFY(!OpensEditor(grid, 5, 0));
    grid->setItem(0, 1, new QTableWidgetItem("header"));
    grid->setItem(last, 0, new QTableWidgetItem(" last"));
    QVERIFY(!OpensEditor(grid, 0, 1));
    QVERIFY(!OpensEditor(grid, last, 0));
  }

  // The visible header follows whatever is written into row 0.
  void headerFollowsRowZero() {
    SimulationTablePage page;
    page.SGPS->item(0, 2)->setText("Answer");
    QCOMPARE(page.SGPS->horizontalHeaderItem(2)->text(), QString("Answer"));
    page.SGPS->setItem(0, 3, new QTableWidgetItem("SYNC"));
    QCOMPARE(page.SGPS->horizontalHeaderItem(3)->text(), QString("SYNC"));
    page.SGPS->item(3, 2)->setText("$41");
    QCOMPARE(page.SGPS->horizontalHeaderItem(2)->text(), QString("Answer"));
  }

  void legendAndFileLabels_data() {
    QTest::addColumn<PageFactory>("page");
    QTest::addColumn<QString>("filesLabel");
    QTest::newRow("simulation") << SimulationPage() << "Files *.pst";
    QTest::newRow("commands") << CommandsPage() << "Files *.ast";
  }

  void legendAndFileLabels() {
    QFETCH(PageFactory, page);
    QFETCH(QString, filesLabel);
    const auto widget = page();
    QVERIFY(LabelTexts(*widget).contains(filesLabel));
    const QString legend("$xx = Hex   #xxx = dec   ^x = Ctrl x");
    QCOMPARE(QString::fromLatin1(ferrotap::kEscapeLegend.data()), legend);
    const QLabel* legendLabel = nullptr;
    for (const QLabel* label : widget->findChildren<QLabel*>()) {
      if (label->text() == legend) legendLabel = label;
    }
    QVERIFY(legendLabel != nullptr);
    QVERIFY(legendLabel->font().bold());
    QCOMPARE(legendLabel->palette().color(QPalette::WindowText), QColor(Qt::blue));
  }

  void clearSyncButtonIsLeftOfSetSync() {
    SimulationTablePage page;
    page.resize(690, 380);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QVERIFY(page.BitBtn2->geometry().right() < page.BitBtn1->geometry().left());
    QCOMPARE(page.BitBtn2->y(), page.BitBtn1->y());
  }

  void fitsSmallestPageArea_data() {
    QTest::addColumn<PageFactory>("page");
    QTest::addColumn<QSize>("size");
    QTest::newRow("simulation 690x380") << SimulationPage() << QSize(690, 380);
    QTest::newRow("simulation 684x400") << SimulationPage() << QSize(684, 400);
    QTest::newRow("commands 690x380") << CommandsPage() << QSize(690, 380);
    QTest::newRow("commands 684x400") << CommandsPage() << QSize(684, 400);
  }

  void fitsSmallestPageArea() {
    QFETCH(PageFactory, page);
    QFETCH(QSize, size);
    const auto widget = page();
    widget->resize(size);
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
    QVERIFY(widget->minimumSizeHint().width() <= size.width());
    QVERIFY(widget->minimumSizeHint().height() <= size.height());
    for (QWidget* child : widget->findChildren<QWidget*>()) {
      if (!child->isVisibleTo(widget.get()) || qobject_cast<QAbstractButton*>(child) == nullptr) {
        continue;
      }
      const QRect onPage(child->mapTo(widget.get(), QPoint(0, 0)), child->size());
      QVERIFY2(widget->rect().contains(onPage), qPrintable(child->objectName()));
      QVERIFY2(child->width() >= child->minimumSizeHint().width(), qPrintable(child->objectName()));
    }
    auto* grid = widget->findChild<QTableWidget*>();
    QVERIFY(grid->height() > 150);
  }
};

FERROTAP_TEST(TablePagesTest)
#include "table_pages_test.moc"
