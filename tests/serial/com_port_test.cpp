// SPDX-License-Identifier: MIT
#include <termios.h>
#include <QtTest>

#include <numeric>

#include "serial/com_port.h"
#include "serial/com_port_error.h"
#include "serial/dispatcher.h"
#include "serial/posix_serial_device.h"
#include "serial/virtual_serial_device.h"
#include "tests/serial/serial_test_support.h"
#include "tests/support/test_registry.h"

using namespace ferrotap;
using ferrotap::test::ComEnv;
using ferrotap::test::Pump;

namespace {

int ErrorCode(const std::function<void()>& action) {
  try {
    action();
  } catch (const ComPortError& e) {
    return e.Code();
  }
  return 0;
}

}  // namespace

class ComPortTest : public QObject {
  Q_OBJECT

 private slots:
  void missingDeviceFailsThenGoodOpenWorks() {
    NotificationLoop loop;
    ComEnv env(3, "/dev/ferrotap-no-such-device");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(3);
    QCOMPARE(ErrorCode([&] { port.SetOpen(true); }), int(kErrBadPort));
    QVERIFY(!port.Open());
    QCOMPARE(port.PortState(), ComPort::State::Closed);
    ComEnv good(4, "virtual:missing:a");
    port.SetComNumber(4);
    port.SetOpen(true);
    QVERIFY(port.Open());
    QCOMPARE(port.PortState(), ComPort::State::Open);
  }

  void errorMessageNamesDevice() {
    NotificationLoop loop;
    ComEnv env(3, "/dev/ferrotap-no-such-device");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(3);
    try {
      port.SetOpen(true);
      QFAIL("open succeeded");
    } catch (const ComPortError& e) {
      QVERIFY(QString(e.what()).contains("/dev/ferrotap-no-such-device"));
      QVERIFY(QString(e.what()).contains("No such file"));
    }
  }

  void alreadyOpen_data() {
    QTest::addColumn<bool>("pty");
    QTest::newRow("virtual") << false;
    QTest::newRow("pty") << true;
  }
  void alreadyOpen() {
    QFETCH(bool, pty);
    ferrotap::test::Pty terminal;
    QVERIFY(terminal.Ok());
    NotificationLoop loop;
    ComEnv env(5, pty ? terminal.SlaveName() : "virtual:busy:a");
    ComPort first(loop.ChannelFactory());
    ComPort second(loop.ChannelFactory());
    first.SetComNumber(5);
    second.SetComNumber(5);
    first.SetOpen(true);
    QCOMPARE(ErrorCode([&] { second.SetOpen(true); }), int(kErrAlreadyOpen));
    QVERIFY(!second.Open());
    first.SetOpen(false);
    second.SetOpen(true);
    QVERIFY(second.Open());
  }

  void notOpenWithoutAutoOpen() {
    NotificationLoop loop;
    ComPort port(loop.ChannelFactory());
    port.SetAutoOpen(false);
    port.SetComNumber(6);
    QCOMPARE(ErrorCode([&] { port.WriteString("x"); }), int(kErrNotOpen));
    QCOMPARE(ErrorCode([&] { port.ClearInput(); }), int(kErrNotOpen));
    QVERIFY(!port.CTS());
  }

  void noPortSelected() {
    NotificationLoop loop;
    ComPort port(loop.ChannelFactory());
    port.SetPromptForPort(false);
    QCOMPARE(ErrorCode([&] { port.SetOpen(true); }), int(kErrNoPortSelected));
    port.SetPromptForPort(true);
    port.SetPortPrompter([](const std::vector<uint16_t>&) { return std::nullopt; });
    QCOMPARE(ErrorCode([&] { port.SetOpen(true); }), int(kErrNoPortSelected));
  }

  void prompterOffersOpenablePortsAndSetsNumber() {
    NotificationLoop loop;
    ComEnv e7(7, "virtual:prompt7:a");
    ComEnv e8(8, "virtual:prompt8:a");
    auto busy = VirtualSerialDevice::Open("virtual:prompt8:a");
    ComPort port(loop.ChannelFactory());
    std::vector<uint16_t> offered;
    port.SetPortPrompter([&](const std::vector<uint16_t>& numbers) {
      offered = numbers;
      return std::optional<uint16_t>(7);
    });
    port.SetOpen(true);
    QVERIFY(port.Open());
    QCOMPARE(port.ComNumber(), uint16_t(7));
    QVERIFY(std::find(offered.begin(), offered.end(), 7) != offered.end());
    QVERIFY(std::find(offered.begin(), offered.end(), 8) == offered.end());
  }

