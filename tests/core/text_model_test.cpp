// SPDX-License-Identifier: MIT
#include <QtTest>
#include <QTemporaryDir>
#include <random>
#include <string>
#include <vector>

#include "core/text_model.h"
#include "tests/support/test_registry.h"

using ferrotap::Color;
using ferrotap::ColorRunView;
using ferrotap::TextModel;

namespace {

constexpr Color kRed = 0x0000FF;
constexpr Color kBlue = 0xFF0000;
constexpr Color kGreen = 0x008000;

// Runs written as "colour:length" pairs, e.g. "255:3 16711680:2".
QString RunsText(const std::vector<ColorRunView>& runs) {
  QStringList parts;
  for (const auto& r : runs) parts << QString("%1:%2").arg(r.color).arg(r.length);
  return parts.join(' ');
}

void Insert(TextModel& m, Color c, const std::string& text) {
  m.SetInsertColor(c);
  m.InsertAtCaret(text);
}

// A byte-per-byte model to compare the real one against.
struct Reference {
  std::string text;
  std::vector<Color> colors;
  std::size_t caret = 0;
  std::size_t anchor = 0;

  void Replace(Color c, const std::string& s) {
    const std::size_t a = std::min(caret, anchor);
    const std::size_t b = std::max(caret, anchor);
    text.replace(a, b - a, s);
    colors.erase(colors.begin() + static_cast<long>(a), colors.begin() + static_cast<long>(b));
    colors.insert(colors.begin() + static_cast<long>(a), s.size(), c);
    caret = anchor = a + s.size();
  }
  std::vector<ColorRunView> Runs() const {
    std::vector<ColorRunView> runs;
    for (std::size_t i = 0; i < colors.size(); ++i) {
      if (runs.empty() || runs.back().color != colors[i]) {
        runs.push_back({i, 0, colors[i]});
      }
      ++runs.back().length;
    }
    return runs;
  }
  std::vector<std::size_t> LineStarts() const {
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
      if (text[i] == '\r' || text[i] == '\n') starts.push_back(i + 1);
    }
    return starts;
  }
};

}  // namespace

class TextModelTest : public QObject {
  Q_OBJECT

 private slots:
  void insertAtEndMiddleAndOverSelection() {
    TextModel m;
    Insert(m, kRed, "Hello");
    QCOMPARE(m.Caret(), 5u);
    Insert(m, kRed, " world");
    QCOMPARE(m.Text(), std::string("Hello world"));
    QCOMPARE(m.Caret(), 11u);

    m.SetCaret(5);
    Insert(m, kBlue, ",");
    QCOMPARE(m.Text(), std::string("Hello, world"));
    QCOMPARE(m.Caret(), 6u);
    QVERIFY(!m.HasSelection());

    m.Select(7, 12);
    QCOMPARE(m.SelectedText(), std::string("world"));
    Insert(m, kGreen, "there!");
    QCOMPARE(m.Text(), std::string("Hello, there!"));
    QCOMPARE(m.Caret(), 13u);
    QVERIFY(!m.HasSelection());

    // A selection made backwards (caret before anchor) is replaced the same way.
    m.Select(5, 0);
    Insert(m, kRed, "Hi");
    QCOMPARE(m.Text(), std::string("Hi, there!"));
    QCOMPARE(m.Caret(), 2u);
  }

