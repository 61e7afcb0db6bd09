// SPDX-License-Identifier: MIT
#include <QtTest>
#include <string>
#include <vector>

#include "core/capture_log_format.h"
#include "core/capture_log_reader.h"
#include "core/capture_log_writer.h"
#include "core/crc32.h"
#include "tests/core/capture_log_support.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

using test::OwnedRecord;
using test::ReadAll;

const ClockBase kClock{1'765'000'000'123'456'789, 5'000'000'000};

// One record of every kind, an empty payload and every byte value among them.
std::vector<OwnedRecord> SampleRecords() {
  std::string allBytes;
  for (int n = 0; n < 256; ++n) allBytes.push_back(static_cast<char>(n));
  return {
      {5'000'000'001, CapturePort::A, CaptureKind::Received, CaptureLineEvent::None, 0, "\x01\x02"},
      {5'000'000'002, CapturePort::B, CaptureKind::Received, CaptureLineEvent::None, 0, allBytes},
      {5'000'000'003, CapturePort::A, CaptureKind::Sent, CaptureLineEvent::None, 0, "AT\r"},
      {5'000'000'004, CapturePort::A, CaptureKind::LineEvent, CaptureLineEvent::Error, 0x0C, ""},
      {5'000'000'005, CapturePort::B, CaptureKind::LineEvent, CaptureLineEvent::Loss, 0,
       "Input/output error"},
      {5'000'000'006, CapturePort::A, CaptureKind::LineEvent, CaptureLineEvent::ModemChange, 0x91, ""},
      {-7, CapturePort::Echo, CaptureKind::Text, CaptureLineEvent::None, 3, "41 54 0D "},
  };
}

// The log's bytes as the writer leaves them.
std::string WrittenLog(const std::string& path, const std::vector<OwnedRecord>& records,
                       const CaptureLogWriterOptions& options = {}) {
  auto opened = CaptureLogWriter::Open(path, kClock, options, nullptr);
  if (!opened.writer) return {};
  for (const auto& record : records) opened.writer->Append(record.View());
  opened.writer.reset();
  return test::Slurp(path);
}

}  // namespace

class CaptureLogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { dir_.emplace(); }

  // The check value of the catalogue's CRC-32, whole and in pieces of every split.
  void checksumIsTheStandardCrc32() {
    const std::string_view text = "123456789";
    QCOMPARE(Crc32(text), 0xCBF43926u);
    for (std::size_t split = 0; split <= text.size(); ++split) {
      QCOMPARE(Crc32(text.substr(split), Crc32(text.substr(0, split))), 0xCBF43926u);
    }
    QCOMPARE(Crc32(""), 0u);
  }

  void writtenRecordsReadBackEqual() {
    auto records = SampleRecords();
    // Longer than one record may carry: it comes back in pieces, in order.
    std::string big(kCaptureMaxPayload * 2 + 5, 'x');
    big[kCaptureMaxPayload] = 'y';
    records.push_back({9, CapturePort::A, CaptureKind::Sent, CaptureLineEvent::None, 0, big});
    const std::string path = Path("log.ftlog");
    auto opened = CaptureLogWriter::Open(path, kClock, {}, nullptr);
    QVERIFY(opened.writer);
    for (const auto& record : records) opened.writer->Append(record.View());
    opened.writer.reset();

    CaptureLogReader reader(4096);
    QVERIFY(reader.Open(path));
    QCOMPARE(reader.Header().clock, kClock);
    QCOMPARE(reader.Header().sequence, 0u);
    auto back = ReadAll(reader);
    QCOMPARE(reader.Stopped().reason, CaptureLogStop::Reason::End);
    QVERIFY(reader.Stopped().message.empty());
    QCOMPARE(back.size(), records.size() + 2);
    std::string joined;
    for (std::size_t n = records.size() - 1; n < back.size(); ++n) {
      QVERIFY(back[n].payload.size() <= kCaptureMaxPayload);
      QCOMPARE(back[n].timeNs, 9);
      joined += back[n].payload;
    }
    QVERIFY(joined == big);
    back.resize(records.size() - 1);
    records.pop_back();
    QVERIFY(back == records);
  }

  // Every cut of a small log, and a random cut of a large one read in large blocks.
  void cutLogReadsBackUpToTheCut() {
    const auto records = SampleRecords();
    const std::string whole = WrittenLog(Path("whole.ftlog"), records);
    std::vector<std::size_t> ends;
    std::size_t end = kCaptureLogHeaderSize;
    for (const auto& record : records) ends.push_back(end += kCaptureRecordOverhead + record.payload.size());
    QCOMPARE(whole.size(), ends.back());
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
      // A new file each time: emptying a written file makes the file system wait for the disk.
      const std::string path = Path(("cut" + std::to_string(cut)).c_str());
      test::Spit(path, whole.substr(0, cut));
      CaptureLogReader reader(7);
      const bool opened = reader.Open(path);
      QCOMPARE(opened, cut >= kCaptureLogHeaderSize);
      const auto back = opened ? ReadAll(reader) : std::vector<OwnedRecord>{};
      std::size_t complete = 0;
      while (complete < ends.size() && ends[complete] <= cut) ++complete;
      QCOMPARE(back.size(), complete);
      QVERIFY(std::equal(back.begin(), back.end(), records.begin()));
      const bool atBoundary = cut == kCaptureLogHeaderSize || (complete > 0 && ends[complete - 1] == cut);
      QCOMPARE(reader.Stopped().reason,
               atBoundary ? CaptureLogStop::Reason::End : CaptureLogStop::Reason::Cut);
      QCOMPARE(reader.Stopped().offset,
               !opened ? 0 : complete == 0 ? kCaptureLogHeaderSize : ends[complete - 1]);
    }

    std::vector<OwnedRecord> many;
    std::string payload;
    for (int n = 0; n < 20000; ++n) {
      payload.assign(static_cast<std::size_t>(n % 300), static_cast<char>(n));
      many.push_back({n, CapturePort::A, CaptureKind::Received, CaptureLineEvent::None, 0, payload});
    }
    const std::string large = WrittenLog(Path("large.ftlog"), many);
    const auto cut = static_cast<std::size_t>(
        QRandomGenerator::global()->bounded(static_cast<quint64>(kCaptureLogHeaderSize),
                                            static_cast<quint64>(large.size())));
    test::Spit(Path("large-cut.ftlog"), large.substr(0, cut));
    CaptureLogReader reader;
    QVERIFY(reader.Open(Path("large-cut.ftlog")));
    const auto back = ReadAll(reader);
    QVERIFY(back.size() < many.size());
    QVERIFY(std::equal(back.begin(), back.end(), many.begin()));
    std::size_t readEnd = kCaptureLogHeaderSize;
    for (const auto& record : back) readEnd += kCaptureRecordOverhead + record.payload.size();
    QCOMPARE(reader.Stopped().offset, readEnd);
    QVERIFY2(cut - readEnd < kCaptureRecordOverhead + many[back.size()].payload.size(),
             qPrintable(QString("cut %1, read to %2").arg(cut).arg(readEnd)));
    // A cut that falls between two records is a clean end, with nothing to name.
    if (cut == readEnd) {
      QCOMPARE(reader.Stopped().reason, CaptureLogStop::Reason::End);
    } else {
      QVERIFY(QString::fromStdString(reader.Stopped().message).contains("large-cut.ftlog"));
    }
  }

  void damageIsReportedNotMisread_data() {
    QTest::addColumn<int>("flipFromEnd");  // which byte to change, counted from the end; 0: none
    QTest::addColumn<QByteArray>("appended");
    QTest::newRow("payload byte") << 3 << QByteArray();
    QTest::newRow("checksum byte") << 1 << QByteArray();
    QTest::newRow("zeros after the last record") << 0 << QByteArray(64, '\0');
    QTest::newRow("text after the last record") << 0 << QByteArray("garbage that goes on and on");
  }
  void damageIsReportedNotMisread() {
    QFETCH(int, flipFromEnd);
    QFETCH(QByteArray, appended);
    const auto records = SampleRecords();
    std::string bytes = WrittenLog(Path("log.ftlog"), records);
    const std::size_t intact = bytes.size();
    if (flipFromEnd > 0) bytes[bytes.size() - static_cast<std::size_t>(flipFromEnd)] ^= 0x20;
    bytes += appended.toStdString();
    test::Spit(Path("log.ftlog"), bytes);
    CaptureLogReader reader(16);
    QVERIFY(reader.Open(Path("log.ftlog")));
    const auto back = ReadAll(reader);
    const std::size_t expected = flipFromEnd > 0 ? records.size() - 1 : records.size();
    QCOMPARE(back.size(), expected);
    QVERIFY(std::equal(back.begin(), back.end(), records.begin()));
    QCOMPARE(reader.Stopped().reason, CaptureLogStop::Reason::Damaged);
    const std::size_t lastStart = intact - kCaptureRecordOverhead - records.back().payload.size();
    QCOMPARE(reader.Stopped().offset, flipFromEnd > 0 ? lastStart : intact);
    QVERIFY(!reader.Stopped().message.empty());
  }

  void whatIsNotALogIsRefusedByName_data() {
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<int>("reason");
    QTest::newRow("missing") << false << QByteArray() << "No such file or directory"
                             << int(CaptureLogStop::Reason::Unreadable);
    QTest::newRow("text") << true << QByteArray("hello\r\n") << "not a capture log"
                          << int(CaptureLogStop::Reason::Damaged);
    QTest::newRow("empty file") << true << QByteArray() << "ends within its header"
                                << int(CaptureLogStop::Reason::Cut);
    std::string header;
    AppendCaptureLogHeader(header, {0, 42, kClock});
    QTest::newRow("half a header") << true << QByteArray::fromStdString(header.substr(0, 20))
                                   << "ends within its header" << int(CaptureLogStop::Reason::Cut);
    QByteArray newer = QByteArray::fromStdString(header);
    newer[8] = 2;
    QTest::newRow("newer version") << true << newer << "format version 2"
                                   << int(CaptureLogStop::Reason::Damaged);
    QByteArray damaged = QByteArray::fromStdString(header);
    damaged[20] = static_cast<char>(damaged[20] ^ 1);
    QTest::newRow("damaged header") << true << damaged << "header is damaged"
                                    << int(CaptureLogStop::Reason::Damaged);
  }
  void whatIsNotALogIsRefusedByName() {
    QFETCH(bool, exists);
    QFETCH(QByteArray, content);
    QFETCH(QString, problem);
    QFETCH(int, reason);
    const std::string path = Path("what.ftlog");
    if (exists) test::Spit(path, content.toStdString());
    CaptureLogReader reader;
    QVERIFY(!reader.Open(path));
    QCOMPARE(int(reader.Stopped().reason), reason);
    const QString message = QString::fromStdString(reader.Stopped().message);
    QVERIFY2(message.contains(QString::fromStdString(path)) && message.contains(problem),
             qPrintable(message));
    CaptureRecordView view;
    QVERIFY(!reader.Next(view));
  }

  void continuationNames_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("second");
    QTest::newRow("extension") << "/tmp/day.ftlog" << "/tmp/day-0002.ftlog";
    QTest::newRow("no extension") << "/tmp/day" << "/tmp/day-0002";
    QTest::newRow("dot in the folder") << "/tmp/a.b/day" << "/tmp/a.b/day-0002";
    QTest::newRow("hidden file") << ".day" << ".day-0002";
    QTest::newRow("two dots") << "day.1.log" << "day.1-0002.log";
  }
  void continuationNames() {
    QFETCH(QString, path);
    QFETCH(QString, second);
    QCOMPARE(QString::fromStdString(CaptureLogContinuationPath(path.toStdString(), 2)), second);
    QCOMPARE(CaptureLogContinuationPath("x", 12345), std::string("x-12345"));
  }

  // Past the size limit the log goes on in numbered files that read back as one log; a numbered
  // file left by an earlier log of the same name is not taken for a part of a new one.
  void logContinuesInNumberedFiles() {
    std::vector<OwnedRecord> records;
    for (int n = 0; n < 100; ++n) {
      records.push_back({n, CapturePort::B, CaptureKind::Received, CaptureLineEvent::None, 0,
                         std::string(50, static_cast<char>('a' + n % 26))});
    }
    const std::string path = Path("day.ftlog");
    CaptureLogWriterOptions options;
    options.maxFileBytes = 1000;
    auto opened = CaptureLogWriter::Open(path, kClock, options, nullptr);
    QVERIFY(opened.writer);
    for (std::size_t n = 0; n < records.size(); ++n) {
      opened.writer->Append(records[n].View());
      if (n % 7 == 0) opened.writer->Flush();  // rotations within and between batches
    }
    opened.writer->Flush();
    const uint32_t files = opened.writer->Status().files;
    opened.writer.reset();
    const std::size_t perFile = (1000 - kCaptureLogHeaderSize) / (kCaptureRecordOverhead + 50);
    QCOMPARE(files, static_cast<uint32_t>((records.size() + perFile - 1) / perFile));
    for (uint32_t n = 0; n < files; ++n) {
      const std::string name = n == 0 ? path : CaptureLogContinuationPath(path, n);
      const std::string bytes = test::Slurp(name);
      QVERIFY2(bytes.size() <= 1000 && bytes.size() > kCaptureLogHeaderSize, name.c_str());
      CaptureLogHeader header;
      QCOMPARE(ParseCaptureLogHeader(bytes, header).status, ParseStatus::Ok);
      QCOMPARE(header.sequence, n);
    }
    QVERIFY(!QFile::exists(QString::fromStdString(CaptureLogContinuationPath(path, files))));

    CaptureLogReader reader(100);
    QVERIFY(reader.Open(path));
    QVERIFY(ReadAll(reader) == records);
    QCOMPARE(reader.Stopped().reason, CaptureLogStop::Reason::End);
    QCOMPARE(reader.Stopped().file, CaptureLogContinuationPath(path, files - 1));

    const std::vector<OwnedRecord> newer(records.begin(), records.begin() + 3);
    WrittenLog(path, newer);
    CaptureLogReader again;
    QVERIFY(again.Open(path));
    QVERIFY(ReadAll(again) == newer);
    QCOMPARE(again.Stopped().reason, CaptureLogStop::Reason::End);
  }

 private:
  std::string Path(const char* name) const { return dir_->filePath(name).toStdString(); }
  std::optional<QTemporaryDir> dir_;
};

FERROTAP_TEST(CaptureLogTest)

}  // namespace ferrotap
#include "capture_log_test.moc"
