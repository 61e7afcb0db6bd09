// SPDX-License-Identifier: MIT
#include <QtTest>

#include <QTemporaryDir>
#include <chrono>
#include <filesystem>

#include "serial/com_port.h"
#include "serial/com_port_error.h"
#include "serial/custom_baud.h"
#include "serial/parmrk_decoder.h"
#include "serial/posix_serial_device.h"
#include "serial/virtual_serial_device.h"
#include "tests/serial/serial_test_support.h"
#include "tests/support/test_registry.h"

using namespace ferrotap;
using ferrotap::test::ComEnv;
using ferrotap::test::Pty;
using ferrotap::test::Pump;
using Clock = std::chrono::steady_clock;

namespace {

void Idle(NotificationLoop& loop, std::chrono::milliseconds time) {
  loop.ProcessUntil([] { return false; }, time);
}

}  // namespace

// What a real line and adapter do beyond bytes: bit rates, timing, errors, hand-shakes, loss and
// return.
class LineTest : public QObject {
  Q_OBJECT

 private slots:
  void parmrkMarks_data() {
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<bool>("parity");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("errors");
    using Reads = QList<QByteArray>;
    QTest::newRow("plain") << Reads{"ab"} << false << QByteArray("ab") << 0;
    QTest::newRow("doubled 0xFF") << Reads{QByteArray("a\xff\xff", 3)} << false
                                  << QByteArray("a\xff") << 0;
    QTest::newRow("break has no byte")
        << Reads{QByteArray("a\xff\0\0b", 5)} << false << QByteArray("ab") << int(kLineBreak);
    QTest::newRow("framing on its byte")
        << Reads{QByteArray("\xff\0x", 3)} << false << QByteArray("x") << int(kLineFraming);
    QTest::newRow("parity on its byte")
        << Reads{QByteArray("\xff\0x", 3)} << true << QByteArray("x") << int(kLineParity);
    QTest::newRow("mark split over reads")
        << Reads{QByteArray("a\xff", 2), QByteArray("\0", 1), QByteArray("\0b", 2)} << false
        << QByteArray("ab") << int(kLineBreak);
    QTest::newRow("stray 0xFF across reads")
        << Reads{QByteArray("\xff"), QByteArray("\r\xff\r")} << false << QByteArray("\r\r") << 0;
    QTest::newRow("0xFF split over reads")
        << Reads{QByteArray("\xff"), QByteArray("\xff")} << false << QByteArray("\xff") << 0;
  }
  void parmrkMarks() {
    QFETCH(QList<QByteArray>, reads);
    QFETCH(bool, parity);
    QFETCH(QByteArray, data);
    QFETCH(int, errors);
    ParmrkDecoder decoder;
    QByteArray got;
    uint8_t seen = 0;
    for (QByteArray read : reads) {
      got += read.left(static_cast<qsizetype>(
          decoder.Decode(read.data(), static_cast<std::size_t>(read.size()), parity, seen)));
    }
    QCOMPARE(got, data);
    QCOMPARE(int(seen), errors);
  }

  // The tty doubles a received 0xFF in PARMRK mode; the port hands out one.
  void ptyBytesPassUnmarked() {
    Pty terminal;
    QVERIFY(terminal.Ok());
    NotificationLoop loop;
    ComEnv env(60, terminal.SlaveName());
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(60);
    port.SetOpen(true);
    std::string received;
    port.OnTriggerAvail = [&](ComPort& sender, uint16_t count) {
      received += sender.ReadString(count);
    };
    const std::string sent(
        "\xff\0\xff"
        "a\0\xff\xff",
        7);
    terminal.Write(sent);
    QVERIFY(Pump(loop, [&] { return received.size() >= sent.size(); }));
    QCOMPARE(received, sent);
    QCOMPARE(port.ReadLineError(), uint16_t(0));
  }

  void anyBitRate_data() {
    QTest::addColumn<int>("baud");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("classic") << 115200 << true;
    QTest::newRow("DMX") << 250000 << true;
    QTest::newRow("MIDI") << 31250 << true;
    QTest::newRow("boot ROM") << 74880 << true;
    QTest::newRow("1 Mbit") << 1000000 << true;
    QTest::newRow("zero") << 0 << false;
    QTest::newRow("negative") << -9600 << false;
  }
  void anyBitRate() {
    QFETCH(int, baud);
    QFETCH(bool, accepted);
    Pty terminal;
    QVERIFY(terminal.Ok());
    NotificationLoop loop;
    ComEnv env(61, terminal.SlaveName());
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(61);
    port.SetBaud(baud);
    try {
      port.SetOpen(true);
      QVERIFY(accepted);
      QCOMPARE(CurrentBaud(terminal.Master()), int64_t(baud));
    } catch (const ComPortError& error) {
      QVERIFY2(!accepted, error.what());
      QVERIFY(std::string(error.what()).find("bit rate " + std::to_string(baud)) !=
              std::string::npos);
      QVERIFY(!port.Open());
    }
  }

