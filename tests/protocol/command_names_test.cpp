// SPDX-License-Identifier: MIT
#include <QtTest>
#include <string>

#include "protocol/command_names.h"
#include "tests/support/test_registry.h"

namespace ferrotap {

class CommandNamesTest : public QObject {
  Q_OBJECT

 private slots:
  void modbusReplies_data() {
    QTest::addColumn<int>("cmd");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("name");
    QTest::newRow("request") << 0x03 << QByteArray("\x00\x6B\x00\x03", 4)
                             << "read holding registers";
    QTest::newRow("exception") << 0x83 << QByteArray("\x02")
                               << "read holding registers exception: illegal data address";
    QTest::newRow("last code") << 0x90 << QByteArray("\x0B")
                               << "write multiple registers exception: gateway target device "
                                  "failed to respond";
    QTest::newRow("unknown function")
        << 0xC1 << QByteArray("\x01") << "exception: illegal function";
    QTest::newRow("unnamed code") << 0x86 << QByteArray("\x07")
                                  << "write single register exception";
    QTest::newRow("no code byte") << 0x81 << QByteArray() << "read coils exception";
    QTest::newRow("unnamed") << 0x41 << QByteArray("\x01") << "";
  }
  void modbusReplies() {
    QFETCH(int, cmd);
    QFETCH(QByteArray, data);
    QFETCH(QString, name);
    const CommandNames names = ModbusRtuCommandNames();
    QCOMPARE(QString::fromStdString(NameCommand(names, cmd, data.toStdString())), name);
  }

  // A table of its own: an exact entry wins over the flag, and no flag means no exceptions.
  void ownTable() {
    CommandNames names;
    names.commands = {{0x10, "poll"}, {0x90, "poll all"}};
    QCOMPARE(NameCommand(names, 0x90, "\x01"), std::string("poll all"));
    QCOMPARE(NameCommand(names, 0x91, "\x01"), std::string());
    names.exceptionFlag = 0x80;
    QCOMPARE(NameCommand(names, 0x90, "\x01"), std::string("poll all"));
    QCOMPARE(NameCommand(names, 0x91, "\x01"), std::string("exception"));
  }
};

FERROTAP_TEST(CommandNamesTest)

}  // namespace ferrotap

#include "command_names_test.moc"
