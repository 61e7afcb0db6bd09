// SPDX-License-Identifier: MIT
#include <QtTest>
#include <cstdint>
#include <random>
#include <string>

#include "protocol/checksum.h"
#include "tests/support/test_registry.h"

Q_DECLARE_METATYPE(ferrotap::ChecksumKind)

namespace ferrotap {
namespace {

// The CRC catalogue's parameter model, one bit at a time: slow and plain, the reference the
// table-driven code has to agree with on every byte value.
struct CrcModel {
  int width;
  std::uint32_t poly;
  std::uint32_t init;
  bool reflected;
  std::uint32_t xorOut;
};

std::uint32_t Reflect(std::uint32_t value, int bits) {
  std::uint32_t out = 0;
  for (int i = 0; i < bits; ++i) out |= ((value >> i) & 1u) << (bits - 1 - i);
  return out;
}

std::uint32_t BitwiseCrc(const CrcModel& m, const std::string& bytes) {
  const std::uint64_t mask = (std::uint64_t{1} << m.width) - 1;
  const std::uint64_t top = std::uint64_t{1} << (m.width - 1);
  std::uint64_t crc = m.init;
  for (unsigned char c : bytes) {
    const std::uint32_t in = m.reflected ? Reflect(c, 8) : c;
    crc ^= std::uint64_t{in} << (m.width - 8);
    for (int bit = 0; bit < 8; ++bit) crc = ((crc & top) ? (crc << 1) ^ m.poly : crc << 1) & mask;
  }
  const auto out = static_cast<std::uint32_t>(
      m.reflected ? Reflect(static_cast<std::uint32_t>(crc), m.width) : crc);
  return out ^ m.xorOut;
}

std::uint32_t ReferenceChecksum(ChecksumKind kind, const std::string& bytes) {
  unsigned sum = 0;
  unsigned xored = 0;
  for (unsigned char c : bytes) {
    sum += c;
    xored ^= c;
  }
  switch (kind) {
    case ChecksumKind::Sum8:
      return sum % 256;
    case ChecksumKind::Xor8:
      return xored;
    case ChecksumKind::Lrc8:
      return (256 - sum % 256) % 256;
    case ChecksumKind::Crc8:
      return BitwiseCrc({8, 0x07, 0, false, 0}, bytes);
    case ChecksumKind::Crc16Modbus:
      return BitwiseCrc({16, 0x8005, 0xFFFF, true, 0}, bytes);
    case ChecksumKind::Crc16CcittFalse:
      return BitwiseCrc({16, 0x1021, 0xFFFF, false, 0}, bytes);
    case ChecksumKind::Crc16Xmodem:
      return BitwiseCrc({16, 0x1021, 0, false, 0}, bytes);
    case ChecksumKind::Crc32:
      return BitwiseCrc({32, 0x04C11DB7, 0xFFFFFFFF, true, 0xFFFFFFFF}, bytes);
  }
  return 0;
}

}  // namespace

class ChecksumTest : public QObject {
  Q_OBJECT

 private slots:
  // The catalogue's check value for "123456789", whole and fed in two pieces at every split.
  void checkValues_data() {
    QTest::addColumn<ChecksumKind>("kind");
    QTest::addColumn<quint32>("check");
    QTest::addColumn<int>("width");
    // 0x31 + ... + 0x39 = 0x1DD; the XOR of the digits is 0x31.
    QTest::newRow("sum") << ChecksumKind::Sum8 << quint32{0xDD} << 1;
    QTest::newRow("xor") << ChecksumKind::Xor8 << quint32{0x31} << 1;
    QTest::newRow("lrc") << ChecksumKind::Lrc8 << quint32{0x23} << 1;
    QTest::newRow("crc-8") << ChecksumKind::Crc8 << quint32{0xF4} << 1;
    QTest::newRow("crc-16/modbus") << ChecksumKind::Crc16Modbus << quint32{0x4B37} << 2;
    QTest::newRow("crc-16/ccitt-false") << ChecksumKind::Crc16CcittFalse << quint32{0x29B1} << 2;
    QTest::newRow("crc-16/xmodem") << ChecksumKind::Crc16Xmodem << quint32{0x31C3} << 2;
    QTest::newRow("crc-32") << ChecksumKind::Crc32 << quint32{0xCBF43926} << 4;
  }
  void checkValues() {
    QFETCH(ChecksumKind, kind);
    QFETCH(quint32, check);
    QFETCH(int, width);
    const std::string digits = "123456789";
    QCOMPARE(ComputeChecksum(kind, digits), check);
    QCOMPARE(ChecksumWidth(kind), width);
    RunningChecksum running(kind);
    for (std::size_t split = 0; split <= digits.size(); ++split) {
      running.Reset();
      running.Feed(std::string_view(digits).substr(0, split));
      running.Feed(std::string_view(digits).substr(split));
      QCOMPARE(running.Value(), check);
    }
  }

