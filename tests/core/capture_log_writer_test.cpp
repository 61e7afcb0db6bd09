// SPDX-License-Identifier: MIT
#include <QtTest>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "core/capture_log_reader.h"
#include "core/capture_log_writer.h"
#include "tests/core/capture_log_support.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

CaptureRecordView Received(int64_t timeNs, std::string_view payload) {
  return {timeNs, CapturePort::A, CaptureKind::Received, CaptureLineEvent::None, 0, payload};
}

// What a log holds: the records, and what its Dropped notices count.
struct LogContent {
  std::vector<test::OwnedRecord> records;
  uint64_t droppedRecords = 0;
  uint64_t droppedBytes = 0;
  int notices = 0;
};

LogContent ReadLog(const std::string& path) {
  LogContent content;
  CaptureLogReader reader;
  if (!reader.Open(path)) return content;
  for (const auto& record : test::ReadAll(reader)) {
    if (record.kind != CaptureKind::Dropped) {
      content.records.push_back(record);
      continue;
    }
    const DroppedCounts counts = ParseDroppedPayload(record.payload);
    content.droppedRecords += counts.records;
    content.droppedBytes += counts.bytes;
    ++content.notices;
  }
  return content;
}

CaptureLogWriter::OpenResult OpenWithQueueLimit(const std::string& path, std::size_t bytes) {
  CaptureLogWriterOptions options;
  options.queueLimitBytes = bytes;
  return CaptureLogWriter::Open(path, ClockBase::Now(), options, nullptr);
}

}  // namespace

class CaptureLogWriterTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { dir_.emplace(); }

  void writeErrorIsReportedOnce() {
    std::mutex mutex;
    std::vector<std::string> reports;
    auto opened = CaptureLogWriter::Open("/dev/full", ClockBase::Now(), {},
                                         [&](const std::string& message) {
                                           std::lock_guard lock(mutex);
                                           reports.push_back(message);
                                         });
    QVERIFY(opened.writer);
    auto& writer = *opened.writer;
    for (int n = 0; n < 100; ++n) writer.Append(Received(n, "data"));
    writer.Flush();
    for (int n = 0; n < 100; ++n) writer.Append(Received(n, "more"));
    writer.Flush();
    const CaptureLogStatus status = writer.Status();
    opened.writer.reset();
    QCOMPARE(reports.size(), std::size_t{1});
    QCOMPARE(reports.front(), std::string("Writing capture log /dev/full: No space left on device"));
    QCOMPARE(status.error, reports.front());
    // What came after the error is counted, not silently gone.
    QCOMPARE(status.droppedRecords, uint64_t{100});
    QCOMPARE(status.droppedBytes, uint64_t{400});
  }

  void fileThatCannotBeCreatedIsNamed() {
    const std::string path = dir_->filePath("no/such/folder/log.ftlog").toStdString();
    bool called = false;
    auto opened = CaptureLogWriter::Open(path, ClockBase::Now(), {},
                                         [&](const std::string&) { called = true; });
    QVERIFY(!opened.writer);
    QCOMPARE(opened.error, "Opening capture log " + path + ": No such file or directory");
    QVERIFY(!called);
  }

  // A continuation that cannot be created stops the log like a write error, once.
  void continuationThatCannotBeCreatedIsReported() {
    const std::string path = dir_->filePath("day.ftlog").toStdString();
    QVERIFY(QDir().mkpath(QString::fromStdString(CaptureLogContinuationPath(path, 1))));
    std::atomic<int> reports{0};
    CaptureLogWriterOptions options;
    options.maxFileBytes = 200;
    auto opened = CaptureLogWriter::Open(path, ClockBase::Now(), options,
                                         [&](const std::string&) { ++reports; });
    QVERIFY(opened.writer);
    for (int n = 0; n < 20; ++n) opened.writer->Append(Received(n, std::string(40, 'x')));
    opened.writer->Flush();
    const std::string error = opened.writer->Status().error;
    opened.writer.reset();
    QCOMPARE(reports.load(), 1);
    QVERIFY2(QString::fromStdString(error).startsWith(
                 QString::fromStdString("Opening capture log " + CaptureLogContinuationPath(path, 1))),
             error.c_str());
    QCOMPARE(ReadLog(path).records.size(), std::size_t{2});
  }

  // A record that never fits the queue is dropped, and the log says how many were.
  void droppedRecordsAreLoggedAsSuch() {
    const std::string path = dir_->filePath("log.ftlog").toStdString();
    auto opened = OpenWithQueueLimit(path, 30);
    QVERIFY(opened.writer);
    opened.writer->Append(Received(1, "fits"));
    for (int n = 0; n < 5; ++n) opened.writer->Append(Received(2 + n, std::string(20, 'x')));
    const CaptureLogStatus status = opened.writer->Status();
    opened.writer.reset();
    QCOMPARE(status.droppedRecords, uint64_t{5});
    QCOMPARE(status.droppedBytes, uint64_t{100});
    const LogContent content = ReadLog(path);
    QCOMPARE(content.records.size(), std::size_t{1});
    QCOMPARE(content.records.front().payload, std::string("fits"));
    QCOMPARE(content.notices, 1);
    QCOMPARE(content.droppedRecords, uint64_t{5});
    QCOMPARE(content.droppedBytes, uint64_t{100});
  }

  // Under a flood into a small queue every record is either in the log or counted as dropped.
  void floodIsWrittenOrCounted() {
    const std::string path = dir_->filePath("log.ftlog").toStdString();
    auto opened = OpenWithQueueLimit(path, 4096);
    QVERIFY(opened.writer);
    constexpr int kRecords = 50000;
    for (int n = 0; n < kRecords; ++n) opened.writer->Append(Received(n, std::string(n % 64, 'z')));
    opened.writer.reset();
    const LogContent content = ReadLog(path);
    QCOMPARE(content.records.size() + content.droppedRecords, uint64_t{kRecords});
    int64_t previous = -1;
    for (const auto& record : content.records) {
      QVERIFY(record.timeNs > previous);
      QCOMPARE(record.payload.size(), static_cast<std::size_t>(record.timeNs % 64));
      previous = record.timeNs;
    }
  }

  // Without any flush or close, what is appended reaches the file by itself.
  void appendedRecordsReachTheFileUnasked() {
    const std::string path = dir_->filePath("log.ftlog").toStdString();
    auto opened = CaptureLogWriter::Open(path, ClockBase::Now(), {}, nullptr);
    QVERIFY(opened.writer);
    opened.writer->Append(Received(1, "early"));
    QTRY_COMPARE_WITH_TIMEOUT(ReadLog(path).records.size(), std::size_t{1}, 5000);
  }

 private:
  std::optional<QTemporaryDir> dir_;
};

FERROTAP_TEST(CaptureLogWriterTest)

}  // namespace ferrotap
#include "capture_log_writer_test.moc"