  void colorRuns_data() {
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("scenario");
    QTest::newRow("same colour appended merges") << "255:6" << 0;
    QTest::newRow("other colour appended") << "255:3 16711680:3" << 1;
    QTest::newRow("split inside a run") << "255:2 16711680:1 255:1" << 2;
    QTest::newRow("same colour inside a run") << "255:4" << 3;
    QTest::newRow("at a boundary joins the next run") << "255:3 16711680:4" << 4;
    QTest::newRow("at the start joins the first run") << "16711680:4 255:3" << 5;
    QTest::newRow("selection across runs replaced") << "255:1 32768:1 255:1" << 6;
    QTest::newRow("deleting the middle run merges") << "255:4" << 7;
  }
  void colorRuns() {
    QFETCH(QString, expected);
    QFETCH(int, scenario);
    TextModel m;
    Insert(m, kRed, "abc");
    switch (scenario) {
      case 0:
        Insert(m, kRed, "def");
        break;
      case 1:
        Insert(m, kBlue, "def");
        break;
      case 2:
        m.SetCaret(2);
        Insert(m, kBlue, "X");
        break;
      case 3:
        m.SetCaret(1);
        Insert(m, kRed, "X");
        break;
      case 4:
        Insert(m, kBlue, "def");
        m.SetCaret(3);
        Insert(m, kBlue, "X");
        break;
      case 5:
        m.SetCaret(0);
        Insert(m, kBlue, "XYZ");
        m.SetCaret(0);
        Insert(m, kBlue, "W");
        break;
      case 6:
        Insert(m, kBlue, "def");
        Insert(m, kRed, "ghi");
        m.Select(1, 8);
        Insert(m, kGreen, "X");
        break;
      case 7:
        Insert(m, kBlue, "XY");
        Insert(m, kRed, "d");
        m.Select(3, 5);
        m.DeleteSelection();
        break;
    }
    QCOMPARE(RunsText(m.Runs()), expected);
    std::size_t covered = 0;
    for (const auto& r : m.Runs()) {
      QCOMPARE(r.start, covered);
      covered += r.length;
    }
    QCOMPARE(covered, m.Length());
  }

  void deleteSelection() {
    TextModel m;
    Insert(m, kRed, "one two three");
    m.DeleteSelection();
    QCOMPARE(m.Length(), 13u);
    m.Select(8, 4);
    m.DeleteSelection();
    QCOMPARE(m.Text(), std::string("one three"));
    QCOMPARE(m.Caret(), 4u);
    QVERIFY(!m.HasSelection());
    m.Select(0, m.Length());
    m.DeleteSelection();
    QCOMPARE(m.Length(), 0u);
    QCOMPARE(m.RunCount(), 0u);
    QCOMPARE(m.LineCount(), 1u);
  }

