// SPDX-License-Identifier: MIT
#include <QtTest>
#include <string>

#include "core/rtf_writer.h"
#include "core/text_model.h"
#include "tests/support/test_registry.h"

using ferrotap::Color;
using ferrotap::TextModel;

namespace {

constexpr Color kRed = 0x0000FF;
constexpr Color kBlue = 0xFF0000;
constexpr Color kSysText = ferrotap::kSysWindowTextColor;

Color Resolve(Color c) {
  return ferrotap::IsSystemColor(c) ? 0x102030 : c;
}

std::string Collect(const TextModel& m, bool rtf) {
  std::string out;
  auto sink = [&out](std::string_view s) { out += s; };
  if (rtf) {
    ferrotap::WriteRtf(m, Resolve, sink);
  } else {
    ferrotap::WritePlainText(m, sink);
  }
  return out;
}

// A window of coloured runs with every kind of line end, braces and backslashes.
void FillSample(TextModel& m) {
  const std::pair<Color, std::string> parts[] = {
      {kSysText, "41 42 "}, {kRed, "\r"},       {kBlue, "\n<ACK> & {x}\\y"},
      {kRed, "\rCR only"},  {kSysText, "\nLF"}, {kBlue, " tail"},
  };
  for (const auto& [color, text] : parts) {
    m.SetInsertColor(color);
    m.InsertAtCaret(text);
  }
}

QString HexColor(Color c) {
  return QString("#%1%2%3")
      .arg(ferrotap::RedOf(c), 2, 16, QChar('0'))
      .arg(ferrotap::GreenOf(c), 2, 16, QChar('0'))
      .arg(ferrotap::BlueOf(c), 2, 16, QChar('0'));
}

QByteArray RunUnrtf(const QString& mode, const QString& path) {
  QProcess p;
  p.start("unrtf", {mode, path});
  if (!p.waitForFinished(30000)) return {};
  return p.readAllStandardOutput();
}

}  // namespace

class RtfWriterTest : public QObject {
  Q_OBJECT

 private slots:
  void plainText_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("two lines") << QByteArray("41 42 \r\n<ACK>") << QByteArray("41 42 \r\n<ACK>");
    QTest::newRow("LF") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("CR") << QByteArray("a\rb") << QByteArray("a\r\nb");
    QTest::newRow("LF CR") << QByteArray("a\n\rb") << QByteArray("a\r\n\r\nb");
    QTest::newRow("bytes kept") << QByteArray("\0\x01\xFF", 3) << QByteArray("\0\x01\xFF", 3);
    QTest::newRow("empty") << QByteArray() << QByteArray();
  }
  void plainText() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);
    TextModel m;
    // The CR and the LF of a pair in different runs must still give one line end.
    for (char c : text) {
      m.SetInsertColor(m.Length() % 2 ? kRed : kBlue);
      m.InsertAtCaret(std::string(1, c));
    }
    QCOMPARE(QByteArray::fromStdString(Collect(m, false)), expected);
  }

  void rtfHoldsFontColoursAndEscapes() {
    TextModel m;
    FillSample(m);
    m.SetInsertColor(kRed);
    m.InsertAtCaret("\xE9\x01\t");
    const QByteArray rtf = QByteArray::fromStdString(Collect(m, true));
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QVERIFY(rtf.trimmed().endsWith('}'));
    QVERIFY(rtf.contains("Courier New;"));
    QVERIFY(rtf.contains("\\fs20"));
    QVERIFY(
        rtf.contains("{\\colortbl ;\\red48\\green32\\blue16;\\red255\\green0\\blue0;"
                     "\\red0\\green0\\blue255;}"));
    QVERIFY(rtf.contains("<ACK> & \\{x\\}\\\\y"));
    QVERIFY(rtf.contains("\\'e9\\'01\\tab "));
    QCOMPARE(rtf.count("\\par"), 4);
    QCOMPARE(rtf.count("\\cf"), static_cast<qsizetype>(m.RunCount()));
    // Every opened group is closed.
    QCOMPARE(rtf.count('{') - rtf.count("\\{"), rtf.count('}') - rtf.count("\\}"));
  }

  void independentReaderGetsTextAndColours() {
    if (QStandardPaths::findExecutable("unrtf").isEmpty()) QSKIP("unrtf is not installed");
    QTemporaryDir dir;
    const QString path = dir.filePath("w.rtf");
    TextModel m;
    FillSample(m);
    QCOMPARE(ferrotap::SaveRtfFile(path.toStdString(), m, Resolve), std::string());

    // Expected: every character with its colour, line ends as one newline.
    QString expectedText;
    QStringList expectedColors;
    const std::string text = m.Text();
    for (const auto& run : m.Runs()) {
      for (std::size_t i = run.start; i < run.start + run.length; ++i) {
        if (text[i] == '\n' && i > 0 && text[i - 1] == '\r') continue;
        const bool lineEnd = text[i] == '\r' || text[i] == '\n';
        expectedText += lineEnd ? QChar('\n') : QChar(text[i]);
        if (!lineEnd) expectedColors << HexColor(Resolve(run.color));
      }
    }

    const QString html = QString::fromUtf8(RunUnrtf("--html", path));
    const qsizetype body = html.indexOf("<body>");
    QVERIFY2(body >= 0, qPrintable(html));
    QString gotText;
    QStringList gotColors;
    QStringList colorStack{"none"};
    static const QRegularExpression token(
        "<font color=\"(#[0-9a-f]{6})\">|<font [^>]*>|</font>|<br>|&(\\w+);|<[^>]*>|([^<&])");
    auto it = token.globalMatch(html.mid(body + 6).remove('\n'));
    while (it.hasNext()) {
      const auto match = it.next();
      const QString all = match.captured(0);
      if (!match.captured(1).isEmpty()) {
        colorStack << match.captured(1);
      } else if (all.startsWith("<font")) {
        colorStack << colorStack.last();
      } else if (all == "</font>") {
        colorStack.removeLast();
      } else if (all == "<br>") {
        gotText += '\n';
      } else if (!match.captured(2).isEmpty()) {
        const QString e = match.captured(2);
        gotText += e == "lt" ? "<" : e == "gt" ? ">" : e == "amp" ? "&" : "?";
        gotColors << colorStack.last();
      } else if (!match.captured(3).isEmpty()) {
        gotText += match.captured(3);
        gotColors << colorStack.last();
      }
    }
    QCOMPARE(gotText, expectedText);
    QCOMPARE(gotColors, expectedColors);

    const QByteArray plain = RunUnrtf("--text", path);
    const qsizetype start = plain.indexOf("-----------------\n");
    QVERIFY(start >= 0);
    QCOMPARE(QString::fromLatin1(plain.mid(plain.indexOf('\n', start) + 1)), expectedText);
  }

  void unwritableFileGivesTheReason() {
    TextModel m;
    m.InsertAtCaret("x");
    QCOMPARE(ferrotap::SaveTextFile("/nonexistent-dir/x.txt", m),
             std::string("Saving /nonexistent-dir/x.txt: No such file or directory"));
    QCOMPARE(ferrotap::SaveRtfFile("/nonexistent-dir/x.rtf", m, Resolve),
             std::string("Saving /nonexistent-dir/x.rtf: No such file or directory"));
    QTemporaryDir dir;
    const QString path = dir.filePath("ok.txt");
    QCOMPARE(ferrotap::SaveTextFile(path.toStdString(), m), std::string());
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("x"));
  }
};

FERROTAP_TEST(RtfWriterTest)
#include "rtf_writer_test.moc"
