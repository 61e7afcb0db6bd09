// SPDX-License-Identifier: MIT
#pragma once

#include <QtTest>
#include <string>
#include <vector>

#include "core/capture_log_reader.h"

namespace ferrotap::test {

// A record with its own payload, comparable.
struct OwnedRecord {
  int64_t timeNs = 0;
  CapturePort port = CapturePort::A;
  CaptureKind kind = CaptureKind::Received;
  CaptureLineEvent event = CaptureLineEvent::None;
  uint8_t detail = 0;
  std::string payload;

  CaptureRecordView View() const { return {timeNs, port, kind, event, detail, payload}; }
  bool operator==(const OwnedRecord&) const = default;
};

inline OwnedRecord Owned(const CaptureRecordView& view) {
  return {view.timeNs, view.port, view.kind, view.event, view.detail, std::string(view.payload)};
}

// Every record a reader gives, until it stops.
inline std::vector<OwnedRecord> ReadAll(CaptureLogReader& reader) {
  std::vector<OwnedRecord> records;
  CaptureRecordView view;
  while (reader.Next(view)) records.push_back(Owned(view));
  return records;
}

inline std::string Slurp(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

inline void Spit(const std::string& path, const std::string& bytes) {
  QFile file(QString::fromStdString(path));
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes.data(), static_cast<qint64>(bytes.size())),
           static_cast<qint64>(bytes.size()));
}

}  // namespace ferrotap::test