  // Random packets of every length up to 300, fed in random pieces, against the bit-by-bit model.
  void agreesWithBitwiseModel_data() {
    QTest::addColumn<ChecksumKind>("kind");
    for (ChecksumKind kind : kChecksumKinds) {
      QTest::newRow(std::string(ChecksumKindName(kind)).c_str()) << kind;
    }
  }
  void agreesWithBitwiseModel() {
    QFETCH(ChecksumKind, kind);
    std::mt19937 random(42);
    std::string bytes;
    RunningChecksum running(kind);
    for (int length = 0; length <= 300; ++length) {
      running.Reset();
      for (std::size_t fed = 0; fed < bytes.size();) {
        const std::size_t piece = std::min<std::size_t>(random() % 17, bytes.size() - fed);
        running.Feed(std::string_view(bytes).substr(fed, piece));
        fed += piece;
      }
      QCOMPARE(running.Value(), ReferenceChecksum(kind, bytes));
      // FeedEach gives the value after every byte, whatever the pieces.
      RunningChecksum stepped(kind);
      RunningChecksum single(kind);
      std::uint32_t values[17];
      for (std::size_t fed = 0; fed < bytes.size();) {
        const std::size_t piece = std::min<std::size_t>(random() % 17, bytes.size() - fed);
        stepped.FeedEach(std::string_view(bytes).substr(fed, piece), values);
        for (std::size_t k = 0; k < piece; ++k) {
          single.Feed(static_cast<std::uint8_t>(bytes[fed + k]));
          QCOMPARE(values[k], single.Value());
        }
        fed += piece;
      }
      QCOMPARE(stepped.Value(), running.Value());
      bytes.push_back(static_cast<char>(random() & 0xFF));
    }
  }

  // The published Modbus query "read 3 holding registers from 0x6B of server 0x11" ends 76 87.
  void lineLayout() {
    const std::string query("\x11\x03\x00\x6B\x00\x03", 6);
    const std::uint32_t crc = ComputeChecksum(ChecksumKind::Crc16Modbus, query);
    QCOMPARE(ChecksumBytes(ChecksumKind::Crc16Modbus, crc, ByteOrder::LowFirst),
             std::string("\x76\x87"));
    QCOMPARE(ChecksumBytes(ChecksumKind::Crc16Modbus, crc, ByteOrder::HighFirst),
             std::string("\x87\x76"));
    QCOMPARE(ChecksumBytes(ChecksumKind::Crc32, 0xCBF43926, ByteOrder::HighFirst),
             std::string("\xCB\xF4\x39\x26"));
    QCOMPARE(ChecksumBytes(ChecksumKind::Sum8, 0xDD, ByteOrder::HighFirst), std::string("\xDD"));
    for (ByteOrder order : {ByteOrder::LowFirst, ByteOrder::HighFirst}) {
      QCOMPARE(ChecksumFromBytes(ChecksumBytes(ChecksumKind::Crc32, 0xCBF43926, order), order),
               quint32{0xCBF43926});
      QCOMPARE(ChecksumFromBytes(ChecksumBytes(ChecksumKind::Crc16Modbus, crc, order), order), crc);
    }
  }

  void namesReadBack() {
    for (ChecksumKind kind : kChecksumKinds) {
      QCOMPARE(ParseChecksumKind(ChecksumKindName(kind)), std::optional(kind));
    }
    QCOMPARE(ParseChecksumKind("crc-16/modbus"), std::optional(ChecksumKind::Crc16Modbus));
    QCOMPARE(ParseChecksumKind("CRC-16"), std::nullopt);
    QCOMPARE(ParseChecksumKind(""), std::nullopt);
  }
};

FERROTAP_TEST(ChecksumTest)

}  // namespace ferrotap

#include "checksum_test.moc"
