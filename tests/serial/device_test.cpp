// SPDX-License-Identifier: MIT
#include <QtTest>

#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <thread>

#include "serial/com_port.h"
#include "serial/com_port_error.h"
#include "serial/dispatcher.h"
#include "serial/port_map.h"
#include "serial/posix_serial_device.h"
#include "tests/serial/serial_test_support.h"
#include "tests/support/test_registry.h"

using namespace ferrotap;
using ferrotap::test::ComEnv;
using ferrotap::test::kEventBound;
using ferrotap::test::Pty;
using ferrotap::test::Pump;

class DeviceTest : public QObject {
  Q_OBJECT

 private slots:
  void portMapOrder() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string exeDir = dir.path().toStdString();
    QCOMPARE(ResolveDevicePath(1, exeDir), std::string("/dev/ttyS0"));
    QCOMPARE(ResolveDevicePath(5, exeDir), std::string("/dev/ttyUSB0"));
    QCOMPARE(ResolveDevicePath(21, exeDir), std::string("/dev/ttyACM0"));
    QCOMPARE(ResolveDevicePath(37, exeDir), std::string("/dev/ttyS4"));
    QCOMPARE(ResolveDevicePath(0, exeDir), std::string());
    {
      std::ofstream map(exeDir + "/" + kPortMapFileName);
      map << "# adapters\r\n com5 = /dev/ttyUSB3 \r\nCOM1=/dev/ttyAMA0\n";
    }
    QCOMPARE(ResolveDevicePath(5, exeDir), std::string("/dev/ttyUSB3"));
    QCOMPARE(ResolveDevicePath(1, exeDir), std::string("/dev/ttyAMA0"));
    QCOMPARE(ResolveDevicePath(2, exeDir), std::string("/dev/ttyS1"));
    ComEnv env(1, "/dev/pts/77");
    QCOMPARE(ResolveDevicePath(1, exeDir), std::string("/dev/pts/77"));
  }

  // A file that is no terminal opens, locks, and then fails on its settings: the message says
  // whose settings.
  void fileThatIsNoTerminalIsRefused() {
    try {
      PosixSerialDevice::Open("/dev/null");
      QFAIL("opened");
    } catch (const ComPortError& error) {
      QCOMPARE(
          std::string(error.what()),
          std::string("/dev/null: read settings of the port failed: ") + std::strerror(ENOTTY));
    }
  }

  void bytesRoundTripOverPty() {
    Pty terminal;
    QVERIFY(terminal.Ok());
    NotificationLoop loop;
    ComEnv env(30, terminal.SlaveName());
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(30);
    port.SetOpen(true);
    std::string received;
    port.OnTriggerAvail = [&](ComPort& sender, uint16_t count) {
      for (int i = 0; i < count; ++i) received.push_back(static_cast<char>(sender.ReadChar()));
      sender.WriteString("<" + std::to_string(count) + ">");
    };
    terminal.Write("hello");
    QVERIFY(Pump(loop, [&] { return received == "hello"; }));
    std::string echoed;
    QVERIFY(Pump(loop, [&] {
      echoed += terminal.ReadSome();
      return !echoed.empty() && echoed.back() == '>';
    }));
    QVERIFY(echoed.front() == '<');
  }

  void deviceLoss() {
    auto terminal = std::make_unique<Pty>();
    QVERIFY(terminal->Ok());
    NotificationLoop loop;
    ComEnv env(31, terminal->SlaveName());
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(31);
    port.SetOpen(true);
    std::vector<std::string> losses;
    int notifications = 0;
    port.OnTriggerAvail = [&](ComPort&, uint16_t) { ++notifications; };
    port.OnDeviceLost = [&](ComPort&, const std::string& reason) { losses.push_back(reason); };
    terminal->Write("kept");
    QVERIFY(Pump(loop, [&] { return port.BytesAvailable() == 4; }));
    terminal->CloseMaster();
    QVERIFY(Pump(loop, [&] { return !losses.empty(); }));
    QVERIFY(QString::fromStdString(losses.front())
                .contains(QString::fromStdString(terminal->SlaveName())));
    // Reported once, no busy notifications afterwards, and nothing received is dropped.
    const int before = notifications;
    Pump(
        loop, [] { return false; }, std::chrono::milliseconds(300));
    QCOMPARE(losses.size(), std::size_t(1));
    QCOMPARE(notifications, before);
    QCOMPARE(port.BytesAvailable(), std::size_t(4));
    std::string kept;
    for (int i = 0; i < 4; ++i) kept.push_back(static_cast<char>(port.ReadChar()));
    QCOMPARE(kept, std::string("kept"));
    port.SetOpen(false);
    QVERIFY(!port.Open());
    // The device comes back (a new pty mapped to the same number).
    terminal = std::make_unique<Pty>();
    ComEnv back(31, terminal->SlaveName());
    port.SetOpen(true);
    std::string again;
    port.OnTriggerAvail = [&](ComPort& sender, uint16_t count) {
      again += sender.ReadString(count);
    };
    terminal->Write("back");
    QVERIFY(Pump(loop, [&] { return again == "back"; }));
  }

  // The read times are those of the reader thread: a block read late, after the loop thread was
  // busy, still tells when each of its parts arrived.
  void readTimesAreTakenWhenBytesArrive() {
    using namespace std::chrono;
    Pty terminal;
    QVERIFY(terminal.Ok());
    NotificationLoop loop;
    ComEnv env(33, terminal.SlaveName());
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(33);
    port.SetOpen(true);
    const auto waitFor = [&](std::size_t count) {
      const auto end = steady_clock::now() + kEventBound;
      while (port.BytesAvailable() < count && steady_clock::now() < end) {
        std::this_thread::sleep_for(milliseconds(1));
      }
      return port.BytesAvailable() == count;
    };
    const auto nowNs = [] {
      return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
    };
    terminal.Write("one");
    QVERIFY(waitFor(3));
    const int64_t firstNs = nowNs();
    std::this_thread::sleep_for(milliseconds(150));
    terminal.Write("two");
    QVERIFY(waitFor(6));
    const int64_t secondNs = nowNs();
    std::this_thread::sleep_for(milliseconds(150));
    ReadMarks marks;
    QCOMPARE(port.ReadString(2, &marks), std::string("on"));
    QCOMPARE(marks.size(), std::size_t(1));
    QVERIFY(marks[0].steadyNs <= firstNs);
    marks.clear();
    QCOMPARE(port.ReadString(4, &marks), std::string("etwo"));
    QCOMPARE(marks.size(), std::size_t(2));
    QCOMPARE(marks[0].offset, std::size_t(0));
    QCOMPARE(marks[1].offset, std::size_t(1));
    QVERIFY(marks[0].steadyNs <= firstNs);
    QVERIFY(marks[1].steadyNs > firstNs && marks[1].steadyNs <= secondNs);
  }

  // Marks split by takes of any size: each take gets the marks of its own bytes.
  void readMarksFollowTheTakes() {
    struct Take {
      uint64_t to;
      ReadMarks expected;
    };
    ReadMarkQueue queue;
    queue.Add(0, 100);
    queue.Add(4, 200);
    queue.Add(5, 300);
    const std::vector<Take> takes = {
        {2, {{0, 100}}},
        {5, {{0, 100}, {2, 200}}},
        {5, {}},
        {9, {{0, 300}}},
    };
    uint64_t from = 0;
    for (const Take& take : takes) {
      ReadMarks marks;
      queue.Take(from, take.to, &marks);
      QCOMPARE(marks, take.expected);
      from = take.to;
    }
    QCOMPARE(queue.Size(), std::size_t(1));
    queue.Add(9, 400);
    ReadMarks marks;
    queue.Take(9, 10, &marks);
    QCOMPARE(marks, (ReadMarks{{0, 400}}));
  }

  // While the loop thread is held in a handler, the reader goes on filling the ring, up to its
  // size and no further: every byte is told once and in order, each with the mark of its read,
  // and what was read during the hold carries a time from the hold.
  void readerKeepsReadingWhileLoopIsHeld_data() {
    QTest::addColumn<int>("ring");
    QTest::addColumn<int>("burst");
    QTest::addColumn<int>("most");
    const int ringSize = int(Dispatcher::kInputRingSize);
    const int most = int(Dispatcher::kMostNotified);
    QTest::newRow("ring holds the burst") << ringSize << 200000 << most;
    QTest::newRow("burst beyond the ring") << 5000 << 60000 << most;
    QTest::newRow("largest notifications") << ringSize << 200000 << 65535;
    QTest::newRow("notifications beyond the ring") << 5000 << 60000 << 65535;
  }
  void readerKeepsReadingWhileLoopIsHeld() {
    using namespace std::chrono;
    QFETCH(int, ring);
    QFETCH(int, burst);
    QFETCH(int, most);
    Pty terminal;
    QVERIFY(terminal.Ok());
    auto device = PosixSerialDevice::Open(terminal.SlaveName());
    device->ApplyLine(LineSettings{});
    NotificationLoop loop;
    auto channel = loop.ChannelFactory()();
    std::string sent(static_cast<std::size_t>(burst), '\0');
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 13 + i / 251);
    const std::size_t heldTarget = std::min<std::size_t>(ring, sent.size());
    std::string received;
    ReadMarks marks;
    std::size_t mostTold = 0;
    std::size_t heldRead = 0;
    int64_t holdEndNs = 0;
    std::thread writer;
    Dispatcher* self = nullptr;
    const auto held = [&] {
      // Well within the delivery bound, after which the reader would go on anyway.
      const auto end = steady_clock::now() + kDeliveryBound / 2;
      while (self->BytesAvailable() < heldTarget && steady_clock::now() < end) {
        std::this_thread::sleep_for(milliseconds(1));
      }
      // A full ring stays full: nothing is read past it.
      std::this_thread::sleep_for(milliseconds(50));
      heldRead = self->BytesAvailable();
      holdEndNs = duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
    };
    Dispatcher dispatcher(
        std::move(device), 64, *channel,
        [&](const Notification& n) {
          if (n.kind != Notification::Kind::Data) return;
          mostTold = std::max<std::size_t>(mostTold, n.value);
          ReadMarks some;
          const std::string bytes = self->ReadString(n.value, &some);
          for (ReadMark& mark : some) mark.offset += received.size();
          marks.insert(marks.end(), some.begin(), some.end());
          received += bytes;
          if (received == "!") {
            writer = std::thread([&] { terminal.Write(sent); });
            held();
          }
        },
        static_cast<std::size_t>(ring));
    self = &dispatcher;
    dispatcher.SetMostNotified(static_cast<std::size_t>(most));
    dispatcher.Start();
    terminal.Write("!");
    QVERIFY(Pump(loop, [&] { return received.size() == sent.size() + 1; }));
    writer.join();
    QCOMPARE(heldRead, heldTarget);
    QVERIFY(received == "!" + sent);
    QVERIFY(mostTold <= std::min<std::size_t>(ring, static_cast<std::size_t>(most)));
    QVERIFY(marks.size() > 2);
    QCOMPARE(marks.front().offset, std::size_t(0));
    for (std::size_t i = 1; i < marks.size(); ++i) {
      QVERIFY(marks[i].offset > marks[i - 1].offset);
      QVERIFY(marks[i].steadyNs >= marks[i - 1].steadyNs);
      if (marks[i].offset <= heldRead) QVERIFY(marks[i].steadyNs <= holdEndNs);
    }
  }

  void clearOutputDropsQueuedBytes() {
    Pty terminal;
    QVERIFY(terminal.Ok());
    NotificationLoop loop;
    ComEnv env(32, terminal.SlaveName());
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(32);
    port.SetOutSize(65535);
    port.SetOpen(true);
    port.WriteString(std::string(60000, 'z'));
    port.ClearOutput();
    QCOMPARE(port.OutputPending(), std::size_t(0));
    port.WriteString("end");
    std::string got;
    QVERIFY(Pump(loop, [&] {
      got += terminal.ReadSome();
      return got.size() >= 3 && got.compare(got.size() - 3, 3, "end") == 0;
    }));
    QVERIFY(got.size() < 60003);
  }
};

FERROTAP_TEST(DeviceTest)
#include "device_test.moc"
