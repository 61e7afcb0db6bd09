#include <QtTest>

#include "simulation/pst_file.h"
#include "simulation/simulation_table.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

SimulationRows FilledRows(const std::string& query) {
  SimulationRows rows;
  for (SimulationRow& row : rows) row = {query, query, ""};
  return rows;
}

SimulationTable FilledTable(const Bytes& bytes) {
  SimulationTable table;
  for (int k = 0; k < kSimulationCommandCount; ++k) {
    table[static_cast<uint8_t>(k)] = {bytes, bytes, "OLD"};
  }
  return table;
}

}  // namespace

class SimulationTableTest : public QObject {
  Q_OBJECT

 private slots:
  // The row with the fault is applied as far as it decodes; rows after it keep what they held.
  void applyStopsAtFirstMalformedRow_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("queryBytes");
    QTest::addColumn<QByteArray>("answerBytes");
    QTest::newRow("answer of 10") << 10 << "$41"
                                  << " ABC$G1 "
                                  << "Process aborted. Malformed string : $G1  in COMM $0A:  ABC$G1"
                                  << QByteArray("A") << QByteArray("ABC");
    QTest::newRow("both cells: the answer is reported")
        << 0 << "x#9z9"
        << "^A$4"
        << "Process aborted. Malformed string : $4  in COMM $00:  ^A$4" << QByteArray("x")
        << QByteArray("\x01");
    QTest::newRow("query of 255") << 255 << "$0"
                                  << ""
                                  << "Process aborted. Malformed string : $0  in COMM $FF:  $0"
                                  << QByteArray() << QByteArray();
  }

  void applyStopsAtFirstMalformedRow() {
    QFETCH(int, code);
    QFETCH(QString, query);
    QFETCH(QString, answer);
    QFETCH(QString, message);
    QFETCH(QByteArray, queryBytes);
    QFETCH(QByteArray, answerBytes);
    SimulationRows rows = FilledRows("$41");
    rows[code] = {query.toStdString(), answer.toStdString(), " sync"};
    SimulationTable table = FilledTable("old");
    const ApplyOutcome outcome = ApplySimulationRows(rows, table);
    QVERIFY(!outcome.ok);
    QCOMPARE(QString::fromStdString(outcome.message), message);
    for (int k = 0; k < kSimulationCommandCount; ++k) {
      const SimulationEntry& entry = table[static_cast<uint8_t>(k)];
      if (k < code) QCOMPARE(entry.answer, Bytes("A"));
      if (k > code) QCOMPARE(entry.answer, Bytes("old"));
    }
    QCOMPARE(table[code].query, queryBytes.toStdString());
    QCOMPARE(table[code].answer, answerBytes.toStdString());
    QVERIFY(table.IsSyncMarked(static_cast<uint8_t>(code)));
  }

  void applySetsEveryEntry_data() {
    QTest::addColumn<QString>("sync");
    QTest::addColumn<bool>("marked");
    QTest::newRow("sync") << "sync" << true;
    QTest::newRow("Sync") << "Sync" << true;
    QTest::newRow("blanks around") << " \tSYNC  " << true;
    QTest::newRow("Yes") << "Yes" << false;
    QTest::newRow("*") << "*" << false;
    QTest::newRow("SYN") << "SYN" << false;
    QTest::newRow("SYNC inside") << "SYNC!" << false;
  }

  void applySetsEveryEntry() {
    QFETCH(QString, sync);
    QFETCH(bool, marked);
    SimulationRows rows;
    rows[255] = {" #065$42^C ", "\t", sync.toStdString()};
    rows[7] = {"", "", sync.toStdString()};
    SimulationTable table = FilledTable("old");
    const ApplyOutcome outcome = ApplySimulationRows(rows, table);
    QVERIFY(outcome.ok);
    QCOMPARE(outcome.message, std::string("Table validated and applied"));
    QCOMPARE(table[255].query, Bytes("AB\x03"));
    QCOMPARE(table[255].answer, Bytes());  // blanks only count as empty
    QCOMPARE(table[0].query, Bytes());
    for (uint8_t code : {uint8_t{7}, uint8_t{255}}) QCOMPARE(table.IsSyncMarked(code), marked);
    QVERIFY(!table.IsSyncMarked(8));
    table.MarkSync(8, true);
    QVERIFY(table.IsSyncMarked(8));
    table.MarkSync(7, false);
    QVERIFY(!table.IsSyncMarked(7));
  }

  void pstLines() {
    SimulationRows rows;
    rows[5] = {" $01 ", "", "Sync"};
    rows[7] = {"", "  ", "Sync"};
    rows[9] = {" ", "\t", " "};
    rows[255] = {"a;b", "^;x", "S;Y"};
    const std::vector<std::string> expected = {"KOB - Protocol Simulation Tables", "005;$01;;Sync",
                                               "007;;;Sync", "255;a$3Bb;$3Bx;S;Y"};
    QCOMPARE(WritePstLines(rows), expected);
  }

  // Whatever the cells hold, a saved and loaded table applies to the same entries, with the same
  // message, and shows the same cells once trimmed (but for separators written as escapes).
  void pstRoundTrip_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("sync");
    QTest::newRow("plain") << "$01$02"
                           << "ok^M"
                           << "";
    QTest::newRow("only a SYNC cell") << ""
                                      << ""
                                      << "Sync";
    QTest::newRow("separators") << "a;b;"
                                << ";"
                                << "x;y";
    QTest::newRow("separator in escapes") << "^;#059"
                                          << "$3B^\r\nz"
                                          << "";
    QTest::newRow("malformed after separator") << ";$G1;"
                                               << ""
                                               << "";
    QTest::newRow("separator in malformed #") << "a#;12;"
                                              << "b"
                                              << "";
    QTest::newRow("separator in malformed # after blank") << "# ;5"
                                                          << ""
                                                          << "";
    QTest::newRow("separator in malformed $") << "$;1"
                                              << ""
                                              << "";
  }

  void pstRoundTrip() {
    QFETCH(QString, query);
    QFETCH(QString, answer);
    QFETCH(QString, sync);
    SimulationRows rows;
    rows[7] = {query.toStdString(), answer.toStdString(), sync.toStdString()};
    rows[255] = {"$FF", " end ", ""};
    const PstContents read = ReadPstLines(WritePstLines(rows));
    QVERIFY(read.headerOk);
    QCOMPARE(read.incompatibleLines, 0);
    SimulationTable original;
    SimulationTable reloaded;
    const ApplyOutcome before = ApplySimulationRows(rows, original);
    const ApplyOutcome after = ApplySimulationRows(read.rows, reloaded);
    QCOMPARE(after.ok, before.ok);
    for (int k = 0; k < kSimulationCommandCount; ++k) {
      const auto code = static_cast<uint8_t>(k);
      QCOMPARE(reloaded[code].query, original[code].query);
      QCOMPARE(reloaded[code].answer, original[code].answer);
      QCOMPARE(reloaded[code].syncMark, original[code].syncMark);
    }
    QVERIFY(read.rows[255] == (SimulationRow{"$FF", "end", ""}));
    const std::string trimmedQuery(TrimCell(query.toStdString()));
    if (!query.contains(';')) QCOMPARE(read.rows[7].query, trimmedQuery);
    QCOMPARE(read.rows[7].sync, std::string(TrimCell(sync.toStdString())));
  }

  void pstReadRules_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("code");  // -1: the line is skipped
    QTest::addColumn<int>("incompatible");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("sync");
    QTest::newRow("no ; after the query") << "012;$41" << -1 << 0 << ""
                                          << ""
                                          << "";
    QTest::newRow("no SYNC field") << "012;$41;$42" << 12 << 0 << "$41"
                                   << "$42"
                                   << "";
    QTest::newRow("SYNC keeps ;") << "012;a;b;c;d" << 12 << 0 << "a"
                                  << "b"
                                  << "c;d";
    QTest::newRow("cells untrimmed") << "000; q ;a ; s " << 0 << 0 << " q "
                                     << "a "
                                     << " s ";
    QTest::newRow("fourth char not ;") << "12;x;y;" << -1 << 0 << ""
                                       << ""
                                       << "";
    QTest::newRow("short") << "00;" << -1 << 0 << ""
                           << ""
                           << "";
    QTest::newRow("empty") << "" << -1 << 0 << ""
                           << ""
                           << "";
    QTest::newRow("leading blank in number") << " 12;x;;" << 12 << 0 << "x"
                                             << ""
                                             << "";
    QTest::newRow("letters as number") << "abc;x;;" << -1 << 1 << ""
                                       << ""
                                       << "";
    QTest::newRow("hex as number") << "0x1;x;;" << -1 << 1 << ""
                                   << ""
                                   << "";
    QTest::newRow("number above 255") << "256;x;;" << -1 << 1 << ""
                                      << ""
                                      << "";
    QTest::newRow("negative number") << "-01;x;;" << -1 << 1 << ""
                                     << ""
                                     << "";
    QTest::newRow("bad number without ;") << "ab ;x" << -1 << 1 << ""
                                          << ""
                                          << "";
  }

  void pstReadRules() {
    QFETCH(QString, line);
    QFETCH(int, code);
    QFETCH(int, incompatible);
    QFETCH(QString, query);
    QFETCH(QString, answer);
    QFETCH(QString, sync);
    const PstContents read = ReadPstLines({"KOB - Protocol Simulation Tables", line.toStdString()});
    QVERIFY(read.headerOk);
    QCOMPARE(read.incompatibleLines, incompatible);
    SimulationRows expected;
    if (code >= 0) expected[code] = {query.toStdString(), answer.toStdString(), sync.toStdString()};
    QVERIFY(read.rows == expected);
  }

  void pstReadLimitsAndHeader() {
    const std::string header = "KOB - Protocol Simulation Tables";
    const PstContents longLine = ReadPstLines({header, "001;" + std::string(20000, 'q')});
    QCOMPARE(longLine.rows[1].query, std::string());  // the ';' lies beyond what is read
    const PstContents cut = ReadPstLines({header, "001;;" + std::string(20000, 'a')});
    QCOMPARE(cut.rows[1].answer.size(), std::size_t{9999});
    for (const std::vector<std::string>& lines : std::vector<std::vector<std::string>>{
             {}, {header + " ", "001;a;b;"}, {"001;a;b;", header}}) {
      const PstContents read = ReadPstLines(lines);
      QVERIFY(!read.headerOk);
      QVERIFY(read.rows == SimulationRows());
    }
  }
};

FERROTAP_TEST(SimulationTableTest)

}  // namespace ferrotap

#include "simulation_table_test.moc"