  void kernelHandshakeOnlyForBoth_data() {
    QTest::addColumn<int>("options");
    QTest::addColumn<bool>("crtscts");
    QTest::newRow("RTS and CTS") << int(hwfUseRTS | hwfRequireCTS) << true;
    QTest::newRow("RTS alone") << int(hwfUseRTS) << false;
    QTest::newRow("CTS alone") << int(hwfRequireCTS) << false;
    QTest::newRow("DTR and DSR") << int(hwfUseDTR | hwfRequireDSR) << false;
  }
  void kernelHandshakeOnlyForBoth() {
    QFETCH(int, options);
    QFETCH(bool, crtscts);
    termios tio{};
    FlowSettings flow;
    flow.hwOptions = static_cast<uint8_t>(options);
    ApplyFlowToTermios(tio, flow);
    QCOMPARE((tio.c_cflag & CRTSCTS) != 0, crtscts);
  }

  // A paced pair delivers a byte only once its frame is over, and a mismatch of settings shows
  // as framing errors at the receiver.
  void pacedLineKeepsTime() {
    auto a = VirtualSerialDevice::Open("virtual:paced:a:paced");
    auto b = VirtualSerialDevice::Open("virtual:paced:b");
    const LineSettings line{9600, pNone, 8, StopBitsMode::One};
    a->ApplyLine(line);
    b->ApplyLine(line);
    const auto start = Clock::now();
    QCOMPARE(a->Write(std::string(48, 'p').data(), 48).count, std::size_t(48));  // 50 ms
    QVERIFY(!a->TransmitterEmpty());
    std::string got;
    char buffer[64];
    while (got.size() < 48 && Clock::now() - start < std::chrono::seconds(2)) {
      got.append(buffer, b->Read(buffer, sizeof buffer).count);
    }
    QCOMPARE(got.size(), std::size_t(48));
    QVERIFY(Clock::now() - start >= std::chrono::milliseconds(50));
    QVERIFY(a->TransmitterEmpty());
    QCOMPARE(b->TakeLineErrors(), uint8_t(0));

    b->ApplyLine({19200, pNone, 8, StopBitsMode::One});
    a->Write("x", 1);
    got.clear();
    QTRY_VERIFY_WITH_TIMEOUT((got.append(buffer, b->Read(buffer, sizeof buffer).count), got == "x"),
                             1000);
    QCOMPARE(b->TakeLineErrors(), uint8_t(kLineFraming));
  }

  // Hand-shake halves Linux has no switch for: output held while the partner's line is low.
  void outputHeldByHandshakeLine_data() {
    QTest::addColumn<int>("options");
    QTest::addColumn<bool>("viaRts");
    QTest::newRow("Req CTS") << int(hwfRequireCTS) << true;
    QTest::newRow("Req DSR") << int(hwfRequireDSR) << false;
  }
  void outputHeldByHandshakeLine() {
    QFETCH(int, options);
    QFETCH(bool, viaRts);
    NotificationLoop loop;
    ComEnv env(62, "virtual:hold:a");
    auto peer = VirtualSerialDevice::Open("virtual:hold:b");
    const auto setPeerLine = [&](bool on) { viaRts ? peer->SetRts(on) : peer->SetDtr(on); };
    setPeerLine(false);
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(62);
    port.SetHWFlowOptions(static_cast<uint8_t>(options));
    port.SetOpen(true);
    port.WriteString("held");
    Idle(loop, std::chrono::milliseconds(150));
    char buffer[16];
    QCOMPARE(peer->Read(buffer, sizeof buffer).count, std::size_t(0));
    setPeerLine(true);
    std::string got;
    QVERIFY(Pump(loop, [&] {
      got.append(buffer, peer->Read(buffer, sizeof buffer).count);
      return got == "held";
    }));
  }

