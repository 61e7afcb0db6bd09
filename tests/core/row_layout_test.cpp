// SPDX-License-Identifier: MIT
#include <QtTest>
#include <string>
#include <vector>

#include "core/row_layout.h"
#include "core/text_model.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

std::vector<std::string> RowsOf(const TextModel& model, const RowLayout& rows) {
  std::vector<std::string> out;
  for (std::size_t r = 0; r < rows.Count(); ++r) {
    out.push_back(model.Slice(rows.Start(r), rows.End(model, r) - rows.Start(r)));
  }
  return out;
}

}  // namespace

class RowLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void wrapsBehindBlanks_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("HEX bytes stay whole")
        << QByteArray("0D 0A 41 42 43 ") << 7 << QStringList{"0D 0A ", "41 42 ", "43 "};
    QTest::newRow("DEC") << QByteArray("013 010 065 ") << 10 << QStringList{"013 010 ", "065 "};
    QTest::newRow("BIN wider than a row")
        << QByteArray("00001101 00001010 ") << 5 << QStringList{"00001", "101 ", "00001", "010 "};
    QTest::newRow("fits exactly") << QByteArray("41 42 ") << 6 << QStringList{"41 42 "};
    QTest::newRow("no blank: cut at the width")
        << QByteArray("ABCDEFGHIJ") << 4 << QStringList{"ABCD", "EFGH", "IJ"};
    QTest::newRow("leading blank only")
        << QByteArray(" ABCDEFG") << 4 << QStringList{" ABC", "DEFG"};
    QTest::newRow("line ends") << QByteArray("41 42\r\n\r\n43 44 45\r46") << 6
                               << QStringList{"41 42", "", "43 44 ", "45", "46"};
    QTest::newRow("empty") << QByteArray() << 4 << QStringList{""};
    QTest::newRow("break at the end") << QByteArray("41 42\n") << 4 << QStringList{"41 ", "42", ""};
  }
  void wrapsBehindBlanks() {
    QFETCH(QByteArray, text);
    QFETCH(int, columns);
    QFETCH(QStringList, rows);
    TextModel model;
    model.InsertAtCaret(text.toStdString());
    RowLayout layout;
    layout.Update(model, static_cast<std::size_t>(columns));
    QStringList got;
    for (const std::string& row : RowsOf(model, layout)) got << QString::fromStdString(row);
    QCOMPARE(got, rows);
  }

  // Rows kept across edits equal the rows laid out afresh, whatever was inserted where.
  void editsMatchAFreshLayout() {
    TextModel model;
    RowLayout kept;
    const char* pieces[] = {"41 42 43 ", "\r", "\n44 45 ", "ABCDEFGHIJK", " 46\n", "47 "};
    for (int round = 0; round < 60; ++round) {
      const std::size_t at = (round * 7919u) % (model.Length() + 1);
      model.SetCaret(at);
      model.InsertAtCaret(pieces[round % 6]);
      kept.Invalidate(at);
      if (round % 3 == 0) {
        model.Select(at / 2, at);
        const std::size_t start = model.SelectionStart();
        model.DeleteSelection();
        kept.Invalidate(start);
      }
      kept.Update(model, 8);
      RowLayout fresh;
      fresh.Update(model, 8);
      QCOMPARE(RowsOf(model, kept), RowsOf(model, fresh));
      for (std::size_t r = 0; r < fresh.Count(); ++r) {
        QCOMPARE(kept.Start(r), fresh.Start(r));
        QCOMPARE(kept.RowOf(fresh.Start(r)), r);
      }
    }
  }
};

FERROTAP_TEST(RowLayoutTest)

}  // namespace ferrotap

#include "row_layout_test.moc"
