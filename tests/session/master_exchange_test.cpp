// SPDX-License-Identifier: MIT
#include <QtTest>
#include <optional>
#include <string>
#include <vector>

#include "session/master_exchange.h"
#include "tests/support/test_registry.h"

namespace ferrotap {

class MasterExchangeTest : public QObject {
  Q_OBJECT

 private slots:
  // Steps: 0 ACK, 1 NAK, 2 SYN, 3 a good answer, 4 an answer with a bad checksum, 5 SYNC time-out,
  // 6 CTS as SYNC. The expected end is reported on the last step.
  void endsOnTheLastStepOrTheFirstFailure_data() {
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("sync");
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<QString>("end");
    QTest::newRow("ack only") << false << false << QList<int>{0} << "completed";
    QTest::newRow("ack answer sync") << true << true << QList<int>{0, 3, 2} << "completed";
    QTest::newRow("sync before answer") << true << true << QList<int>{0, 2, 3} << "completed";
    QTest::newRow("cts sync") << false << true << QList<int>{0, 6} << "completed";
    QTest::newRow("nak") << true << false << QList<int>{1} << "NAK";
    QTest::newRow("bad answer") << true << false << QList<int>{0, 4}
                                << "answer with a bad checksum";
    QTest::newRow("no sync") << false << true << QList<int>{0, 5} << "SYNC Time Out";
  }
  void endsOnTheLastStepOrTheFirstFailure() {
    QFETCH(bool, answer);
    QFETCH(bool, sync);
    QFETCH(QList<int>, steps);
    QFETCH(QString, end);
    MasterExchange exchange;
    QVERIFY(!exchange.Start(9, {true, answer, sync}));
    DecodedPacket good;
    good.checksum = ChecksumCheck::Ok;
    DecodedPacket bad;
    bad.checksum = ChecksumCheck::Error;
    std::optional<ExchangeEnd> result;
    for (qsizetype i = 0; i < steps.size(); ++i) {
      QVERIFY2(!result, "ended before its last step");
      switch (steps[i]) {
        case 0:
          result = exchange.Seen(ProtocolEvent::Ack);
          break;
        case 1:
          result = exchange.Seen(ProtocolEvent::Nak);
          break;
        case 2:
          result = exchange.Seen(ProtocolEvent::Sync);
          break;
        case 3:
          result = exchange.Framed(good);
          break;
        case 4:
          result = exchange.Framed(bad);
          break;
        case 5:
          result = exchange.Seen(ProtocolEvent::SyncTimeout);
          break;
        case 6:
          result = exchange.SyncOnCts();
          break;
      }
    }
    QVERIFY(result.has_value());
    QCOMPARE(result->code, 9);
    QCOMPARE(result->completed ? QString("completed") : QString::fromStdString(result->why), end);
    QVERIFY(!exchange.Open());
    QVERIFY(!exchange.Seen(ProtocolEvent::Nak));
  }

  void nothingExpectedCompletesAtOnce() {
    MasterExchange exchange;
    const auto end = exchange.Start(3, {});
    QVERIFY(end && end->completed);
    QVERIFY(!exchange.Abandon("x"));
  }
};

FERROTAP_TEST(MasterExchangeTest)

}  // namespace ferrotap

#include "master_exchange_test.moc"
