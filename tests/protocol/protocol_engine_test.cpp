// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "app/data_window.h"
#include "app/main_window.h"
#include "app/pages/com_setting_page.h"
#include "app/pages/protocol_setting_page.h"
#include "app/pages/terminal_page.h"
#include "app/protocol_engine.h"
#include "app/status_strip.h"
#include "app/widgets/editable_combo_box.h"
#include "serial/com_port.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_registry.h"
#include "tests/support/virtual_peer.h"

namespace ferrotap {
namespace {

QString CableName() {
  static int next = 0;
  return QString("protocol-%1").arg(++next);
}

QByteArray Text(const DataWindow* rea) {
  return QByteArray::fromStdString(rea->Text());
}

// The data window's text in one colour, in order.
QByteArray TextIn(const DataWindow* rea, Color color) {
  const std::string text = rea->Text();
  QByteArray out;
  for (const ColorRunView& run : rea->Runs()) {
    if (run.color == color) out += QByteArray::fromStdString(text.substr(run.start, run.length));
  }
  return out;
}

QStringList FileLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromLatin1(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
}

void WriteFile(const QString& path, const QStringList& lines) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(lines.join("\r\n").toLatin1() + "\r\n");
}

}  // namespace

class ProtocolEngineTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_.emplace();
    peerA_ = std::make_unique<test::VirtualPeer>(1, CableName());
    peerB_ = std::make_unique<test::VirtualPeer>(2, CableName());
    window_ = std::make_unique<MainWindow>(dir_->path(), &dialogs_);
    QVERIFY(peerA_->Connect());
    rea_ = window_->REA;
    page_ = window_->TabSheet2;
    terminal_ = window_->Terminal();
    engine_ = &window_->Protocol();
  }
  void cleanup() {
    window_.reset();
    peerA_.reset();
    peerB_.reset();
    dialogs_ = test::ScriptedDialogs();
  }

  void applyChecksCharactersAndHoldsTicks() {
    page_->EDSTX->setText("$2");
    page_->EDACK->setText("");
    page_->EDEOT->setText("^D");
    page_->SETOHS->setValue(3);
    page_->SETOPACK->setValue(0);
    QVERIFY(page_->BBPRTAPPLY->isEnabled());
    QTest::mouseClick(page_->BBPRTAPPLY, Qt::LeftButton);
    QCOMPARE(dialogs_.Errors(), QStringList({"STX bad character !", "ACK bad character !"}));
    const ProtocolDefinition& d = engine_->Definition();
    QCOMPARE(d.STX_CHAR, 0x02);  // the previous byte stays in force
    QCOMPARE(d.SYN_CHAR, 0x04);
    QCOMPARE(d.ackNakTimeoutTicks, 54);
    QCOMPARE(d.packTimeoutTicks, 0);
    QVERIFY(!window_->Strip()->SBRESPACK->isHidden());
    QVERIFY(!page_->BBPRTAPPLY->isEnabled());
    page_->SETOPACK->setValue(2);
    engine_->BBPRTAPPLYClick();
    QVERIFY(window_->Strip()->SBRESPACK->isHidden());
    // Options are live: ticking a check box is no edit.
    page_->CBID->setChecked(false);
    QVERIFY(!page_->BBPRTAPPLY->isEnabled());
  }

  void displayRules() {
    page_->RBETX->setChecked(true);
    QVERIFY(!page_->CBUSECKS->isChecked() && !page_->CBUSECKS->isEnabled());
    QVERIFY(!page_->STETX->isHidden() && page_->STLEN->isHidden() && page_->STCKS->isHidden());
    QVERIFY(page_->EDETX->isEnabled() && !page_->SEMINLEN->isEnabled());
    QCOMPARE(page_->STETX->x(),
             page_->STSTX->x() + 4 * page_->STSTX->width());  // after ID, CMD, DATA
    page_->RBLEN->setChecked(true);
    QVERIFY(page_->CBUSECKS->isChecked() && page_->CBUSECKS->isEnabled());
    page_->CBEOT->setCurrentIndex(2);
    QVERIFY(!page_->Label23->isHidden() && !page_->EDEOT->isEnabled());
    QCOMPARE(page_->STCSYN->text(), "RTS-CTS");
    page_->CBHS->setChecked(false);
    QVERIFY(page_->STSYN->isHidden() && !page_->SETOHS->isEnabled());
  }

  void simulationChoicesFollowDecodingAndCommand() {
    const auto choices = {terminal_->RBNOSIM, terminal_->RBSIMMASTER, terminal_->RBSIMSLAVE};
    terminal_->CBDECPROT->setChecked(true);
    for (QRadioButton* choice : choices) QVERIFY(choice->isEnabled());
    terminal_->RBSIMSLAVE->setChecked(true);
    page_->CBCMD->setChecked(false);
    QVERIFY(terminal_->RBNOSIM->isChecked());
    for (QRadioButton* choice : choices) QVERIFY(!choice->isEnabled());
    page_->CBCMD->setChecked(true);
    for (QRadioButton* choice : choices) QVERIFY(choice->isEnabled());
    terminal_->CBDECPROT->setChecked(false);
    for (QRadioButton* choice : choices) QVERIFY(!choice->isEnabled());
  }

  void pdtFileRoundTrip() {
    page_->EDSTX->setText("$7E");
    page_->RBETX->setChecked(true);
    page_->CBID->setChecked(false);
    page_->SEIDMIN->setValue(7);
    page_->CBEOT->setCurrentIndex(2);
    page_->SETOSYNC->setValue(9);
    page_->SEDELSYN->setValue(1234);
    page_->CBFRAMING->setCurrentIndex(1);
    page_->SESILENCE->setValue(4.5);
    page_->CBCKSKIND->setCurrentText("CRC-32");
    page_->CBCKSORDER->setCurrentIndex(1);
    const PdtSettings saved = page_->Settings();
    const QString path = dir_->filePath("a.pdt");
    engine_->SaveProtocolFile(path);
    const QStringList lines = FileLines(path);
    QCOMPARE(lines.size(), 31);
    QCOMPARE(lines[0], "STX_CHAR=$7E");
    QCOMPARE(lines[2], "Use_ETX=True");
    QCOMPARE(lines[21], "SYNC_Type=* SYN on R/CTS by slave");
    QCOMPARE(lines.mid(23, 5),
             QStringList({"Framing=By silence", "Silence_Gap=4.5", "Silence_Use_LEN=True",
                          "CKS_Kind=CRC-32", "CKS_Byte_Order=High byte first"}));

    window_.reset();
    window_ = std::make_unique<MainWindow>(dir_->path(), &dialogs_);
    page_ = window_->TabSheet2;
    dialogs_.AnswerFile(path);
    QTest::mouseClick(page_->BBPROTLOAD, Qt::LeftButton);
    QCOMPARE(dialogs_.Errors(), QStringList());
    const FileDialogSpec spec{".pdt", window_->ExeDir(),
                              "Protocol definition files (*.pdt)|*.pdt|All files (*.*)|*.*"};
    QVERIFY(dialogs_.OpenRequests().back() == spec);
    QVERIFY(page_->Settings() == saved);
    QCOMPARE(window_->Protocol().Definition().STX_CHAR, 0x7E);  // applied after the load
    QCOMPARE(page_->Options().checksumKind, ChecksumKind::Crc32);
    QVERIFY(!page_->BBPRTAPPLY->isEnabled());
    QVERIFY(!page_->Label23->isHidden());
  }

  // Lines are taken by position. A file that does not read whole, for a bad number or a missing
  // line, changes no control, applies nothing and names the file and the line.
  void pdtFileReadByPosition() {
    page_->RBETX->setChecked(true);
    const QString path = dir_->filePath("b.pdt");
    engine_->SaveProtocolFile(path);
    QStringList lines = FileLines(path);
    lines[0] = "whatever=#1";
    lines[2] = "Use_ETX=False";
    lines[7] = "renamed=5";
    WriteFile(path, lines);
    QVERIFY(engine_->LoadProtocolFile(path));
    QVERIFY(page_->RBLEN->isChecked());
    QCOMPARE(page_->EDSTX->text(), "#1");
    QCOMPARE(page_->SEMINLEN->value(), 5);

    const PdtSettings before = page_->Settings();
    lines[4] = "ID_MIN=9";
    lines[8] = QString("LEN_MAX=x") + QChar(0) + "9";
    lines[9] = "Use_CMD=False";
    WriteFile(path, lines);
    dialogs_.AnswerFile(path);
    QTest::mouseClick(page_->BBPROTLOAD, Qt::LeftButton);
    QCOMPARE(dialogs_.Errors(),
             QStringList({"'x$009' is not a valid integer value (" + path + ", line 9)"}));
    QVERIFY(page_->Settings() == before);
    QCOMPARE(engine_->Definition().ID_MIN, 1);  // not applied

    for (const qsizetype kept : {1, 4, 22}) {
      WriteFile(path, lines.mid(0, kept));
      QVERIFY(!engine_->LoadProtocolFile(path));
      QCOMPARE(dialogs_.Errors().last(),
               QString("The file ends before its 23 lines; nothing was loaded (%1, line %2)")
                   .arg(path)
                   .arg(kept + 1));
      QVERIFY(page_->Settings() == before);
    }
    QVERIFY(!engine_->LoadProtocolFile(dir_->filePath("missing.pdt")));
    QVERIFY(dialogs_.Errors().last().contains("missing.pdt"));
  }

  // A peer on a pseudo-terminal sends packets; the window writes one coloured line each and, as
  // slave, answers the hand-shake on the line.
  void decodesPacketsFromAPseudoTerminal() {
    int master = -1;
    int slave = -1;
    char name[64];
    QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
    fcntl(master, F_SETFL, O_NONBLOCK);
    qputenv("FERROTAP_COM1", name);
    window_.reset();
    window_ = std::make_unique<MainWindow>(dir_->path(), &dialogs_);
    close(slave);
    rea_ = window_->REA;
    QVERIFY(window_->CP1->Open());
    window_->Terminal()->CBDECPROT->setChecked(true);
    window_->Terminal()->RBSIMSLAVE->setChecked(true);
    const ColorSet& colors = window_->Colors();

    const QByteArray good("\x02\x01\x04\x10\x41\x42\x98", 7);
    const QByteArray badCks("\x02\x01\x04\x10\x41\x42\x99", 7);
    const QByteArray outOfRange("\x02\x01\x03\xFF\x41\x44", 6);
    const QByteArray stream = QByteArray("\x55", 1) + good + badCks + outOfRange;
    QCOMPARE(write(master, stream.data(), stream.size()), stream.size());
    const QByteArray lines =
        "55 ID=01 COM=10  DATA(Hex)= 41 42 \r\n<ACK>ID=01 COM=10  DATA(Hex)= 41 42 CKS error: "
        "99(98)\r\n<NAK>ID=01 COM=FF  DATA(Hex)= 41 \r\n<ACK>";
    QTRY_COMPARE(Text(rea_), lines);
    QCOMPARE(TextIn(rea_, colors[ColorRole::ProtFatalError]), QByteArray("55 CKS error: 99(98)"));
    QCOMPARE(TextIn(rea_, colors[ColorRole::ProtOutOfRange]), QByteArray("FF "));
    QCOMPARE(TextIn(rea_, colors[ColorRole::ProtSimulated]), QByteArray("<ACK><NAK><ACK>"));
    QByteArray answers;
    char buffer[16];
    QTRY_VERIFY(
        (answers += QByteArray(buffer, std::max<ssize_t>(0, read(master, buffer, 16)))).size() >=
        3);
    QCOMPARE(answers, QByteArray("\x06\x15\x06"));
    window_.reset();
    close(master);
  }

  void spyModeDecodesPortBInItsFormat() {
    window_->ComSetting()->CB2COM->setChecked(true);
    window_->ClosePorts();
    window_->ApplyPortSettings();
    QVERIFY(peerB_->Connect());
    terminal_->CBOUTDATAF->setCurrentIndex(3);  // DEC
    terminal_->CBDECPROT->setChecked(true);
    peerB_->Send(QByteArray("\x02\x01\x04\x10\x41\x42\x98\x06", 8));
    QTRY_COMPARE(Text(rea_), QByteArray("ID=1 COM=16  DATA(Dec)= 065 066 \r\nACK\r\n"));
    QCOMPARE(TextIn(rea_, window_->Colors()[ColorRole::PortBHandShake]), QByteArray("ACK\r\n"));
    QVERIFY(peerA_->Received().isEmpty());  // port B never answers
  }

  // The pack time-out runs from the STX, whatever arrives after it, and never ends early.
  void packTimeOutWhileBytesArrive() {
    terminal_->CBDECPROT->setChecked(true);
    QElapsedTimer clock;
    peerA_->Send(QByteArray("\x02\x01\x40", 3));  // LEN 64: far from complete
    clock.start();
    while (!Text(rea_).contains("Time Out")) {
      peerA_->Send("A");
      QTest::qWait(100);
      QVERIFY(clock.elapsed() < 5000);
    }
    QVERIFY(clock.elapsed() >= 990);
    QCOMPARE(TextIn(rea_, window_->Colors()[ColorRole::ProtFatalError]),
             QByteArray("\r\nPort A: Pack Time Out.\r\n"));
    peerA_->Send("B");
    QTRY_VERIFY(Text(rea_).endsWith("\r\nPort A: Pack Time Out.\r\n42 "));
  }

  // "Presets" loads a shipped definition and applies it; the list then names itself again.
  void presetLoadsAndApplies() {
    const int index = page_->CBPRESETS->findText("modbus-rtu.pdt");
    QVERIFY(index > 0);
    emit page_->CBPRESETS->activated(index);
    QCOMPARE(page_->CBPRESETS->currentIndex(), 0);
    QCOMPARE(page_->CBFRAMING->currentText(), "By silence");
    QCOMPARE(page_->CBCKSKIND->currentText(), "CRC-16/MODBUS");
    QVERIFY(page_->STSTX->isHidden() && page_->STLEN->isHidden());
    QCOMPARE(page_->STCCKS->text(), "16 bit");
    QCOMPARE(engine_->Definition().ID_MAX, 247);
    QVERIFY(engine_->Definition().commandNames != nullptr);
    QVERIFY(!page_->BBPRTAPPLY->isEnabled());
    QCOMPARE(dialogs_.Errors(), QStringList());
  }

  void handShakeTimeOutMessages() {
    terminal_->CBDECPROT->setChecked(true);
    const uint16_t trigger = engine_->DecoderA().HandShakeTrigger();
    engine_->DecoderA().Flags().awaitingAckNak = true;
    window_->CP1->ArmTimerTrigger(trigger, 2, true);
    QTRY_COMPARE(Text(rea_), QByteArray("\r\n ACK - NAK Time Out !\r\n"));
    window_->CP1->ArmTimerTrigger(trigger, 2, true);
    QTRY_COMPARE(Text(rea_), QByteArray("\r\n ACK - NAK Time Out !\r\n\r\nSYNC Time Out !\r\n"));
    QVERIFY(!engine_->DecoderA().Flags().awaitingAckNak);
  }

  void decodingSwitchedOnRestartsPortA() {
    terminal_->CBDECPROT->setChecked(true);
    peerA_->Send(QByteArray("\x02\x01\x04", 3));
    QTRY_COMPARE(engine_->DecoderA().State().phase, DecoderPhase::ExpectCmd);
    terminal_->CBDECPROT->setChecked(false);
    terminal_->CBDECPROT->setChecked(true);
    QCOMPARE(engine_->DecoderA().State().phase, DecoderPhase::Idle);
    page_->SETOPACK->setValue(0);
    engine_->ApplyProtocolDefinition();
    peerA_->Send(QByteArray("\x02\x01", 2));
    QTRY_COMPARE(engine_->DecoderA().State().phase, DecoderPhase::ExpectLen);
    QTest::mouseClick(window_->Strip()->SBRESPACK, Qt::LeftButton);
    QCOMPARE(Text(rea_), QByteArray("Operator Reset\r\n"));
    QCOMPARE(engine_->DecoderA().State().phase, DecoderPhase::Idle);
  }

 private:
  std::optional<QTemporaryDir> dir_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<test::VirtualPeer> peerA_;
  std::unique_ptr<test::VirtualPeer> peerB_;
  std::unique_ptr<MainWindow> window_;
  DataWindow* rea_ = nullptr;
  ProtocolSettingPage* page_ = nullptr;
  TerminalPage* terminal_ = nullptr;
  ProtocolEngine* engine_ = nullptr;
};

FERROTAP_TEST(ProtocolEngineTest)

}  // namespace ferrotap

#include "protocol_engine_test.moc"
