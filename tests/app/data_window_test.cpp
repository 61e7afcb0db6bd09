// SPDX-License-Identifier: MIT
#include <QtTest>
#include <QtWidgets>

#include "app/data_window.h"
#include "tests/support/test_registry.h"

using ferrotap::Color;
using ferrotap::DataWindow;

namespace {

constexpr Color kRed = 0x0000FF;
constexpr Color kBlue = 0xFF0000;

void Write(DataWindow& w, Color c, const std::string& text) {
  w.SetInsertColor(c);
  w.InsertText(text);
}

// A window of 400 x 200 pixels, shown and ready to paint.
bool Shown(DataWindow& w) {
  w.resize(400, 200);
  w.show();
  return QTest::qWaitForWindowExposed(&w);
}

// Pixels in a rectangle of the viewport that differ from the background.
int InkIn(DataWindow& w, const QRect& rect) {
  const QImage image = w.viewport()->grab().toImage();
  const QRgb back = w.BackgroundQColor().rgb();
  int ink = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) ink += image.pixel(x, y) != back;
  }
  return ink;
}

// Of a control byte's cell, filled in red: the lengths of the runs of rows that hold digit
// pixels, nearer the background than the fill.
QList<int> DigitRowRuns(DataWindow& w, const QRect& cell) {
  const QImage image = w.viewport()->grab().toImage();
  const QColor back = w.BackgroundQColor();
  const auto distance = [](QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
  };
  QList<int> runs;
  bool inRun = false;
  for (int y = cell.top(); y <= cell.bottom(); ++y) {
    bool digit = false;
    for (int x = cell.left(); x <= cell.right(); ++x) {
      const QColor pixel(image.pixel(x, y));
      digit = digit || distance(pixel, back) < distance(pixel, QColor(255, 0, 0));
    }
    if (digit && !inRun) runs << 0;
    if (digit) ++runs.back();
    inRun = digit;
  }
  return runs;
}

}  // namespace

class DataWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void popupMenuItems() {
    DataWindow w;
    QMenu* menu = w.PopupMenu();
    QVERIFY(menu != nullptr);
    QCOMPARE(menu->objectName(), QString("PopupMenu1"));
    const QStringList names{"Clear1", "Savetifile1", "NewLineatcursor1", "SavetoFile1",
                            "Savetoplanfile1", "Copy1", "UndoClear1"};
    const QStringList texts{"Clear DataWindow", "Clear Selected Text", "New Line at cursor",
                            "Save to RTF File", "Save to TXT file", "Copy", "Undo clear"};
    const auto actions = menu->actions();
    QCOMPARE(actions.size(), names.size());
    for (int i = 0; i < actions.size(); ++i) {
      QCOMPARE(actions[i]->objectName(), names[i]);
      QCOMPARE(actions[i]->text(), texts[i]);
      QVERIFY(actions[i]->isEnabled());
      QCOMPARE(w.findChild<QAction*>(names[i]), actions[i]);
    }
  }

  void newColourAppliesToLaterTextOnly() {
    DataWindow w;
    Write(w, kRed, "error ");
    Write(w, kBlue, "echo");
    w.SetInsertColor(0x00FF00);
    QCOMPARE(w.InsertColor(), Color(0x00FF00));
    const auto runs = w.Runs();
    QCOMPARE(runs.size(), 2u);
    QCOMPARE(runs[0].color, kRed);
    QCOMPARE(runs[0].length, 6u);
    QCOMPARE(runs[1].color, kBlue);
    w.InsertText("!");
    QCOMPARE(w.Runs().back().color, Color(0x00FF00));
    QCOMPARE(w.Runs()[0].color, kRed);
  }

  void backgroundChangesAtOnce() {
    DataWindow w;
    w.resize(300, 200);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.BackgroundQColor(), w.palette().color(QPalette::Base));
    w.SetBackgroundColor(kRed);
    QCOMPARE(w.BackgroundQColor(), QColor(255, 0, 0));
    const QImage image = w.viewport()->grab().toImage();
    QCOMPARE(QColor(image.pixel(150, 100)), QColor(255, 0, 0));
  }

  void commands() {
    DataWindow w;
    Write(w, kRed, "41 42 43 ");
    // Clear Selected Text without a selection changes nothing.
    w.DeleteSelection();
    QCOMPARE(w.Text(), std::string("41 42 43 "));
    w.Select(3, 6);
    QVERIFY(w.HasSelection());
    w.DeleteSelection();
    QCOMPARE(w.Text(), std::string("41 43 "));
    QCOMPARE(w.CaretPosition(), 3u);
    // New line at the caret splits the line; later data goes behind the break.
    w.InsertText("\r\n");
    Write(w, kBlue, "<ACK>");
    QCOMPARE(w.Text(), std::string("41 \r\n<ACK>43 "));
    QCOMPARE(w.Model().LineCount(), 2u);
    w.Clear();
    QCOMPARE(w.Text(), std::string());
    QCOMPARE(w.Runs().size(), 0u);
    QCOMPARE(w.CaretPosition(), 0u);
  }

  void saveFiles() {
    QTemporaryDir dir;
    DataWindow w;
    Write(w, ferrotap::kSysWindowTextColor, "41 42 ");
    w.InsertText("\r\n");
    Write(w, 0x008000, "<ACK>");
    const QString txt = dir.filePath("w.txt");
    QCOMPARE(w.SaveText(txt.toStdString()), std::string());
    QFile f(txt);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("41 42 \r\n<ACK>"));
    QCOMPARE(w.Runs().size(), 2u);  // saving keeps the colours

    const QString rtf = dir.filePath("w.rtf");
    QCOMPARE(w.SaveRtf(rtf.toStdString()), std::string());
    QFile r(rtf);
    QVERIFY(r.open(QIODevice::ReadOnly));
    const QByteArray content = r.readAll();
    const QColor text = w.palette().color(QPalette::Text);
    QVERIFY(content.contains(QString("\\red%1\\green%2\\blue%3;")
                                 .arg(text.red())
                                 .arg(text.green())
                                 .arg(text.blue())
                                 .toLatin1()));
    QVERIFY(content.contains("\\red0\\green128\\blue0;"));
    if (!QStandardPaths::findExecutable("unrtf").isEmpty()) {
      QProcess p;
      p.start("unrtf", {"--text", rtf});
      QVERIFY(p.waitForFinished(30000));
      QVERIFY(p.readAllStandardOutput().endsWith("41 42 \n<ACK>"));
    }
    QVERIFY(!w.SaveRtf(dir.filePath("missing/w.rtf").toStdString()).empty());
  }

  void wrapsLongLinesAtWindowWidth() {
    DataWindow w;
    w.resize(400, 300);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const std::string line(1000, 'A');
    Write(w, kRed, line);
    const int columns = w.WrapColumns();
    QVERIFY(columns >= 20 && columns < 60);
    QCOMPARE(w.RowCount(), (1000u + columns - 1) / columns);
    w.resize(800, 300);
    QTRY_VERIFY(w.WrapColumns() > columns);
    const auto wider = static_cast<unsigned>(w.WrapColumns());
    QCOMPARE(w.RowCount(), (1000u + wider - 1) / wider);
  }

  // A resize right after many lines arrived, before the next frame laid them out: the top row is
  // mapped with every line in place (it used to be looked up past the end of the row table), and
  // the view stays at the end, or at the text it showed when the user had scrolled away.
  void resizeBeforeTheNextFrame_data() {
    QTest::addColumn<bool>("following");
    QTest::newRow("following the end") << true;
    QTest::newRow("scrolled away") << false;
  }
  void resizeBeforeTheNextFrame() {
    QFETCH(bool, following);
    DataWindow w;
    QVERIFY(Shown(w));
    for (int i = 0; i < 50; ++i) Write(w, kRed, "41 42 43\r\n");
    w.Flush();
    QScrollBar* bar = w.verticalScrollBar();
    if (!following) bar->setValue(20);
    const std::size_t topPos = w.Rows().Start(w.FirstVisibleRow());
    for (int i = 0; i < 1000; ++i) Write(w, kRed, "0D 0A 0D 0A 0D 0A 0D 0A 0D 0A 0D 0A 0D 0A\r\n");
    w.resize(250, 150);
    const ferrotap::RowLayout& rows = w.Rows();
    QVERIFY(rows.Count() > 2050);
    if (following) {
      QCOMPARE(bar->value(), bar->maximum());
    } else {
      QCOMPARE(rows.Start(w.FirstVisibleRow()), topPos);
    }
  }

  void endStaysInViewUnlessUserScrolledAwayOrPaused() {
    DataWindow w;
    QVERIFY(Shown(w));
    for (int i = 0; i < 100; ++i) Write(w, kRed, "line\r\n");
    QScrollBar* bar = w.verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 50);
    QTRY_COMPARE(bar->value(), bar->maximum());
    bar->setValue(10);  // the user scrolls up
    for (int i = 0; i < 20; ++i) Write(w, kRed, "more\r\n");
    QTRY_COMPARE(w.RowCount(), 121u);
    QTRY_VERIFY(bar->maximum() > 60);
    QCOMPARE(bar->value(), 10);
    bar->setValue(bar->maximum());  // back to the end: following again
    Write(w, kRed, "last\r\n");
    QTRY_COMPARE(w.RowCount(), 122u);
    QTRY_COMPARE(bar->value(), bar->maximum());
    // Pause holds the view at the end while text goes on arriving; resuming follows again.
    const int held = bar->value();
    w.SetPaused(true);
    for (int i = 0; i < 50; ++i) Write(w, kRed, "paused\r\n");
    QTRY_COMPARE(w.RowCount(), 172u);
    QTRY_VERIFY(bar->maximum() > held + 40);
    QCOMPARE(bar->value(), held);
    w.SetPaused(false);
    QCOMPARE(bar->value(), bar->maximum());
  }

  // Find walks the matches both ways, wrapping, across a colour change, and scrolls to them;
  // received text does not replace a match as it would a selection.
  void findWalksTheMatches() {
    DataWindow w;
    QVERIFY(Shown(w));
    Write(w, kRed, "0D ");
    Write(w, kBlue, "0A 41\r\n");
    for (int i = 0; i < 100; ++i) Write(w, kRed, "filler\r\n");
    Write(w, kRed, "0d 0a ");
    w.SetSearch(ferrotap::DataWindowQuery("0d0a", false, true));
    QCOMPARE(w.MatchCount(), 1u);  // HEX as shown: upper case
    w.SetSearch(ferrotap::DataWindowQuery("0d 0a", false, false));
    QCOMPARE(w.MatchCount(), 2u);
    w.SetCaretPosition(0);
    QVERIFY(w.Find(false));
    QCOMPARE(w.CurrentMatch(), 0u);
    QVERIFY(w.Find(false));
    const std::size_t last = w.Text().size() - 6;
    QCOMPARE(w.CurrentMatch(), last);
    QVERIFY(w.Rows().RowOf(last) >= w.FirstVisibleRow());
    QVERIFY(w.Find(false));  // wraps to the first
    QCOMPARE(w.CurrentMatch(), 0u);
    QVERIFY(w.Find(true));  // and back to the last
    QCOMPARE(w.CurrentMatch(), last);
    QVERIFY(!w.HasSelection());
    w.SetSearch({"absent", true});
    QVERIFY(!w.Find(false));
    QCOMPARE(w.CurrentMatch(), ferrotap::kNoMatch);
  }

  void caretAndSelectionByKeysAndMouse() {
    DataWindow w;
    QVERIFY(Shown(w));
    Write(w, kRed, "abc\r\ndef");
    w.Flush();
    w.setFocus();
    QTest::keyClick(&w, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(w.CaretPosition(), 0u);
    QTest::keyClick(&w, Qt::Key_Down);
    QCOMPARE(w.CaretPosition(), 5u);
    QTest::keyClick(&w, Qt::Key_Left);
    QCOMPARE(w.CaretPosition(), 3u);  // over CR LF in one step
    QTest::keyClick(&w, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&w, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(w.SelectedText(), std::string("\r\nd"));
    QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("\r\nd"));
    QTest::keyClick(&w, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(w.SelectedText(), w.Text());
    QTest::keyClick(&w, Qt::Key_X);  // read-only: typing changes nothing
    QCOMPARE(w.Text(), std::string("abc\r\ndef"));

    // A click in the second row, between 'd' and 'e'; shift-click extends.
    const QFontMetricsF metrics(w.viewport()->font());
    const int rowHeight = static_cast<int>(std::ceil(metrics.height()));
    const auto cell = metrics.horizontalAdvance('M');
    QTest::mouseClick(w.viewport(), Qt::LeftButton, {},
                      QPoint(static_cast<int>(cell), rowHeight + rowHeight / 2));
    QCOMPARE(w.CaretPosition(), 6u);
    QVERIFY(!w.HasSelection());
    QTest::mouseClick(w.viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      QPoint(static_cast<int>(cell), rowHeight / 2));
    QCOMPARE(w.SelectedText(), std::string("bc\r\nd"));
  }

  void controlBytesAreDrawnAndKept() {
    DataWindow w;
    QVERIFY(Shown(w));
    const std::string text("A\x01\x00\x7F\x85 B", 7);
    Write(w, kRed, text);
    w.Flush();
    QTRY_VERIFY(w.PaintCount() > 0);
    w.viewport()->repaint();
    QCOMPARE(w.Text(), text);
    const QFontMetricsF metrics(w.viewport()->font());
    const double cell = metrics.horizontalAdvance('M');
    const int rowHeight = static_cast<int>(std::ceil(metrics.height()));
    auto cellRect = [&](int col) {
      return QRect(static_cast<int>(col * cell) + 1, 1, static_cast<int>(cell) - 2, rowHeight - 2);
    };
    for (int col = 1; col <= 4; ++col)
      QVERIFY2(InkIn(w, cellRect(col)) > 0, qPrintable(QString::number(col)));
    QCOMPARE(InkIn(w, cellRect(5)), 0);  // the blank stays blank
    QVERIFY(InkIn(w, cellRect(6)) > 0);  // and B is where it belongs

    // The value reads at normal size: two digits one above the other, each at least six pixels
    // high, with a row between them.
    const QList<int> digits = DigitRowRuns(
        w, QRect(static_cast<int>(cell) + 1, 0, static_cast<int>(cell) - 2, rowHeight));
    QCOMPARE(digits.size(), 2);
    QVERIFY2(digits[0] >= 6 && digits[1] >= 6,
             qPrintable(QString("%1 and %2 rows").arg(digits[0]).arg(digits[1])));
  }
};

FERROTAP_TEST(DataWindowTest)
#include "data_window_test.moc"
