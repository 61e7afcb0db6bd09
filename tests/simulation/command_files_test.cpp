// SPDX-License-Identifier: MIT
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "simulation/ascii_command_table.h"
#include "simulation/ast_file.h"
#include "simulation/file_chunks.h"
#include "simulation/fly_file.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

using Lines = std::vector<std::string>;

AsciiCommandCells Cells(std::initializer_list<std::pair<int, std::string>> set) {
  AsciiCommandCells cells;
  for (const auto& [number, text] : set) cells[static_cast<std::size_t>(number - 1)] = text;
  return cells;
}

}  // namespace

// The toolkit-free rules of the command list, its .ast file, the .fly file and file chunks.
class CommandFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void applyDecodesTrimmedCells() {
    AsciiCommandTable table;
    table.fill("old");
    const auto failure = ApplyAsciiCommands(
        Cells({{1, " $20A$20 "}, {2, "\t ATZ\x01"}, {3, "   "}, {5, "X#013"}}), table);
    QVERIFY(!failure);
    QCOMPARE(table[0], Bytes(" A "));
    QCOMPARE(table[1], Bytes("ATZ"));
    QCOMPARE(table[2], Bytes());
    QCOMPARE(table[4], Bytes("X\r"));
    QCOMPARE(table[29], Bytes());
  }

  // unloaded counts the lines with text that set no cell: no ';' as third character, or a
  // command that a later line sets again.
  void astReads_data() {
    QTest::addColumn<QStringList>("body");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<int>("badLines");
    QTest::addColumn<int>("unloaded");
    QTest::newRow("plain") << QStringList{"03;ATZ$0D"} << 3 << "ATZ$0D" << 0 << 0;
    QTest::newRow("untrimmed, semicolons kept")
        << QStringList{"30; a;b "} << 30 << " a;b " << 0 << 0;
    QTest::newRow("later line wins") << QStringList{"02;x", "02;y"} << 2 << "y" << 0 << 1;
    QTest::newRow("blank before digit") << QStringList{" 5;v"} << 5 << "v" << 0 << 0;
    QTest::newRow("short and odd lines skipped")
        << QStringList{"", "1;", "ab", "01:x", "  ", "04;d"} << 4 << "d" << 0 << 3;
    QTest::newRow("not a number") << QStringList{"ab;x", "01;keep"} << 1 << "keep" << 1 << 0;
    QTest::newRow("outside 1 to 30") << QStringList{"00;x", "31;y", "-1;z"} << 1 << "" << 3 << 0;
  }
  void astReads() {
    QFETCH(QStringList, body);
    QFETCH(int, number);
    QFETCH(QString, cell);
    QFETCH(int, badLines);
    QFETCH(int, unloaded);
    Lines lines{"KOB - ASCII COMMANDS Tables"};
    for (const QString& line : body) lines.push_back(line.toStdString());
    const AstContent content = ReadAstLines(lines);
    QVERIFY(content.headerOk);
    QCOMPARE(content.badLines, badLines);
    QCOMPARE(content.unloaded.count, unloaded);
    QCOMPARE(QString::fromStdString(content.cells[static_cast<std::size_t>(number - 1)]), cell);
    int filled = 0;
    for (const std::string& c : content.cells) filled += c.empty() ? 0 : 1;
    QCOMPARE(filled, cell.isEmpty() ? 0 : 1);
  }

  void astRefusesOtherFilesAndKeepsLongCells() {
    QVERIFY(!ReadAstLines({}).headerOk);
    QVERIFY(!ReadAstLines({"KOB - ASCII COMMANDS Tables ", "01;x"}).headerOk);
    const std::string cell(40000, 'q');
    const AstContent content = ReadAstLines({"KOB - ASCII COMMANDS Tables", "01;" + cell});
    QCOMPARE(content.cells[0], cell);
  }

  void flyKeepsTheFirstLineOnly() {
    QCOMPARE(ReadFlyLines({"AB$0D", "second", ""}), std::string("AB$0D"));
    QCOMPARE(ReadFlyLines({}), std::string());
    QCOMPARE(WriteFlyLines(""), Lines({""}));
  }

  void fileChunks_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<int>>("chunks");
    QTest::newRow("empty") << 0 << QList<int>{};
    QTest::newRow("1500 bytes") << 1500 << QList<int>{1024, 476};
    QTest::newRow("exactly two") << 2048 << QList<int>{1024, 1024};
    // The file is read ahead in 64 KB blocks: chunks keep their size across a block's end.
    QList<int> past(100, 1024);
    past << 5;
    QTest::newRow("past a read-ahead block") << 100 * 1024 + 5 << past;
  }
  void fileChunks() {
    QFETCH(int, size);
    QFETCH(QList<int>, chunks);
    QTemporaryDir dir;
    const std::string path = dir.filePath("data.bin").toStdString();
    std::string content;
    for (int i = 0; i < size; ++i) content += static_cast<char>(i * 7);
    std::ofstream(path, std::ios::binary) << content;
    FileChunks file(path);
    QCOMPARE(file.Size(), static_cast<uint64_t>(size));
    std::string read;
    QList<int> sizes;
    for (Bytes chunk = file.Next(); !chunk.empty(); chunk = file.Next()) {
      sizes << static_cast<int>(chunk.size());
      read += chunk;
    }
    QCOMPARE(sizes, chunks);
    QVERIFY(read == content);
  }

  void fileErrorsNameTheFileAndReason() {
    QTemporaryDir dir;
    try {
      FileChunks missing(dir.filePath("none").toStdString());
      QFAIL("opened a missing file");
    } catch (const std::runtime_error& error) {
      QVERIFY(QString(error.what()).endsWith("none: No such file or directory"));
    }
    try {
      FileChunks folder(dir.path().toStdString());
      QFAIL("opened a folder");
    } catch (const std::runtime_error& error) {
      QVERIFY(QString(error.what()).endsWith(": Is a directory"));
    }
  }
};

}  // namespace ferrotap

using ferrotap::CommandFilesTest;
FERROTAP_TEST(CommandFilesTest)
#include "command_files_test.moc"