  void lineIndex_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<int>>("starts");
    QTest::addColumn<QList<int>>("ends");
    QTest::newRow("none") << QByteArray("abc") << QList<int>{0} << QList<int>{3};
    QTest::newRow("mixed") << QByteArray("a\rb\nc\r\nd") << QList<int>{0, 2, 4, 7}
                           << QList<int>{1, 3, 5, 8};
    QTest::newRow("LF CR is two ends")
        << QByteArray("a\n\rb") << QList<int>{0, 2, 3} << QList<int>{1, 2, 4};
    QTest::newRow("trailing CR") << QByteArray("a\r") << QList<int>{0, 2} << QList<int>{1, 2};
    QTest::newRow("empty lines") << QByteArray("\r\n\r\n") << QList<int>{0, 2, 4}
                                 << QList<int>{0, 2, 4};
  }
  void lineIndex() {
    QFETCH(QByteArray, text);
    QFETCH(QList<int>, starts);
    QFETCH(QList<int>, ends);
    // Whole, and byte by byte so that a CR and its LF arrive in separate insertions.
    for (bool byByte : {false, true}) {
      TextModel m;
      if (byByte) {
        for (char c : text) Insert(m, kRed, std::string(1, c));
      } else {
        Insert(m, kRed, text.toStdString());
      }
      QCOMPARE(m.LineCount(), static_cast<std::size_t>(starts.size()));
      for (int i = 0; i < starts.size(); ++i) {
        QCOMPARE(m.LineStart(static_cast<std::size_t>(i)), static_cast<std::size_t>(starts[i]));
        QCOMPARE(m.LineEnd(static_cast<std::size_t>(i)), static_cast<std::size_t>(ends[i]));
        QCOMPARE(m.LineOf(static_cast<std::size_t>(starts[i])), static_cast<std::size_t>(i));
      }
    }
  }

  void lineIndexAfterSplittingAndJoiningCrLf() {
    TextModel m;
    Insert(m, kRed, "ab\r\ncd");
    m.SetCaret(3);
    QCOMPARE(m.Caret(), 4u);  // never between CR and LF
    m.Select(0, 2);
    m.DeleteSelection();
    QCOMPARE(m.LineCount(), 2u);
    m.Select(0, 1);  // a selection never ends between CR and LF
    QCOMPARE(m.SelectedText(), std::string("\r\n"));
    m.DeleteSelection();
    QCOMPARE(m.Text(), std::string("cd"));
    QCOMPARE(m.LineCount(), 1u);
    m.SetCaret(0);
    Insert(m, kRed, "x\r");
    QCOMPARE(m.LineCount(), 2u);
    QCOMPARE(m.LineStart(1), 2u);
    Insert(m, kRed, "\n");  // joins the CR before it into one line end
    QCOMPARE(m.LineCount(), 2u);
    QCOMPARE(m.LineStart(1), 3u);
    QCOMPARE(m.LineEnd(0), 1u);
  }

  void caretClampedToText() {
    TextModel m;
    Insert(m, kRed, "abc");
    m.SetCaret(100);
    QCOMPARE(m.Caret(), 3u);
    m.SetCaret(1, true);
    QCOMPARE(m.SelectedText(), std::string("bc"));
    m.Clear();
    QCOMPARE(m.Caret(), 0u);
    QCOMPARE(m.InsertColor(), kRed);
  }

  // Spilled: beyond a few dozen bytes the oldest text goes to the store in pages of 16, and edits
  // there bring it back; what is read must not tell the two apart.
  void randomEditsMatchReference_data() {
    QTest::addColumn<bool>("spill");
    QTest::newRow("in memory") << false;
    QTest::newRow("spilled") << true;
  }

  void randomEditsMatchReference() {
    QFETCH(bool, spill);
    QTemporaryDir folder;
    ferrotap::TextStoreLimits limits;
    if (spill) limits = {64, ferrotap::TextStoreLimits::kUnlimited, 16, folder.path().toStdString()};
    std::mt19937 rng(12345);
    const Color colors[] = {kRed, kBlue, kGreen};
    const char alphabet[] = "ab\r\n";
    TextModel m(limits);
    Reference ref;
    std::size_t mostStored = 0;
    for (int step = 0; step < 4000; ++step) {
      const int op = static_cast<int>(rng() % 10);
      if (op < 6) {
        std::string s(rng() % 6, 'x');
        for (char& c : s) c = alphabet[rng() % 4];
        const Color c = colors[rng() % 3];
        Insert(m, c, s);
        ref.Replace(c, s);
      } else if (op < 8) {
        const std::size_t a = rng() % (ref.text.size() + 1);
        const std::size_t b = rng() % (ref.text.size() + 1);
        m.Select(a, b);
        ref.anchor = m.Anchor();
        ref.caret = m.Caret();
      } else if (op < 9) {
        m.DeleteSelection();
        ref.Replace(0, "");
      } else {
        m.SetCaret(rng() % (ref.text.size() + 1));
        ref.caret = ref.anchor = m.Caret();
      }
      QCOMPARE(m.Text(), ref.text);
      QCOMPARE(m.Caret(), ref.caret);
      mostStored = std::max(mostStored, m.StoredLength());
      if (step % 50 == 0 || step > 3900) {
        QCOMPARE(RunsText(m.Runs()), RunsText(ref.Runs()));
        const auto starts = ref.LineStarts();
        QCOMPARE(m.LineCount(), starts.size());
        for (std::size_t i = 0; i < starts.size(); ++i) {
          QCOMPARE(m.LineStart(i), starts[i]);
          QCOMPARE(m.LineOf(starts[i]), i);
        }
        for (std::size_t pos = 0; pos < ref.text.size(); ++pos) {
          QCOMPARE(m.Run(m.RunIndexAt(pos)).color, ref.colors[pos]);
        }
      }
    }
    QCOMPARE(mostStored > 0, spill);
  }
};

FERROTAP_TEST(TextModelTest)
#include "text_model_test.moc"
