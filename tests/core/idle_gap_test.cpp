// SPDX-License-Identifier: MIT
#include <QtTest>

#include "core/idle_gap.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

CharacterFrame Frame(int baud, int dataBits, bool parity, StopBits stopBits) {
  return {baud, dataBits, parity, stopBits};
}

const CharacterFrame k9600_8N1 = Frame(9600, 8, false, StopBits::One);

}  // namespace

class IdleGapTest : public QObject {
  Q_OBJECT

 private slots:
  void characterTimes_data() {
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<bool>("parity");
    QTest::addColumn<int>("stopBits");  // StopBits
    QTest::addColumn<qint64>("thousandths");
    QTest::addColumn<qint64>("ns");
    const int one = int(StopBits::One), half = int(StopBits::OneAndHalf), two = int(StopBits::Two);
    // 10 bits at 9600 bit/s: 1041666.7 ns.
    QTest::newRow("9600 8N1") << 9600 << 8 << false << one << qint64{1000} << qint64{1041667};
    QTest::newRow("9600 8N1 3.5") << 9600 << 8 << false << one << qint64{3500} << qint64{3645833};
    QTest::newRow("19200 8E1") << 19200 << 8 << true << one << qint64{1000} << qint64{572917};
    QTest::newRow("115200 8O2") << 115200 << 8 << true << two << qint64{1000} << qint64{104167};
    QTest::newRow("9600 5N1.5") << 9600 << 5 << false << half << qint64{1000} << qint64{781250};
    QTest::newRow("300 7E2 x1000") << 300 << 7 << true << two << qint64{1000000}
                                   << qint64{36666666667};
    QTest::newRow("no rate") << 0 << 8 << false << one << qint64{3500} << qint64{0};
  }
  void characterTimes() {
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(bool, parity);
    QFETCH(int, stopBits);
    QFETCH(qint64, thousandths);
    QFETCH(qint64, ns);
    const CharacterFrame frame = Frame(baud, dataBits, parity, static_cast<StopBits>(stopBits));
    QCOMPARE(CharacterTimeNs(frame, thousandths), ns);
    QCOMPARE((IdleGap{IdleGap::Unit::Characters, thousandths}.Nanoseconds(frame)), ns);
  }

  // Silence before a chunk: from the previous chunk's read time to the start of the chunk's first
  // byte. Equal to the gap splits; one nanosecond less does not.
  void splitAtTheThreshold_data() {
    QTest::addColumn<int>("unit");  // IdleGap::Unit
    QTest::addColumn<qint64>("thousandths");
    QTest::addColumn<int>("chunkBytes");
    QTest::addColumn<qint64>("readAfterNs");  // from the previous read, when silence == gap
    const int ms = int(IdleGap::Unit::Milliseconds), c = int(IdleGap::Unit::Characters);
    // 3.5 characters at 9600 8N1 are 3645833 ns, and each byte of the chunk took 1041667 ns.
    QTest::newRow("3.5c, one byte") << c << qint64{3500} << 1 << qint64{3645833 + 1041667};
    QTest::newRow("3.5c, eight bytes") << c << qint64{3500} << 8 << qint64{3645833 + 8333333};
    QTest::newRow("100ms, one byte") << ms << qint64{100000} << 1 << qint64{100000000 + 1041667};
    QTest::newRow("1.5ms, 100 bytes") << ms << qint64{1500} << 100 << qint64{1500000 + 104166667};
  }
  void splitAtTheThreshold() {
    QFETCH(int, unit);
    QFETCH(qint64, thousandths);
    QFETCH(int, chunkBytes);
    QFETCH(qint64, readAfterNs);
    const IdleGap gap{static_cast<IdleGap::Unit>(unit), thousandths};
    const int64_t first = 7'000'000'000;
    for (const int64_t offset : {-1, 0, 1}) {
      IdleGapFramer framer(gap, k9600_8N1);
      QVERIFY(framer.StartsFrame(first, 3));
      QCOMPARE(framer.StartsFrame(first + readAfterNs + offset, static_cast<std::size_t>(chunkBytes)),
               offset >= 0);
    }
  }

  void framesFollowTheChunks() {
    const IdleGap gap{IdleGap::Unit::Milliseconds, 10000};  // 10 ms
    IdleGapFramer framer(gap, k9600_8N1);
    int64_t t = 1'000'000'000;
    QVERIFY(framer.StartsFrame(t, 1));
    QCOMPARE(framer.FrameEndNs(), t + 10'000'000);
    // 40 bytes read 20 ms later: their first byte began 41.7 ms earlier, inside the frame.
    QVERIFY(!framer.StartsFrame(t += 20'000'000, 40));
    QVERIFY(!framer.StartsFrame(t += 9'999'999 + 1'041'667, 1));
    QVERIFY(framer.StartsFrame(t += 60'000'000, 1));
    // A chunk stamped earlier than the previous one (two ports, one clock) is no gap.
    QVERIFY(!framer.StartsFrame(t - 5'000'000, 1));
    framer.Reset();
    QVERIFY(framer.StartsFrame(t, 1));

    IdleGapFramer off({IdleGap::Unit::Characters, 3500}, Frame(0, 8, false, StopBits::One));
    QVERIFY(off.StartsFrame(t, 1));
    QVERIFY(!off.StartsFrame(t + 1'000'000'000, 1));
  }
};

FERROTAP_TEST(IdleGapTest)

}  // namespace ferrotap
#include "idle_gap_test.moc"