  // ... and DTR or RTS dropped when the input reaches Buffer Full, raised at Buffer Resume.
  void inputLevelsDriveHandshakeLine_data() {
    QTest::addColumn<int>("options");
    QTest::addColumn<bool>("viaRts");
    QTest::newRow("Use DTR") << int(hwfUseDTR) << false;
    QTest::newRow("Use RTS") << int(hwfUseRTS) << true;
  }
  void inputLevelsDriveHandshakeLine() {
    QFETCH(int, options);
    QFETCH(bool, viaRts);
    NotificationLoop loop;
    ComEnv env(63, "virtual:levels2:a");
    auto peer = VirtualSerialDevice::Open("virtual:levels2:b");
    const auto peerSees = [&] { return viaRts ? peer->PeerRts() : peer->PeerDtr(); };
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(63);
    port.SetBufferFull(100);
    port.SetBufferResume(20);
    port.SetHWFlowOptions(static_cast<uint8_t>(options));
    port.SetOpen(true);
    QVERIFY(peerSees());
    peer->Write(std::string(99, 'f').data(), 99);
    QVERIFY(Pump(loop, [&] { return port.BytesAvailable() == 99; }));
    QVERIFY(peerSees());
    peer->Write("f", 1);
    QVERIFY(Pump(loop, [&] { return !peerSees(); }));
    port.ReadString(70);
    QVERIFY(!peerSees());
    port.ReadString(10);
    QVERIFY(peerSees());
  }

  // The UI thread is blocked past the delivery bound while bytes and a line error arrive:
  // nothing of it is dropped, it is told once the thread is back, without waiting for more.
  void blockedUiLosesNothing() {
    NotificationLoop loop;
    ComEnv env(64, "virtual:blocked:a");
    auto peer = VirtualSerialDevice::Open("virtual:blocked:b");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(64);
    port.SetOpen(true);
    std::string received;
    std::vector<uint16_t> errors;
    std::vector<std::string> losses;
    const uint16_t trigger = port.NewStatusTrigger(stLineStatus);
    port.ArmStatusTrigger(trigger, 15, true);
    port.OnTriggerAvail = [&](ComPort& sender, uint16_t count) {
      received += sender.ReadString(count);
    };
    port.OnTriggerLineError = [&](ComPort& sender, uint16_t error, bool) {
      errors.push_back(error);
      sender.ArmStatusTrigger(trigger, 15, true);
    };
    port.OnDeviceLost = [&](ComPort&, const std::string& reason) { losses.push_back(reason); };
    peer->Write("before", 6);
    peer->InjectLineErrors(kLineParity);
    std::this_thread::sleep_for(kDeliveryBound + std::chrono::milliseconds(300));
    QVERIFY(Pump(loop, [&] { return received == "before" && errors.size() == 1; }));
    QCOMPARE(errors.front(), uint16_t(3));
    // The trigger was re-armed by the handler that finally ran: the next error is told too.
    peer->InjectLineErrors(kLineFraming);
    QVERIFY(Pump(loop, [&] { return errors.size() == 2; }));
    peer->Unplug();
    QVERIFY(Pump(loop, [&] { return losses.size() == 1; }));
  }

  // A lost device that comes back, by the same path or by a stable link to it, is opened again
  // with the same settings and triggers.
  void returnedDeviceReopens_data() {
    QTest::addColumn<bool>("mapToLink");
    QTest::newRow("same path") << true;
    QTest::newRow("stable link") << false;
  }
  void returnedDeviceReopens() {
    QFETCH(bool, mapToLink);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string link = dir.path().toStdString() + "/usb-adapter-if00";
    auto terminal = std::make_unique<Pty>();
    std::filesystem::create_symlink(terminal->SlaveName(), link);
    NotificationLoop loop;
    ComEnv env(65, mapToLink ? link : terminal->SlaveName());
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(65);
    port.SetLinkDir(dir.path().toStdString());
    port.SetBaud(57600);
    port.SetOpen(true);
    const uint16_t timer = port.NewTimerTrigger();
    int losses = 0;
    std::string back;
    std::string received;
    port.OnDeviceLost = [&](ComPort&, const std::string&) { ++losses; };
    port.OnReconnected = [&](ComPort&, const std::string& path) { back = path; };
    port.OnTriggerAvail = [&](ComPort& sender, uint16_t count) {
      received += sender.ReadString(count);
    };
    // Made first, so that it does not get the old terminal's number.
    auto returned = std::make_unique<Pty>();
    terminal->CloseMaster();
    QVERIFY(Pump(loop, [&] { return losses == 1; }));
    terminal = std::move(returned);
    std::filesystem::remove(link);
    std::filesystem::create_symlink(terminal->SlaveName(), link);
    QVERIFY(Pump(loop, [&] { return !back.empty() && port.Open(); }));
    QCOMPARE(back, link);
    QCOMPARE(CurrentBaud(terminal->Master()), int64_t(57600));
    port.ArmTimerTrigger(timer, 1, true);
    terminal->Write("again");
    QVERIFY(Pump(loop, [&] { return received == "again"; }));
    QCOMPARE(losses, 1);
  }
};

FERROTAP_TEST(LineTest)
#include "line_test.moc"