  void writeStringFillsOutputRing() {
    NotificationLoop loop;
    ComEnv env(9, "virtual:out:a");
    auto peer = VirtualSerialDevice::Open("virtual:out:b");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(9);
    port.SetOutSize(4096);
    port.SetOpen(true);
    QCOMPARE(ErrorCode([&] { port.WriteString(std::string(4097, 'x')); }),
             int(kErrOutputBufferTooSmall));
    QCOMPARE(port.OutputPending(), std::size_t(0));
    port.WriteString(std::string(4096, 'y'));
    std::string got;
    QVERIFY(Pump(loop, [&] {
      char buffer[8192];
      const IoResult r = peer->Read(buffer, sizeof buffer);
      got.append(buffer, r.count);
      return got.size() == 4096;
    }));
    QCOMPARE(got, std::string(4096, 'y'));
    port.WriteString("");
    QCOMPARE(port.OutputPending(), std::size_t(0));
  }

  // Bytes go straight to an idle device and are queued behind a full one: whichever way each
  // write went, the peer gets them all in order, and a write that fits nowhere is refused whole.
  void writesKeepTheirOrderWhenTheDeviceFills() {
    NotificationLoop loop;
    ComEnv env(9, "virtual:fill:a");
    auto peer = VirtualSerialDevice::Open("virtual:fill:b");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(9);
    port.SetOutSize(4096);
    port.SetOpen(true);
    std::string sent;
    const auto block = [&sent] {
      std::string b(1000, '\0');
      for (char& c : b) c = static_cast<char>(sent.size() * 7 % 251 + (&c - b.data()) % 5);
      return b;
    };
    // The peer does not read yet: the device fills, then the ring.
    for (;;) {
      const std::string b = block();
      if (ErrorCode([&] { port.WriteString(b); }) == int(kErrOutputBufferTooSmall)) break;
      sent += b;
      QVERIFY(sent.size() < 64u << 20);
    }
    QVERIFY(port.OutputPending() > 3000);
    std::string got;
    const auto readSome = [&] {
      char buffer[65536];
      const IoResult r = peer->Read(buffer, sizeof buffer);
      got.append(buffer, r.count);
    };
    // The device has room again before the writer wakes: a short write must still queue behind
    // the ring rather than pass it.
    readSome();
    const std::string shortBlock(50, '\x55');
    port.WriteString(shortBlock);
    sent += shortBlock;
    for (int i = 0; i < 50; ++i) {
      const std::string b = block();
      std::atomic<bool> room{!port.WhenOutputFree(b.size(), [] {})};
      QVERIFY(Pump(loop, [&] {
        readSome();
        return room || port.OutputFree() >= b.size();
      }));
      port.WriteString(b);
      sent += b;
    }
    QVERIFY(Pump(loop, [&] {
      readSome();
      return got.size() >= sent.size();
    }));
    QVERIFY(got == sent);
  }

  void flowThresholdDefaults_data() {
    QTest::addColumn<bool>("hardware");
    QTest::addColumn<int>("full");
    QTest::addColumn<int>("resume");
    QTest::newRow("hardware") << true << 3686 << 409;
    QTest::newRow("software") << false << 3072 << 1024;
  }
  void flowThresholdDefaults() {
    QFETCH(bool, hardware);
    QFETCH(int, full);
    QFETCH(int, resume);
    NotificationLoop loop;
    ComPort port(loop.ChannelFactory());
    QCOMPARE(port.BufferFull(), uint16_t(0));
    if (hardware) {
      port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    } else {
      port.SetSWFlowOptions(swfBoth);
    }
    QCOMPARE(int(port.BufferFull()), full);
    QCOMPARE(int(port.BufferResume()), resume);
  }

  void badFlowLevelsRefusedOnOpenPort() {
    NotificationLoop loop;
    ComEnv env(10, "virtual:levels:a");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(10);
    port.SetOpen(true);
    port.SetHWFlowOptions(hwfRequireCTS);
    QCOMPARE(ErrorCode([&] { port.SetBufferResume(4000); }), int(kErrBadArgument));
  }

