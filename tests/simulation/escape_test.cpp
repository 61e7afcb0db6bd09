// SPDX-License-Identifier: MIT
#include <QtTest>

#include "simulation/escape.h"
#include "tests/support/test_registry.h"

namespace {
QByteArray ToQ(const std::string& s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}
}  // namespace

class EscapeTest : public QObject {
  Q_OBJECT

 private slots:
  void decodeString_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("malformed");
    QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("text and hex") << QByteArray("ABC$0D") << QByteArray("ABC\r") << QByteArray();
    QTest::newRow("hex lower") << QByteArray("$0d") << QByteArray("\r") << QByteArray();
    QTest::newRow("hex pair") << QByteArray("$0D$0A") << QByteArray("\r\n") << QByteArray();
    QTest::newRow("dec pair") << QByteArray("#013#010") << QByteArray("\r\n") << QByteArray();
    QTest::newRow("short dec inside") << QByteArray("#13#10") << QByteArray() << QByteArray("#13#");
    QTest::newRow("lone caret at end") << QByteArray("A^") << QByteArray("A\0", 2) << QByteArray();
    QTest::newRow("lone dollar") << QByteArray("$") << QByteArray() << QByteArray("$");
    QTest::newRow("lone hash") << QByteArray("#") << QByteArray() << QByteArray("#");
    QTest::newRow("bad hex keeps prefix")
        << QByteArray("AB$G1CD") << QByteArray("AB") << QByteArray("$G1");
    QTest::newRow("one hex digit then blank")
        << QByteArray("$D ") << QByteArray() << QByteArray("$D ");
    QTest::newRow("short dec at end") << QByteArray("AB#7") << QByteArray("AB\x07") << QByteArray();
    QTest::newRow("dec then letter") << QByteArray("#65A") << QByteArray() << QByteArray("#65A");
    QTest::newRow("three digit dec") << QByteArray("#065") << QByteArray("A") << QByteArray();
    QTest::newRow("leading blank in dec")
        << QByteArray("# 12") << QByteArray("\x0C") << QByteArray();
    QTest::newRow("trailing blank in dec")
        << QByteArray("#12 X") << QByteArray() << QByteArray("#12 ");
    QTest::newRow("dec wraps") << QByteArray("#300#256#-01") << QByteArray("\x2C\x00\xFF", 3)
                               << QByteArray();
    QTest::newRow("controls") << QByteArray("^@^A^Z^[^\\^]^^^_")
                              << QByteArray("\0\x01\x1A\x1B\x1C\x1D\x1E\x1F", 8) << QByteArray();
    QTest::newRow("lower case not folded")
        << QByteArray("^a^?") << QByteArray("\x21\x3F") << QByteArray();
    QTest::newRow("high control") << QByteArray("^\xC1") << QByteArray("\x81") << QByteArray();
    QTest::newRow("escaped escapes")
        << QByteArray("$24#035$5E") << QByteArray("$#^") << QByteArray();
    QTest::newRow("blanks are bytes") << QByteArray("  ") << QByteArray("  ") << QByteArray();
  }
  void decodeString() {
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, malformed);
    const auto result = ferrotap::DecodeEscapedString(
        std::string_view(input.constData(), static_cast<std::size_t>(input.size())));
    QCOMPARE(ToQ(result.bytes), bytes);
    QCOMPARE(ToQ(result.malformed), malformed);
    QCOMPARE(result.ok(), malformed.isEmpty());
  }

  void decodeChar_data() {
    QTest::addColumn<QByteArray>("spec");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("byte");
    QTest::newRow("#2") << QByteArray("#2") << true << 0x02;
    QTest::newRow("#002") << QByteArray("#002") << true << 0x02;
    QTest::newRow("$2") << QByteArray("$2") << false << 0;
    QTest::newRow("$02") << QByteArray("$02") << true << 0x02;
    QTest::newRow("^D") << QByteArray("^D") << true << 0x04;
    QTest::newRow("^") << QByteArray("^") << true << 0x00;
    QTest::newRow("XY") << QByteArray("XY") << true << 0x58;
    QTest::newRow("#2x") << QByteArray("#2x") << false << 0;
    QTest::newRow("extra ignored") << QByteArray("$0241") << true << 0x02;
    QTest::newRow("empty fails") << QByteArray() << false << 0;
    QTest::newRow("hash alone") << QByteArray("#") << false << 0;
    QTest::newRow("hex in dec") << QByteArray("#$1F") << true << 0x1F;
    QTest::newRow("0x in dec") << QByteArray("#0x1") << true << 0x01;
    QTest::newRow("sign only") << QByteArray("#-") << false << 0;
    QTest::newRow("#17") << QByteArray("#17") << true << 17;
  }
  void decodeChar() {
    QFETCH(QByteArray, spec);
    QFETCH(bool, ok);
    QFETCH(int, byte);
    const auto result = ferrotap::DecodeEscapedChar(
        std::string_view(spec.constData(), static_cast<std::size_t>(spec.size())));
    QCOMPARE(result.has_value(), ok);
    if (ok) QCOMPARE(static_cast<int>(*result), byte);
  }
};

FERROTAP_TEST(EscapeTest)
#include "escape_test.moc"
