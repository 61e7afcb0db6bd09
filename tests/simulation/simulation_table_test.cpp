// SPDX-License-Identifier: MIT
#include <QtTest>

#include "simulation/pst_file.h"
#include "simulation/simulation_table.h"
#include "tests/support/test_registry.h"

namespace ferrotap {

class SimulationTableTest : public QObject {
  Q_OBJECT

 private slots:
  // Rows before a malformed one are applied, that row holds what decoded before the fault and the
  // rows after it keep their entries.
  void apply_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("sync");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("answerBytes");
    QTest::addColumn<bool>("marked");
    QTest::newRow("valid") << 255 << "$00"
                           << " \t^C$42 "
                           << " \tsync  "
                           << "Table validated and applied" << QByteArray("\x03\x42") << true;
    QTest::newRow("blank answer") << 7 << ""
                                  << "\t "
                                  << "Sync"
                                  << "Table validated and applied" << QByteArray() << true;
    QTest::newRow("answer of 10") << 10 << "$41"
                                  << " ABC$G1 "
                                  << "SYN"
                                  << "Process aborted. Malformed string : $G1  in COMM $0A:  ABC$G1"
                                  << QByteArray("ABC") << false;
    QTest::newRow("both cells: the answer is reported")
        << 0 << "x#9z9"
        << "^A$4"
        << "Yes"
        << "Process aborted. Malformed string : $4  in COMM $00:  ^A$4" << QByteArray("\x01")
        << false;
    QTest::newRow("query of 255") << 255 << "$0"
                                  << ""
                                  << "*"
                                  << "Process aborted. Malformed string : $0  in COMM $FF:  $0"
                                  << QByteArray() << false;
  }

  void apply() {
    QFETCH(int, code);
    QFETCH(QString, query);
    QFETCH(QString, answer);
    QFETCH(QString, sync);
    QFETCH(QString, message);
    QFETCH(QByteArray, answerBytes);
    QFETCH(bool, marked);
    SimulationRows rows;
    SimulationTable table;
    for (int k = 0; k < kSimulationCommandCount; ++k) {
      rows[k] = {"$41", "$41", ""};
      table[static_cast<uint8_t>(k)] = {"old", "old", "SYNC"};
    }
    rows[code] = {query.toStdString(), answer.toStdString(), sync.toStdString()};
    const ApplyOutcome outcome = ApplySimulationRows(rows, table);
    QCOMPARE(QString::fromStdString(outcome.message), message);
    QCOMPARE(outcome.ok, message.startsWith("Table"));
    for (int k = 0; k < kSimulationCommandCount; ++k) {
      if (k == code) continue;
      const bool applied = outcome.ok || k < code;
      QCOMPARE(table[static_cast<uint8_t>(k)].answer, Bytes(applied ? "A" : "old"));
      QCOMPARE(table.IsSyncMarked(static_cast<uint8_t>(k)), !applied);
    }
    QCOMPARE(QByteArray::fromStdString(table[static_cast<uint8_t>(code)].answer), answerBytes);
    QCOMPARE(table.IsSyncMarked(static_cast<uint8_t>(code)), marked);
  }

  // A saved and loaded row applies to the same entry, with the same outcome, whatever it holds.
  void pstRoundTrip_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("sync");
    const auto row = [](const char* name, const char* query, const char* answer, const char* sync) {
      QTest::newRow(name) << QString(query) << QString(answer) << QString(sync);
    };
    row("plain", " $01$02", "ok^M ", "");
    row("only a SYNC cell", "", "", "Sync");
    row("separators", "a;b;", ";", "x;y");
    row("separators in escapes", "^;#059", "$3B^\r\nz", "");
    row("malformed after separator", ";$G1;", "", "");
    row("separator in malformed #", "a#;12;", "# ;5", "");
    row("separator in malformed $", "$;1", "", "");
    row("line end in SYNC", "$01", "", "SY\r\n012;$01;;");
  }

  void pstRoundTrip() {
    QFETCH(QString, query);
    QFETCH(QString, answer);
    QFETCH(QString, sync);
    SimulationRows rows;
    rows[7] = {query.toStdString(), answer.toStdString(), sync.toStdString()};
    const PstContents read = ReadPstLines(WritePstLines(rows));
    QVERIFY(read.headerOk);
    SimulationTable original;
    SimulationTable reloaded;
    QCOMPARE(ApplySimulationRows(read.rows, reloaded).ok, ApplySimulationRows(rows, original).ok);
    QCOMPARE(reloaded[7].query, original[7].query);
    QCOMPARE(reloaded[7].answer, original[7].answer);
    QCOMPARE(reloaded.IsSyncMarked(7), original.IsSyncMarked(7));
    QVERIFY(read.rows[12] == SimulationRow());  // nothing leaks out of the SYNC cell
  }

  void pstReadRules_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("code");  // -1: the line sets no row
    QTest::addColumn<int>("incompatible");
    QTest::addColumn<bool>("unloaded");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("no ; after the query") << "012;$41" << -1 << 0 << true << QStringList();
    QTest::newRow("no ; after the number") << "12;$41;;" << -1 << 0 << true << QStringList();
    QTest::newRow("blank line") << "   " << -1 << 0 << false << QStringList();
    QTest::newRow("no SYNC field")
        << "012;$41;$42" << 12 << 0 << false << QStringList{"$41", "$42", ""};
    QTest::newRow("SYNC keeps ;") << "012;a;b;c;d" << 12 << 0 << false
                                  << QStringList{"a", "b", "c;d"};
    QTest::newRow("untrimmed") << "000; q ;a ; s " << 0 << 0 << false
                               << QStringList{" q ", "a ", " s "};
    QTest::newRow("letters as number") << "ab ;x" << -1 << 1 << false << QStringList();
    QTest::newRow("above 255") << "256;x;;" << -1 << 1 << false << QStringList();
    QTest::newRow("$0A is 10") << "$0A;q;;" << 10 << 0 << false << QStringList{"q", "", ""};
    QTest::newRow("0xA is 10") << "0xA;q;;" << 10 << 0 << false << QStringList{"q", "", ""};
    QTest::newRow("0x0A takes four") << "0x0A;q;;" << -1 << 0 << true << QStringList();
    QTest::newRow("x0A is 10") << "x0A;q;;" << 10 << 0 << false << QStringList{"q", "", ""};
    QTest::newRow("long line") << "001;;" + QString(20000, 'a') << 1 << 0 << false
                               << QStringList{"", QString(20000, 'a'), ""};
    QTest::newRow("long line, ; past 10000") << "001;" + QString(12000, 'a') + ";b;" << 1 << 0
                                             << false << QStringList{QString(12000, 'a'), "b", ""};
  }

  void pstReadRules() {
    QFETCH(QString, line);
    QFETCH(int, code);
    QFETCH(int, incompatible);
    QFETCH(bool, unloaded);
    QFETCH(QStringList, cells);
    const PstContents read = ReadPstLines({std::string(kPstHeader), line.toStdString()});
    QCOMPARE(read.incompatibleLines, incompatible);
    QCOMPARE(read.unloaded.count, unloaded ? 1 : 0);
    SimulationRows expected;
    if (code >= 0) {
      expected[code] = {cells[0].toStdString(), cells[1].toStdString(), cells[2].toStdString()};
    }
    QVERIFY(read.rows == expected);
  }
};

FERROTAP_TEST(SimulationTableTest)

}  // namespace ferrotap

#include "simulation_table_test.moc"
