// SPDX-License-Identifier: MIT
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>

#include "app/data_window.h"
#include "app/widgets/editable_combo_box.h"
#include "app/main_window.h"
#include "app/widgets/port_led.h"
#include "app/widgets/status_light.h"
#include "app/status_strip.h"
#include "app/pages/terminal_page.h"
#include "app/protocol_engine.h"
#include "app/pages/protocol_setting_page.h"
#include "serial/com_port.h"
#include "app/pages/com_setting_page.h"
#include "app/interval_timer.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_registry.h"
#include "tests/support/virtual_peer.h"

namespace ferrotap {
namespace {

QString CableName() {
  static int next = 0;
  return QString("monitor-%1").arg(++next);
}

// Colour of the text at position pos of the data window.
Color ColorAt(const DataWindow* rea, std::size_t pos) {
  for (const ColorRunView& run : rea->Runs()) {
    if (pos >= run.start && pos < run.start + run.length) return run.color;
  }
  return 0xDEADBEEF;
}

QByteArray Text(const DataWindow* rea) {
  return QByteArray::fromStdString(rea->Text());
}

}  // namespace

// The window against a peer on the other end of port A's cable (and port B's in spy mode).
class MonitorTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_.emplace();
    peerA_ = std::make_unique<test::VirtualPeer>(1, CableName());
    peerB_ = std::make_unique<test::VirtualPeer>(2, CableName());
    window_ = std::make_unique<MainWindow>(dir_->path(), &dialogs_);
    QVERIFY(peerA_->Connect());
    rea_ = window_->REA;
    page_ = window_->ComSetting();
    terminal_ = window_->Terminal();
  }
  void cleanup() {
    window_.reset();
    peerA_.reset();
    peerB_.reset();
    dialogs_ = test::ScriptedDialogs();
  }

  void startUpOpensPortA() {
    QVERIFY(window_->CP1->Open());
    QVERIFY(window_->findChild<PortLed*>("LEDCOMA")->Active());
    QVERIFY(!window_->CP2->Open());
    QVERIFY(dialogs_.Errors().isEmpty());
    QCOMPARE(window_->Strip()->SB1Panel(0), "Type: RS-232C");
    QCOMPARE(window_->Strip()->SB1Panel(1), "COM 1");
    QCOMPARE(window_->Strip()->SB1Panel(2), "BR: 9600");
    QCOMPARE(window_->Strip()->SB1Panel(3), "Parity: None");
    QCOMPARE(window_->Strip()->SB1Panel(4), "DataBits: 8");
    QCOMPARE(window_->Strip()->SB1Panel(5), "StopBits: 1");
    QCOMPARE(peerA_->Device().PeerLine().baud, 9600);
  }

  void portNumbersShowTheirDevicePaths() {
    QVERIFY(page_->CBPortA->toolTip().startsWith("COM1 = virtual:monitor-"));
    QCOMPARE(page_->CBPortA->itemData(1, Qt::ToolTipRole).toString(),
             "COM2 = " + QString::fromLatin1(qgetenv("FERROTAP_COM2")));
    page_->CBPortA->SetText("2");
    QVERIFY(page_->CBPortA->toolTip().startsWith("COM2 = "));
    page_->CBPortA->SetText("x");
    QCOMPARE(page_->CBPortA->toolTip(), QString());
  }

  // Blocks of successive notifications follow each other with nothing between them.
  void hexBlocksRunTogether() {
    peerA_->Send("AB");
    QTRY_COMPARE(Text(rea_), QByteArray("41 42 "));
    peerA_->Send("\r\n");
    QTRY_COMPARE(Text(rea_), QByteArray("41 42 0D 0A "));
    QCOMPARE(ColorAt(rea_, 0), window_->Colors()[ColorRole::PortAData]);
    QCOMPARE(window_->RxPackA(), Bytes("\r\n"));
  }

  void asciiPassesLineEndsThrough() {
    terminal_->CBINDATAF->setCurrentIndex(0);
    peerA_->Send("AB");
    QTRY_COMPARE(Text(rea_), QByteArray("AB"));
    peerA_->Send("\r\nC");
    QTRY_COMPARE(Text(rea_), QByteArray("AB\r\nC"));
    QCOMPARE(rea_->Model().LineCount(), std::size_t{2});
  }

  void formatsPerDirection() {
    terminal_->CBINDATAF->setCurrentIndex(3);
    terminal_->CBOUTDATAF->setCurrentIndex(1);
    peerA_->Send("\x01");
    QTRY_COMPARE(Text(rea_), QByteArray("001 "));
    window_->ShowEcho("\x01Z");
    QCOMPARE(Text(rea_), QByteArray("001 $01Z"));
    terminal_->CBINDATAF->SetText("typed");
    peerA_->Send("X");
    QTRY_COMPARE(window_->RxPackA(), Bytes("X"));
    QCOMPARE(Text(rea_), QByteArray("001 $01Z"));  // no format chosen: nothing shown
  }

  void newDataGoesToTheCaretAndReplacesSelection() {
    peerA_->Send("AB");
    QTRY_COMPARE(Text(rea_), QByteArray("41 42 "));
    rea_->SetCaretPosition(3);
    peerA_->Send("C");
    QTRY_COMPARE(Text(rea_), QByteArray("41 43 42 "));
    rea_->Select(0, 3);
    peerA_->Send("D");
    QTRY_COMPARE(Text(rea_), QByteArray("44 43 42 "));
  }

  void newColourAppliesToLaterTextOnly() {
    peerA_->Send("A");
    QTRY_COMPARE(Text(rea_), QByteArray("41 "));
    window_->Colors()[ColorRole::PortAData] = 0x0000FF;
    peerA_->Send("B");
    QTRY_COMPARE(Text(rea_), QByteArray("41 42 "));
    QCOMPARE(ColorAt(rea_, 0), kSysWindowTextColor);
    QCOMPARE(ColorAt(rea_, 3), Color{0x0000FF});
  }

  void sentCommandIsEchoedOnANewLine() {
    terminal_->CBUSEAC->setChecked(true);
    terminal_->CBADDCRLF->setChecked(true);
    window_->AsciiCommandTable()[0] = "AB";
    window_->FormKeyDown(Qt::Key_F1);
    QTRY_COMPARE(peerA_->Received(), QByteArray("AB\r\n"));
    QCOMPARE(Text(rea_), QByteArray("\r\n41 42 0D 0A "));
    QCOMPARE(ColorAt(rea_, 2), window_->Colors()[ColorRole::PortBData]);
    QCOMPARE(rea_->InsertColor(), window_->Colors()[ColorRole::PortAData]);

    page_->RBCR->setChecked(true);
    window_->FormKeyDown(Qt::Key_F1);
    QTRY_COMPARE(peerA_->Received(), QByteArray("AB\r\nAB\r"));
  }

  void emptyCommandEchoesEmptyPack() {
    terminal_->CBUSEAC->setChecked(true);
    window_->FormKeyDown(Qt::Key_F2);
    QCOMPARE(Text(rea_), QByteArray("\r\n[Empty pack]"));
    QCOMPARE(ColorAt(rea_, 2), kSysWindowTextColor);
    QCOMPARE(rea_->InsertColor(), window_->Colors()[ColorRole::PortAData]);
    QVERIFY(dialogs_.Errors().isEmpty());
  }

  void keysSendOnlyOnTheTerminalPage() {
    terminal_->CBUSEAC->setChecked(true);
    window_->AsciiCommandTable()[0] = "Z";
    window_->PageControl1->setCurrentIndex(1);
    window_->FormKeyDown(Qt::Key_F1);
    window_->PageControl1->setCurrentIndex(0);
    window_->FormKeyDown(Qt::Key_F1);
    QTRY_COMPARE(peerA_->Received(), QByteArray("Z"));
  }

  void spyModeShowsPortBInItsFormatAndColour() {
    page_->CB2COM->setChecked(true);
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QVERIFY(peerB_->Connect());
    QVERIFY(window_->CP2->Open());
    QVERIFY(window_->findChild<PortLed*>("LEDCOMB")->Active());
    QCOMPARE(window_->Strip()->SB1Panel(1), "COM 1/2");
    terminal_->CBOUTDATAF->setCurrentIndex(0);
    peerA_->Send("A");
    QTRY_COMPARE(Text(rea_), QByteArray("41 "));
    peerB_->Send("ok");
    QTRY_COMPARE(Text(rea_), QByteArray("41 ok"));
    QCOMPARE(ColorAt(rea_, 3), window_->Colors()[ColorRole::PortBData]);
    QCOMPARE(window_->RxPackB(), Bytes("ok"));
    // Data of port B arrives while another page is shown, without taking the focus there.
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    window_->PageControl1->setCurrentIndex(1);
    page_->CBPortA->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), page_->CBPortA);
    peerB_->Send("!");
    QTRY_COMPARE(Text(rea_), QByteArray("41 ok!"));
    QCOMPARE(QApplication::focusWidget(), page_->CBPortA);
  }

  // Port B with number 0 asks for another port among those that can be opened now.
  void portBNumberZeroAsksForAPort() {
    page_->CB2COM->setChecked(true);
    page_->CBPORTB->SetText("0");
    dialogs_.AnswerPort(2);
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QCOMPARE(dialogs_.PortRequests().size(), std::size_t{1});
    const std::vector<uint16_t>& offered = dialogs_.PortRequests().front();
    QVERIFY(std::find(offered.begin(), offered.end(), 2) != offered.end());
    QVERIFY(std::find(offered.begin(), offered.end(), 1) == offered.end());  // port A has it
    QVERIFY(window_->CP2->Open());
    QCOMPARE(window_->CP2->ComNumber(), uint16_t{2});

    dialogs_.AnswerPort(std::nullopt);
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QVERIFY(!window_->CP2->Open());
    QVERIFY(dialogs_.Errors().last().startsWith("Com B open error"));
  }

  void markAndSpaceParity_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("parity");
    QTest::addColumn<QString>("panel");
    QTest::newRow("mark") << 3 << static_cast<int>(pMark) << "Parity: Mark";
    QTest::newRow("space") << 4 << static_cast<int>(pSpace) << "Parity: Space";
    QTest::newRow("odd") << 1 << static_cast<int>(pOdd) << "Parity: Odd";
  }
  void markAndSpaceParity() {
    QFETCH(int, item);
    QFETCH(int, parity);
    QFETCH(QString, panel);
    page_->CBPAR->setCurrentIndex(item);
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QCOMPARE(static_cast<int>(window_->CP1->Parity()), parity);
    QCOMPARE(static_cast<int>(peerA_->Device().PeerLine().parity), parity);
    QCOMPARE(window_->Strip()->SB1Panel(3), panel);
  }

  // On a line that keeps time, RTS falls after the last stop bit, never before, also when a
  // second send follows before the first has left.
  void timedRs485DropsRtsAfterTheLastStopBit() {
    page_->CB485->setChecked(true);
    page_->CBOXRS485->setCurrentIndex(1);
    page_->CBPAR->SetText("Even");
    page_->CBSTOPB->SetText("2");
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QVERIFY(peerA_->Connect(true));
    peerA_->Device().ApplyLine(peerA_->Device().PeerLine());
    QVERIFY(!window_->CP1->RTS());
    QVERIFY(!peerA_->Device().PeerRts());
    QCOMPARE(window_->Strip()->SB1Panel(0), "Type: RS-485");

    window_->SendOnPortA(Bytes(30, 'x'));  // 12 bits each at 9600 bit/s: 37.5 ms
    QVERIFY(peerA_->Device().PeerRts());
    QCOMPARE(window_->TIMER485->Interval(), 38);
    QTRY_VERIFY(!peerA_->Device().PeerRts());
    QVERIFY(peerA_->Device().PeerRtsFall() >= peerA_->Device().PeerLineFree());
    QTRY_COMPARE(peerA_->Received().size(), 30);
    QTRY_VERIFY(!window_->TIMER485->Enabled());

    window_->SendOnPortA(Bytes(30, 'y'));
    QTest::qWait(20);
    window_->SendOnPortA(Bytes(30, 'z'));
    QTRY_VERIFY(!peerA_->Device().PeerRts());
    QVERIFY(peerA_->Device().PeerRtsFall() >= peerA_->Device().PeerLineFree());
    QTRY_COMPARE(peerA_->Received().size(), 90);
    QVERIFY(peerA_->Received().endsWith(QByteArray(30, 'z')));
  }

  // "via Driver" on a driver without RS-485 mode: the port switches RTS itself, and says so
  // once; switching to the timed method then leaves no driver mode behind.
  void rs485MethodSwitch() {
    page_->CB485->setChecked(true);
    page_->CBOXRS485->setCurrentIndex(0);
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QVERIFY(window_->CP1->RS485Mode());
    QCOMPARE(dialogs_.Infos().size(), 1);
    QVERIFY(dialogs_.Infos().first().contains("has no RS-485 mode"));
    const auto fallBefore = peerA_->Device().PeerRtsFall();
    window_->SendOnPortA("abc");
    QTRY_VERIFY(peerA_->Device().PeerRtsFall() != fallBefore);
    QTRY_COMPARE(peerA_->Received(), QByteArray("abc"));
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QCOMPARE(dialogs_.Infos().size(), 1);

    page_->CBOXRS485->setCurrentIndex(1);
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QVERIFY(!window_->CP1->RS485Mode());
    window_->SendOnPortA("abc");
    QVERIFY(peerA_->Device().PeerRts());
  }

  void flowPercentagesDriveLevels() {
    page_->RBHFLOW->setChecked(true);
    page_->RBUSEDTR->setChecked(true);
    page_->SEHFBFULL->setValue(80);
    page_->SEHFBRESUME->setValue(20);
    page_->SEINBUF->setValue(8192);
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QCOMPARE(window_->CP1->BufferFull(), uint16_t(6553));
    QCOMPARE(window_->CP1->BufferResume(), uint16_t(1638));
    QVERIFY(peerA_->Device().PeerDtr());
  }

  void otherModesLeaveRtsAlone() {
    page_->CB485->setChecked(true);
    page_->CBOXRS485->setCurrentIndex(0);
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QVERIFY(window_->CP1->RS485Mode());
    window_->SendOnPortA("abc");
    QVERIFY(!window_->TIMER485->Enabled());

    // Leaving RS-485 with the timed method selected also ends the driver's RS-485 mode.
    page_->CB485->setChecked(false);
    page_->CBOXRS485->setCurrentIndex(1);
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QVERIFY(!window_->CP1->RS485Mode());
    QVERIFY(window_->CP1->RTS());
    window_->SendOnPortA("abc");
    QVERIFY(!window_->TIMER485->Enabled());
    QVERIFY(peerA_->Device().PeerRts());
  }

  // Nothing reaches the port before "Apply": the turn-around of a send already made completes.
  void uncheckingRs485WhileTimerRunsEndsTheSend() {
    page_->CB485->setChecked(true);
    page_->CBOXRS485->setCurrentIndex(1);
    window_->ClosePorts();
    window_->ApplyPortSettings();
    window_->SendOnPortA(Bytes(100, 'x'));
    page_->CB485->setChecked(false);
    QTRY_VERIFY(!window_->TIMER485->Enabled());
    QTRY_VERIFY(!peerA_->Device().PeerRts());
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QVERIFY(peerA_->Device().PeerRts());
  }

  void rtsAndDtrToggleByTheirLabels() {
    auto* rts = window_->findChild<QLabel*>("Label4");
    auto* dtr = window_->findChild<QLabel*>("Label5");
    auto* rtsLamp = window_->findChild<StatusLight*>("RTSLED");
    auto* dtrLamp = window_->findChild<StatusLight*>("DTRLED");
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QVERIFY(rtsLamp->Lit() && dtrLamp->Lit());
    QTest::mouseClick(rts, Qt::LeftButton);
    QVERIFY(!peerA_->Device().PeerRts());
    QVERIFY(!rtsLamp->Lit());
    QTest::mouseClick(dtr, Qt::LeftButton);
    QVERIFY(!peerA_->Device().PeerDtr());
    QVERIFY(!dtrLamp->Lit());
    QTest::mouseClick(dtr, Qt::LeftButton);
    QVERIFY(peerA_->Device().PeerDtr());

    page_->CB485->setChecked(true);
    QTest::mouseClick(rts, Qt::LeftButton);
    QVERIFY(!peerA_->Device().PeerRts());
    QVERIFY(!rtsLamp->Lit());
    QTest::mouseClick(dtr, Qt::LeftButton);
    QVERIFY(!peerA_->Device().PeerDtr());
  }

  void lineErrorsReportedAndRearmed() {
    auto* sb2 = window_->findChild<QLabel*>("SB2");
    peerA_->Device().InjectLineErrors(0x02);
    QTRY_COMPARE(sb2->text(), "PortA Err 2 : Overrun");
    peerA_->Device().InjectLineErrors(0x08);
    peerA_->Device().SendBreak();
    QTRY_COMPARE(sb2->text(), "PortA Err 4 : Framing - LineBreak");
    QTest::mouseClick(window_->findChild<QPushButton*>("SBERRCLEAR"), Qt::LeftButton);
    QCOMPARE(sb2->text(), QString());
    peerA_->Device().InjectLineErrors(0x04);
    QTRY_COMPARE(sb2->text(), "PortA Err 3 : Parity");
  }

  void portBLineErrors() {
    page_->CB2COM->setChecked(true);
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QVERIFY(peerB_->Connect());
    peerB_->Device().SendBreak();
    QTRY_COMPARE(window_->findChild<QLabel*>("SB2")->text(), "PortB Err 0 - LineBreak");
  }

  void ctsReportedAsSyncWhenSignalledOnRtsCts() {
    auto* protocol = window_->findChild<ProtocolSettingPage*>("TabSheet2");
    peerA_->Device().SetRts(true);
    QTRY_VERIFY(window_->findChild<StatusLight*>("CTSLED")->Lit());
    QCOMPARE(Text(rea_), QByteArray());  // SYNC type "No SYN": nothing written

    protocol->CBEOT->setCurrentIndex(2);
    int timerFired = 0;
    window_->CP1->OnTriggerTimer = [&](ComPort&, uint16_t) { ++timerFired; };
    // 20 ticks of 55 ms: a loaded machine may take a while to report the line change.
    window_->CP1->ArmTimerTrigger(window_->Protocol().DecoderA().HandShakeTrigger(), 20, true);
    peerA_->Device().SetRts(false);
    QTRY_COMPARE(Text(rea_), QByteArray("CTS Off as SYN\r\n"));
    // A second trigger telling of the same change (the lamps have their own) reports nothing.
    window_->CP1->OnTriggerModemStatus(*window_->CP1);
    QCOMPARE(Text(rea_), QByteArray("CTS Off as SYN\r\n"));
    peerA_->Device().SetRts(true);
    QTRY_COMPARE(Text(rea_), QByteArray("CTS Off as SYN\r\nCTS On as SYN\r\n"));
    QCOMPARE(ColorAt(rea_, 0), window_->Colors()[ColorRole::PortAHandShake]);
    QCOMPARE(rea_->InsertColor(), window_->Colors()[ColorRole::PortAHandShake]);
    QTest::qWait(1300);  // twenty ticks and more: the stopped hand-shake timer never fires
    QCOMPARE(timerFired, 0);

    protocol->CBHS->setChecked(false);
    peerA_->Device().SetRts(false);
    QTRY_VERIFY(!window_->findChild<StatusLight*>("CTSLED")->Lit());
    QCOMPARE(Text(rea_), QByteArray("CTS Off as SYN\r\nCTS On as SYN\r\n"));
  }

  void lampsFollowTheLines() {
    peerA_->Device().SetDtr(true);
    QTRY_VERIFY(window_->findChild<StatusLight*>("DSRLED")->Lit());
    QTRY_VERIFY(window_->findChild<StatusLight*>("DCDLED")->Lit());
    peerA_->Send("x");
    QTRY_VERIFY(window_->findChild<StatusLight*>("RXLED")->Lit());
    QTRY_VERIFY(!window_->findChild<StatusLight*>("RXLED")->Lit());
    window_->SendOnPortA("y");
    QTRY_VERIFY(window_->findChild<StatusLight*>("TXLED")->Lit());
    QTRY_VERIFY(!window_->findChild<StatusLight*>("TXLED")->Lit());
    window_->ClosePorts();
    QVERIFY(!window_->findChild<StatusLight*>("DSRLED")->Lit());
    window_->SpeedButton1Click();  // port closed: the lamps stay out
    QVERIFY(!window_->findChild<StatusLight*>("DSRLED")->Lit());
  }

  // A pseudo-terminal whose other side goes away stands for a pulled USB adapter.
  void deviceLossIsReportedOnceAndApplyReopens() {
    window_.reset();
    int master = -1;
    int slave = -1;
    char name[256] = {};
    QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
    qputenv("FERROTAP_COM1", name);
    window_ = std::make_unique<MainWindow>(dir_->path(), &dialogs_);
    close(slave);
    QVERIFY(window_->CP1->Open());
    QCOMPARE(write(master, "AB", 2), 2);
    QTRY_COMPARE(Text(window_->REA), QByteArray("41 42 "));
    auto* apply = window_->findChild<QPushButton*>("BBCOMAPPLY");
    QVERIFY(!apply->isEnabled());
    close(master);
    QTRY_COMPARE(dialogs_.Errors().size(), 1);
    QVERIFY(dialogs_.Errors()[0].startsWith("Com A lost"));
    QVERIFY(!window_->findChild<PortLed*>("LEDCOMA")->Active());
    QVERIFY(apply->isEnabled());
    QTest::qWait(200);
    QCOMPARE(dialogs_.Errors().size(), 1);  // reported once, and nothing spins meanwhile
    // The capture records the loss once, on a line of its own.
    const QByteArray lost = Text(window_->REA);
    QVERIFY2(
        QRegularExpression("^41 42 \\r\\n\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] "
                           "Com A lost: [^\\r\\n]+\\r\\n$")
            .match(QString::fromLatin1(lost))
            .hasMatch(),
        lost.constData());

    QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
    qputenv("FERROTAP_COM1", name);
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QVERIFY(window_->CP1->Open());
    QVERIFY(window_->findChild<PortLed*>("LEDCOMA")->Active());
    QCOMPARE(write(master, "C", 1), 1);
    QTRY_COMPARE(Text(window_->REA), lost + "43 ");
    window_.reset();
    close(slave);
    close(master);
  }

  // A replug leaves both ends of the gap in the capture, in the notice colour; the data around
  // them keeps its own, and the lamps of the output lines are out while the device is gone.
  void lossAndReturnAreWrittenInTheCapture() {
    window_.reset();
    QTemporaryDir links;
    const QString link = links.filePath("usb-adapter-if00");
    int master = -1;
    int slave = -1;
    char name[256] = {};
    QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
    QVERIFY(QFile::link(QString::fromLatin1(name), link));
    qputenv("FERROTAP_COM1", QFile::encodeName(link));
    window_ = std::make_unique<MainWindow>(dir_->path(), &dialogs_);
    DataWindow* rea = window_->REA;
    auto* rtsLamp = window_->findChild<StatusLight*>("RTSLED");
    auto* dtrLamp = window_->findChild<StatusLight*>("DTRLED");
    QVERIFY(rtsLamp->Lit() && dtrLamp->Lit());
    QCOMPARE(write(master, "AB", 2), 2);
    QTRY_COMPARE(Text(rea), QByteArray("41 42 "));
    close(slave);
    close(master);
    QTRY_COMPARE(dialogs_.Errors().size(), 1);
    QVERIFY(!rtsLamp->Lit() && !dtrLamp->Lit());
    const std::size_t lostAt = rea->Model().Length();
    QVERIFY(Text(rea).contains("\r\n["));
    QCOMPARE(ColorAt(rea, 8), kPortNoticeColor);
    QCOMPARE(rea->InsertColor(), window_->Colors()[ColorRole::PortAData]);

    QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
    QVERIFY(QFile::remove(link) && QFile::link(QString::fromLatin1(name), link));
    QTRY_COMPARE_WITH_TIMEOUT(dialogs_.Infos().size(), 1, 10000);
    QVERIFY(rtsLamp->Lit() && dtrLamp->Lit());
    const QByteArray back = Text(rea).mid(int(lostAt));
    QVERIFY2(back.startsWith("[") && back.contains("] Com A is back: " + QFile::encodeName(link)) &&
                 back.endsWith("\r\n"),
             back.constData());
    QCOMPARE(ColorAt(rea, lostAt), kPortNoticeColor);
    QCOMPARE(write(master, "C", 1), 1);
    QTRY_VERIFY(Text(rea).endsWith(back + "43 "));
    QCOMPARE(ColorAt(rea, rea->Model().Length() - 1), window_->Colors()[ColorRole::PortAData]);
    window_.reset();
    close(slave);
    close(master);
  }

  // A port A that does not open drives no line: its RTS and DTR lamps stay out until it does.
  void outputLampsOutWhilePortAIsNotOpen() {
    window_.reset();
    qputenv("FERROTAP_COM1", QFile::encodeName(dir_->filePath("no-such-tty")));
    window_ = std::make_unique<MainWindow>(dir_->path(), &dialogs_);
    QVERIFY(!dialogs_.Errors().isEmpty());
    QVERIFY(dialogs_.Errors().front().startsWith("Com A open error"));
    auto* rtsLamp = window_->findChild<StatusLight*>("RTSLED");
    auto* dtrLamp = window_->findChild<StatusLight*>("DTRLED");
    QVERIFY(window_->CP1->RTS() && window_->CP1->DTR());
    QVERIFY(!rtsLamp->Lit() && !dtrLamp->Lit());
    window_->Label5Click();
    QVERIFY(!dtrLamp->Lit());
    window_->Label5Click();

    peerA_ = std::make_unique<test::VirtualPeer>(1, CableName());
    window_->BBCOMAPPLYClick();
    QVERIFY(window_->CP1->Open());
    QVERIFY(rtsLamp->Lit() && dtrLamp->Lit());
  }

  // Enter in the transmit edit sends as "TX" does, line end included; nothing to send, nothing
  // sent.
  void enterInTheTransmitEditSends() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    terminal_->CBADDCRLF->setChecked(true);
    terminal_->EDFLYTX->setFocus();
    QTest::keyClick(terminal_->EDFLYTX, Qt::Key_Return);
    terminal_->EDFLYTX->setText("AT$41");
    QTest::keyClick(terminal_->EDFLYTX, Qt::Key_Return);
    QTRY_COMPARE(peerA_->Received(), QByteArray("ATA\r\n"));
    page_->RBCR->setChecked(true);
    QTest::keyClick(terminal_->EDFLYTX, Qt::Key_Enter);
    QTRY_COMPARE(peerA_->Received(), QByteArray("ATA\r\nATA\r"));
    QCOMPARE(terminal_->EDFLYTX->text(), QString("AT$41"));
    QVERIFY(dialogs_.Errors().isEmpty());
  }

  // A device plugged in while the page shows joins the port lists; its number, beyond the classic
  // sixteen, is applied and stored like any other.
  void pluggedDeviceBeyondSixteenIsOfferedAndUsed() {
    QTemporaryDir links;
    const QString link = links.filePath("usb-board-if00");
    const QByteArray mapped = qgetenv("FERROTAP_COM21");
    qputenv("FERROTAP_COM21", QFile::encodeName(link));
    const auto restore = qScopeGuard([&] {
      if (mapped.isNull()) {
        qunsetenv("FERROTAP_COM21");
      } else {
        qputenv("FERROTAP_COM21", mapped);
      }
    });
    window_->show();
    window_->PageControl1->setCurrentIndex(1);
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QCOMPARE(page_->CBPortA->findText("21"), -1);
    int master = -1;
    int slave = -1;
    char name[256] = {};
    QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
    QVERIFY(QFile::link(QString::fromLatin1(name), link));
    QTRY_VERIFY(page_->CBPortA->findText("21") >= 0);
    const int item = page_->CBPortA->findText("21");
    QCOMPARE(page_->CBPortA->itemText(15), QString("16"));
    QCOMPARE(page_->CBPortA->itemData(item, Qt::ToolTipRole).toString(), "COM21 = " + link);
    QVERIFY(page_->CBPORTB->findText("21") >= 0);
    QVERIFY(!page_->BBCOMAPPLY->isEnabled());

    page_->CBPortA->setCurrentIndex(item);
    QVERIFY(page_->LBPortADevice->text().endsWith("pseudo-terminal"));
    QTest::mouseClick(page_->BBCOMAPPLY, Qt::LeftButton);
    QVERIFY(window_->CP1->Open());
    QCOMPARE(window_->Strip()->SB1Panel(1), "COM 21");
    window_->PageControl1->setCurrentIndex(0);
    QCOMPARE(write(master, "Z", 1), 1);
    QTRY_COMPARE(Text(rea_), QByteArray("5A "));
    const QString saved = dir_->filePath("board.cps");
    dialogs_.AnswerFile(saved);
    window_->BBCOMSAVEClick();
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().split('\n').value(1), QByteArray("ComA_Port=21\r"));
    window_->ClosePorts();
    close(slave);
    close(master);
  }

 private:
  std::optional<QTemporaryDir> dir_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<test::VirtualPeer> peerA_;
  std::unique_ptr<test::VirtualPeer> peerB_;
  std::unique_ptr<MainWindow> window_;
  DataWindow* rea_ = nullptr;
  ComSettingPage* page_ = nullptr;
  TerminalPage* terminal_ = nullptr;
};

}  // namespace ferrotap

using ferrotap::MonitorTest;
FERROTAP_TEST(MonitorTest)
#include "monitor_test.moc"