  void stopBits_data() {
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("mode");
    QTest::newRow("5/1") << 5 << 1 << int(StopBitsMode::OneAndHalf);
    QTest::newRow("5/2") << 5 << 2 << int(StopBitsMode::OneAndHalf);
    QTest::newRow("8/1") << 8 << 1 << int(StopBitsMode::One);
    QTest::newRow("7/2") << 7 << 2 << int(StopBitsMode::Two);
  }
  void stopBits() {
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    QFETCH(int, mode);
    NotificationLoop loop;
    ComEnv env(11, "virtual:stop:a");
    auto peer = VirtualSerialDevice::Open("virtual:stop:b");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(11);
    port.SetOpen(true);
    port.SetDataBits(static_cast<uint16_t>(dataBits));
    port.SetStopBits(static_cast<uint16_t>(stopBits));
    QCOMPARE(int(peer->PeerLine().stopBits), mode);
    QCOMPARE(int(peer->PeerLine().dataBits), dataBits);
    // What the POSIX backend makes of it (a pseudo-terminal would drop CS5 on the floor).
    termios tio{};
    ApplyLineToTermios(tio, peer->PeerLine());
    QCOMPARE((tio.c_cflag & CSTOPB) != 0, mode != int(StopBitsMode::One));
    QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(dataBits == 5 ? CS5 : dataBits == 7 ? CS7 : CS8));
  }

  void markParityUsesCmspar() {
    termios tio{};
    ApplyLineToTermios(tio, {9600, pMark, 8, StopBitsMode::One});
    QCOMPARE(tio.c_cflag & (PARENB | CMSPAR | PARODD), tcflag_t(PARENB | CMSPAR | PARODD));
    ApplyLineToTermios(tio, {9600, pSpace, 8, StopBitsMode::One});
    QCOMPARE(tio.c_cflag & (PARENB | CMSPAR | PARODD), tcflag_t(PARENB | CMSPAR));
  }

  void lineSettingsReachPty() {
    ferrotap::test::Pty terminal;
    QVERIFY(terminal.Ok());
    NotificationLoop loop;
    ComEnv env(12, terminal.SlaveName());
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(12);
    port.SetBaud(38400);
    port.SetOpen(true);
    termios tio{};
    QCOMPARE(::tcgetattr(terminal.Master(), &tio), 0);
    QCOMPARE(cfgetospeed(&tio), speed_t(B38400));
    QCOMPARE(tio.c_lflag & ICANON, tcflag_t(0));
    port.SetBaud(115200);
    QCOMPARE(::tcgetattr(terminal.Master(), &tio), 0);
    QCOMPARE(cfgetospeed(&tio), speed_t(B115200));
  }

  void rs485AgainstRtsHandshake() {
    NotificationLoop loop;
    ComPort port(loop.ChannelFactory());
    port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS | hwfUseDTR);
    port.SetRS485Mode(true);
    QVERIFY(port.RS485Mode());
    QVERIFY(!port.RTS());
    QCOMPARE(port.HWFlowOptions(), uint8_t(hwfUseDTR));
    port.SetRTS(true);
    QVERIFY(!port.RTS());
    port.SetHWFlowOptions(hwfUseRTS);
    QVERIFY(!port.RS485Mode());
    port.SetRS485Mode(true);
    port.SetHWFlowOptions(hwfRequireCTS);
    QVERIFY(!port.RS485Mode());
  }

  void storedLinesAppliedAtOpenAndRs485ReachesDevice() {
    NotificationLoop loop;
    ComEnv env(13, "virtual:lines:a");
    auto peer = VirtualSerialDevice::Open("virtual:lines:b");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(13);
    port.SetDTR(false);
    port.SetOpen(true);
    QVERIFY(!peer->PeerDtr());
    QVERIFY(peer->PeerRts());
    QCOMPARE(peer->ModemLines() & (kModemCts | kModemDsr), int(kModemCts));
    port.SetDTR(true);
    QVERIFY(port.DTR());
    QCOMPARE(peer->ModemLines() & kModemDsr, int(kModemDsr));
    port.SetHWFlowOptions(hwfUseDTR);
    port.SetDTR(false);
    QVERIFY(port.DTR());
    QVERIFY(peer->PeerDtr());
    port.SetRS485Mode(true);
    QVERIFY(peer->PeerFlow().rs485);
    QVERIFY(!peer->PeerRts());
  }

  void ptyRefusesModemLinesWithoutFailing() {
    ferrotap::test::Pty terminal;
    QVERIFY(terminal.Ok());
    NotificationLoop loop;
    ComEnv env(14, terminal.SlaveName());
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(14);
    port.SetOpen(true);
    port.SetRTS(false);
    QVERIFY(port.RTS());
    QVERIFY(!port.CTS());
    QVERIFY(port.Open());
  }

  void handlesRenewedOnEveryOpen() {
    NotificationLoop loop;
    ComEnv env(15, "virtual:handles:a");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(15);
    for (int round = 0; round < 2; ++round) {
      port.SetOpen(true);
      QCOMPARE(port.NewTimerTrigger(), uint16_t(8));
      QCOMPARE(port.NewTimerTrigger(), uint16_t(16));
      QCOMPARE(port.NewStatusTrigger(2), uint16_t(26));
      port.SetOpen(false);
    }
  }

  void closeFromInsideHandler() {
    NotificationLoop loop;
    ComEnv env(16, "virtual:inside:a");
    auto peer = VirtualSerialDevice::Open("virtual:inside:b");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(16);
    port.SetOpen(true);
    bool stateSeenInside = false;
    int calls = 0;
    port.OnTriggerAvail = [&](ComPort& sender, uint16_t) {
      ++calls;
      sender.SetOpen(false);
      stateSeenInside = sender.PortState() == ComPort::State::ShuttingDown;
      QCOMPARE(sender.BytesAvailable(), std::size_t(0));
    };
    peer->Write("abc", 3);
    QVERIFY(Pump(loop, [&] { return port.PortState() == ComPort::State::Closed; }));
    QVERIFY(stateSeenInside);
    QCOMPARE(calls, 1);
    QVERIFY(!port.Open());
    port.SetOpen(true);
    QVERIFY(port.Open());
  }

  void openDuringShutdownIsPending() {
    NotificationLoop loop;
    ComEnv env(17, "virtual:pending:a");
    auto peer = VirtualSerialDevice::Open("virtual:pending:b");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(17);
    port.SetOpen(true);
    port.OnTriggerAvail = [&](ComPort& sender, uint16_t) {
      sender.SetOpen(false);
      sender.SetOpen(true);
      QCOMPARE(sender.PortState(), ComPort::State::ShuttingDown);
    };
    peer->Write("x", 1);
    QVERIFY(Pump(loop, [&] { return port.PortState() == ComPort::State::Open; }));
    QVERIFY(port.Open());
  }

  // A burst larger than one notification tells: the handler that waits for a full count and
  // then reads a block gets all of it, in order, the rest in the notifications after. The most
  // one tells is the port's setting, from 1 to what the count holds.
  void burstBeyondOneNotification_data() {
    QTest::addColumn<int>("setting");
    QTest::addColumn<int>("most");
    QTest::newRow("default") << 0 << int(Dispatcher::kMostNotified);
    QTest::newRow("small") << 1000 << 1000;
    QTest::newRow("largest") << 65535 << 65535;
  }
  void burstBeyondOneNotification() {
    QFETCH(int, setting);
    QFETCH(int, most);
    NotificationLoop loop;
    ComEnv env(18, "virtual:burst:a");
    auto peer = VirtualSerialDevice::Open("virtual:burst:b");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(18);
    port.SetMostNotified(static_cast<uint16_t>(setting));
    port.SetOpen(true);
    const int kMost = most;
    std::string sent(100000, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7 + i / 256);
    std::vector<int> counts;
    bool taking = false;
    std::string received;
    port.OnTriggerAvail = [&](ComPort& sender, uint16_t count) {
      counts.push_back(count);
      if (count == kMost) taking = true;
      if (!taking) return;
      received += sender.ReadString(count);
    };
    for (std::size_t done = 0; done < sent.size();) {
      done += peer->Write(sent.data() + done, sent.size() - done).count;
    }
    QVERIFY(Pump(loop, [&] { return received.size() == sent.size(); }));
    QVERIFY(received == sent);
    QCOMPARE(*std::max_element(counts.begin(), counts.end()), kMost);
    const auto full = std::find(counts.begin(), counts.end(), kMost);
    QCOMPARE(std::accumulate(full + 1, counts.end(), 0), int(sent.size()) - kMost);
    QCOMPARE(ErrorCode([&] { port.ReadChar(); }), int(kErrBufferEmpty));
  }
};

FERROTAP_TEST(ComPortTest)
#include "com_port_test.moc"
