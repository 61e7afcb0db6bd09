// SPDX-License-Identifier: MIT
#include <QCheckBox>
#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>

#include "app/data_window.h"
#include "app/demo_mode.h"
#include "app/main_window.h"
#include "app/pages/protocol_setting_page.h"
#include "app/pages/simulation_table_page.h"
#include "app/pages/terminal_page.h"
#include "protocol/pdt_file.h"
#include "serial/key_value.h"
#include "session/session.h"
#include "session/session_thread.h"
#include "simulation/pst_file.h"
#include "tests/cli/pty_relay.h"
#include "tests/serial/serial_test_support.h"
#include "tests/session/recording_session_output.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

// The typical exchange with a SYN character: the query of command 5 and the ACK of the answer,
// and the other way the ACK, the answer (command nibbles swapped) and the SYN.
const QByteArray kMasterBytes("\x02\x01\x03\x05Q\x5A\x06", 7);
const QByteArray kSlaveBytes("\x06\x02\x01\x04\x50"
                             "AB\xD8\x04",
                             9);

// ferrotap-cli with its arguments, its output collected.
struct Cli {
  explicit Cli(const QStringList& args) {
    process.start(FERROTAP_CLI, args);
    process.waitForStarted();
  }
  ~Cli() {
    if (process.state() != QProcess::NotRunning) {
      process.kill();
      process.waitForFinished();
    }
  }
  QString Out() {
    out += process.readAllStandardOutput();
    return QString::fromUtf8(out);
  }
  QString Err() {
    err += process.readAllStandardError();
    return QString::fromUtf8(err);
  }
  bool Finished() { return process.state() == QProcess::NotRunning; }
  // Stops a monitor or a slave as Ctrl-C does.
  void Interrupt() { ::kill(static_cast<pid_t>(process.processId()), SIGINT); }

  QProcess process;
  QByteArray out;
  QByteArray err;
};

// A window whose port A is the device at `path`, decoding, in a simulation role with the SYN
// character and command 5 in its table.
std::unique_ptr<MainWindow> Window(const QString& dir, test::ScriptedDialogs& dialogs,
                                   const std::string& path, QRadioButton* TerminalPage::*role) {
  test::ComEnv com(1, path);
  auto window = std::make_unique<MainWindow>(dir, &dialogs);
  TerminalPage& terminal = *window->Terminal();
  terminal.CBDECPROT->setChecked(true);
  (terminal.*role)->setChecked(true);
  window->TabSheet2->CBEOT->setCurrentIndex(1);
  window->TabSheet2->SEDELSYN->setValue(50);
  QTableWidget* grid = window->TabSheet4->SGPS;
  grid->item(6, 1)->setText("Q");
  grid->item(6, 2)->setText("AB");
  grid->item(6, 3)->setText("sync");
  window->TabSheet4->BBSIMAPPLY->setEnabled(true);
  window->TabSheet4->BBSIMAPPLY->click();
  return window;
}

// The shipped Modbus RTU definition and table, and published frames: a read of three holding
// registers and its answer, a write of one register, an exception reply.
const char* const kModbusPdt = FERROTAP_EXAMPLES_DIR "/modbus-rtu.pdt";
const char* const kModbusPst = FERROTAP_EXAMPLES_DIR "/modbus-rtu.pst";
const QByteArray kModbusCapture[] = {
    QByteArray("\x11\x03\x00\x6B\x00\x03\x76\x87", 8),
    QByteArray("\x11\x03\x06\xAE\x41\x56\x52\x43\x40\x49\xAD", 11),
    QByteArray("\x11\x06\x00\x01\x00\x03\x9A\x9B", 8),
    QByteArray("\x0A\x81\x02\xB0\x53", 5)};

}  // namespace

class CliTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    // The window's defaults with the SYN character, and the window's table above.
    PdtSettings pdt;
    pdt.syncType = 1;
    pdt.syncDelay = 50;
    WriteTextLines(File("sync.pdt"), WritePdtLines(pdt));
    SimulationRows rows;
    rows[5] = {"Q", "AB", "Sync"};
    WriteTextLines(File("table.pst"), WritePstLines(rows));
    WriteTextLines(File("other.pst"), {"not a table"});
  }

  void refusesBadArgumentsNamingThem_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("named");
    QTest::newRow("no such command") << QStringList{"frobnicate"} << 2 << "'frobnicate'";
    QTest::newRow("bad format") << QStringList{"monitor", "-a", "1", "--format", "oct"} << 2
                                << "'--format': 'oct'";
    QTest::newRow("option of another command")
        << QStringList{"monitor", "-a", "1", "--send", "5"} << 2 << "'--send'";
    QTest::newRow("master without queries")
        << QStringList{"master", "-a", "1", "--pst", "@/table.pst"} << 2 << "--send";
    QTest::newRow("missing file")
        << QStringList{"slave", "-a", "1", "--pst", "@/none.pst"} << 2 << "@/none.pst";
    QTest::newRow("file of another kind")
        << QStringList{"slave", "-a", "1", "--pst", "@/other.pst"} << 2 << "@/other.pst";
    QTest::newRow("demo with a table")
        << QStringList{"slave", "--demo", "-a", "1", "--pst", "@/table.pst"} << 2 << "--demo";
    QTest::newRow("malformed escape")
        << QStringList{"send", "-a", "1", "--text", "AB$4"} << 2 << "$4";
    QTest::newRow("replay without a log") << QStringList{"replay"} << 2 << "replay FILE";
    QTest::newRow("bad timestamps") << QStringList{"replay", "@/none.flog", "--timestamps", "x"}
                                    << 2 << "'--timestamps': 'x'";
    QTest::newRow("missing log") << QStringList{"replay", "@/none.flog"} << 1 << "@/none.flog";
    QTest::newRow("missing port")
        << QStringList{"monitor", "-a", "/nonexistent/ttyFerrotap"} << 1
        << "/nonexistent/ttyFerrotap";
  }

  void refusesBadArgumentsNamingThem() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, named);
    args.replaceInStrings("@", dir_.path());
    Cli cli(args);
    QVERIFY(cli.process.waitForFinished(10000));
    QCOMPARE(cli.process.exitCode(), status);
    QVERIFY2(cli.Err().contains(named.replace("@", dir_.path())), qPrintable(cli.Err()));
  }

  // The typical exchange of SYNC type 1 between the two front-ends over a pseudo-terminal pair,
  // checked byte for byte on the line.
  void masterAndSlaveExchange_data() {
    QTest::addColumn<bool>("windowMaster");
    QTest::addColumn<bool>("windowSlave");
    QTest::newRow("cli master, cli slave") << false << false;
    QTest::newRow("window master, cli slave") << true << false;
    QTest::newRow("cli master, window slave") << false << true;
  }

  void masterAndSlaveExchange() {
    QFETCH(bool, windowMaster);
    QFETCH(bool, windowSlave);
    test::PtyRelay relay;
    QVERIFY(relay.Ok());
    const QStringList files = {"--pdt", File("sync.pdt").c_str(), "--pst",
                               File("table.pst").c_str()};
    QTemporaryDir masterDir;
    QTemporaryDir slaveDir;
    test::ScriptedDialogs masterDialogs;
    test::ScriptedDialogs slaveDialogs;
    std::unique_ptr<MainWindow> slaveWindow;
    std::unique_ptr<Cli> slave;
    if (windowSlave) {
      slaveWindow = Window(slaveDir.path(), slaveDialogs, relay.Path(1), &TerminalPage::RBSIMSLAVE);
    } else {
      slave = std::make_unique<Cli>(QStringList{"slave", "-a", relay.Path(1).c_str()} + files);
      QTRY_VERIFY(slave->Err().contains("slave on"));
    }

    if (windowMaster) {
      auto master =
          Window(masterDir.path(), masterDialogs, relay.Path(0), &TerminalPage::RBSIMMASTER);
      master->Terminal()->SESIMCOMM->setValue(5);
      master->Terminal()->SBSIMCOMM->click();
      QTRY_VERIFY(QByteArray::fromStdString(master->REA->Text()).endsWith("SYN\r\n"));
      QVERIFY(masterDialogs.Errors().isEmpty());
    } else {
      Cli master(QStringList{"master", "-a", relay.Path(0).c_str(), "--send", "5"} + files);
      QTRY_VERIFY_WITH_TIMEOUT(master.Finished(), 10000);
      QCOMPARE(master.process.exitCode(), 0);
      QVERIFY2(master.Out().endsWith("exchanges completed 1 of 1\n"), qPrintable(master.Out()));
    }
    QTRY_COMPARE(QByteArray::fromStdString(relay.WrittenAt(0)), kMasterBytes);
    QTRY_COMPARE(QByteArray::fromStdString(relay.WrittenAt(1)), kSlaveBytes);
    if (slave) {
      slave->Interrupt();
      QTRY_VERIFY(slave->Finished());
      QCOMPARE(slave->process.exitCode(), 0);
      QVERIFY2(slave->Out().endsWith("queries 1, answers 1, NAKs 0, time-outs 0\n"),
               qPrintable(slave->Out()));
    } else {
      QVERIFY(slaveDialogs.Errors().isEmpty());
    }
  }

  // The demo device on a pseudo-terminal: a report of its own within its interval, then the
  // answer to a query of its protocol.
  void slaveDemoPlaysTheDemoDevice() {
    test::Pty pty;
    QVERIFY(pty.Ok());
    Cli slave({"slave", "--demo", "-a", pty.SlaveName().c_str()});
    QTRY_VERIFY(slave.Err().contains("slave on"));
    std::string seen;
    const std::string report("\x02\x05\x04\x20\x00\xC8\xF1", 7);
    QTRY_VERIFY_WITH_TIMEOUT((seen += pty.ReadSome(), seen.size() >= report.size()), 8000);
    QCOMPARE(seen, report);
    seen.clear();
    pty.Write(std::string("\x02\x05\x03\x01\x00\x09", 6));
    const std::string answer("\x06\x02\x05\x04\x01\x00\xEB\xF5", 8);
    QTRY_VERIFY((seen += pty.ReadSome(), seen.size() >= answer.size()));
    QCOMPARE(seen, answer);
    pty.Write("\x06");
    QTest::qWait(100);
    slave.Interrupt();
    QTRY_VERIFY(slave.Finished());
    QVERIFY2(slave.Out().endsWith("queries 1, answers 1, NAKs 0, time-outs 0\n"),
             qPrintable(slave.Out()));
  }

  // SYNC type 2 needs RTS and CTS, which a pseudo-terminal lacks: the window as master against
  // the CLI's session engine as slave, on the two ends of a virtual cable.
  void syncByRtsBetweenWindowAndSessionEngine() {
    const std::string cable = "virtual:cli-sync-rts";
    SessionOptions options;
    options.decode = true;
    options.role = SimulationRole::Slave;
    options.protocol.syncType = SyncType::RtsCts;
    options.protocol.syncDelayMs = 50;
    test::RecordingSessionOutput slaveOut;
    {
      SessionThread slave(options, slaveOut);
      slave.Call([&](Session& session, LoopHost&) {
        session.SimTable()[5].query = "Q";
        session.SimTable()[5].answer = "AB";
        session.SimTable().MarkSync(5, true);
        session.ApplyPortSettings(CpsSettings{}, PortPaths{cable + ":b", {}});
      });
      QTemporaryDir masterDir;
      test::ScriptedDialogs dialogs;
      auto master = Window(masterDir.path(), dialogs, cable + ":a", &TerminalPage::RBSIMMASTER);
      master->TabSheet2->CBEOT->setCurrentIndex(2);
      master->TabSheet2->BBPRTAPPLY->click();
      master->Terminal()->SESIMCOMM->setValue(5);
      master->Terminal()->SBSIMCOMM->click();
      QTRY_VERIFY2(QByteArray::fromStdString(master->REA->Text()).endsWith("CTS On as SYN\r\n"),
                   master->REA->Text().c_str());
      QVERIFY(dialogs.Errors().isEmpty());
    }
    // The ACK and the answer; the SYNC went on RTS, so no SYN character follows.
    QCOMPARE(slaveOut.sent, std::string("\x06\x02\x01\x04\x50" "AB\xD8", 8));
    QVERIFY(slaveOut.Text().find("<RTS On as SYN>") != std::string::npos);
    QVERIFY(slaveOut.errors.empty());
  }

  // `ferrotap --demo`: the window comes up decoding what the demo device says and plays the
  // master of its protocol, with the user's settings folder left alone.
  void demoWindowTalksToTheDemoDevice() {
    {
      DemoMode demo;
      QVERIFY(!demo.SettingsFolder().isEmpty());
      test::ScriptedDialogs dialogs;
      MainWindow window(ProgramFolders{demo.SettingsFolder().toStdString(),
                                       dir_.path().toStdString() + "/"},
                        &dialogs);
      demo.Show(window);
      window.Terminal()->SESIMCOMM->setValue(1);
      window.Terminal()->SBSIMCOMM->click();
      QTRY_VERIFY2(window.REA->Text().find("ID=05 COM=01 (read temperature)  DATA(Hex)= 00 EB") !=
                       std::string::npos,
                   window.REA->Text().c_str());
      QVERIFY(dialogs.Errors().isEmpty());
      QVERIFY(QFile::exists(demo.SettingsFolder() + "Port_CFG.cps"));
    }
    qunsetenv("FERROTAP_COM1");
    QVERIFY(!QFile::exists(dir_.filePath("Port_CFG.cps")));
  }

  // Without a slave the master says which exchange failed and why.
  void masterReportsAFailedExchange() {
    test::PtyRelay relay;
    Cli master({"master", "-a", relay.Path(0).c_str(), "--pdt", File("sync.pdt").c_str(), "--pst",
                File("table.pst").c_str(), "--send", "5"});
    QTRY_VERIFY_WITH_TIMEOUT(master.Finished(), 10000);
    QCOMPARE(master.process.exitCode(), 1);
    QVERIFY2(master.Err().contains("command 5 failed: ACK - NAK Time Out"), qPrintable(master.Err()));
  }

  // Without a display the window says so in one line and points at the CLI, instead of the
  // toolkit's abort.
  void windowWithoutDisplayPointsAtTheCli() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
      environment.remove(name);
    }
    QProcess window;
    window.setProcessEnvironment(environment);
    window.start(FERROTAP_WINDOW, {});
    QVERIFY(window.waitForFinished(10000));
    QCOMPARE(window.exitStatus(), QProcess::NormalExit);
    QCOMPARE(window.exitCode(), 1);
    const QString said = QString::fromUtf8(window.readAllStandardError());
    QCOMPARE(said.count('\n'), 1);
    QVERIFY2(said.startsWith("ferrotap: no display") && said.contains("ferrotap-cli"),
             qPrintable(said));
  }

  void monitorWritesJsonLines_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("bytes") << QStringList{} << QByteArray("\x01" "AB", 3) << R"("bytes":"014142"})";
    // A checksum error and a command out of range (the definition allows 1 to 250).
    QTest::newRow("packets") << QStringList{"--decode"}
                             << QByteArray("\x02\x01\x03\x05Q\x00\x02\x01\x03\xFBQ\x50", 12)
                             << R"("stx":2,"id":1,"len":3,"cmd":5,"data":"51","cks":"error","range":"ok"}
{"port":"A","time":T,"stx":2,"id":1,"len":3,"cmd":251,"data":"51","cks":"ok","range":"out"})";
  }

  void monitorWritesJsonLines() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);
    test::Pty pty;
    QVERIFY(pty.Ok());
    Cli monitor(QStringList{"monitor", "--json", "-a", pty.SlaveName().c_str()} + args);
    QTRY_VERIFY(monitor.Err().contains("monitoring"));
    pty.Write(line.toStdString());
    const QString want = R"({"port":"A","time":T,)" + expected + "\n";
    const QRegularExpression time(R"("time":\d+\.\d{6},)");
    QTRY_COMPARE(monitor.Out().replace(time, R"("time":T,)"), want);
    monitor.Interrupt();
    QTRY_VERIFY(monitor.Finished());
    QCOMPARE(monitor.process.exitCode(), 0);
  }

  // Published Modbus RTU frames, each after a silence, decoded by the shipped definition: a read
  // of holding registers and its answer, a write, an exception reply.
  void monitorDecodesModbusAsJson() {
    test::Pty pty;
    QVERIFY(pty.Ok());
    Cli monitor({"monitor", "--decode", "--pdt", kModbusPdt, "--json", "-a",
                 pty.SlaveName().c_str()});
    QTRY_VERIFY(monitor.Err().contains("monitoring"));
    for (const QByteArray& frame : kModbusCapture) {
      pty.Write(frame.toStdString());
      QTest::qWait(30);  // more than 3.5 character times at 9600 bit/s
    }
    const QString packet = R"({"port":"A","time":T,"stx":null,"id":%1,"len":null,"cmd":%2,)"
                           R"("data":"%3","cks":"ok","range":"ok"})";
    const QString want = packet.arg(17).arg(3).arg("006b0003") + "\n" +
                         packet.arg(17).arg(3).arg("06ae4156524340") + "\n" +
                         packet.arg(17).arg(6).arg("00010003") + "\n" +
                         packet.arg(10).arg(129).arg("02") + "\n";
    const QRegularExpression time(R"("time":\d+\.\d{6},)");
    QTRY_COMPARE(monitor.Out().replace(time, R"("time":T,)"), want);
    monitor.Interrupt();
    QTRY_VERIFY(monitor.Finished());
    QCOMPARE(monitor.process.exitCode(), 0);
  }

  // The window as Modbus master with the shipped preset against ferrotap-cli as slave with the
  // shipped definition and table: the query and the answer byte for byte, and the answer decoded
  // in the window.
  void windowMasterAgainstModbusSlave() {
    test::PtyRelay relay;
    QVERIFY(relay.Ok());
    Cli slave({"slave", "-a", relay.Path(1).c_str(), "--pdt", kModbusPdt, "--pst", kModbusPst});
    QTRY_VERIFY(slave.Err().contains("slave on"));
    QTemporaryDir dir;
    test::ScriptedDialogs dialogs;
    test::ComEnv com(1, relay.Path(0));
    MainWindow window(dir.path(), &dialogs);
    QComboBox* presets = window.TabSheet2->CBPRESETS;
    const int modbus = presets->findText("modbus-rtu.pdt");
    QVERIFY(modbus > 0);
    emit presets->activated(modbus);
    TerminalPage& terminal = *window.Terminal();
    terminal.CBDECPROT->setChecked(true);
    terminal.RBSIMMASTER->setChecked(true);
    QTableWidget* grid = window.TabSheet4->SGPS;
    grid->item(4, 1)->setText("$00$6B$00$03");
    grid->item(4, 2)->setText("$06$AE$41$56$52$43$40");
    window.TabSheet4->BBSIMAPPLY->setEnabled(true);
    window.TabSheet4->BBSIMAPPLY->click();
    terminal.SESIMCOMM->setValue(3);
    terminal.SBSIMCOMM->click();
    QTRY_COMPARE(QByteArray::fromStdString(relay.WrittenAt(0)), kModbusCapture[0]);
    QTRY_COMPARE(QByteArray::fromStdString(relay.WrittenAt(1)), kModbusCapture[1]);
    QTRY_VERIFY(window.REA->Text().find(
                    "ID=11 COM=03 (read holding registers)  DATA(Hex)= 06 AE 41 56 52 43 40") !=
                std::string::npos);
    QVERIFY2(dialogs.Errors().isEmpty(), qPrintable(dialogs.Errors().join('\n')));
    slave.Interrupt();
    QTRY_VERIFY(slave.Finished());
    QVERIFY2(slave.Out().endsWith("queries 1, answers 1, NAKs 0, time-outs 0\n"),
             qPrintable(slave.Out()));
  }

  // What a monitor logged plays back as it was received, framed by the idle gap.
  void monitorLogIsReplayed() {
    test::Pty pty;
    QVERIFY(pty.Ok());
    const QString log = dir_.path() + "/capture.flog";
    Cli monitor({"monitor", "-a", pty.SlaveName().c_str(), "--log", log});
    QTRY_VERIFY(monitor.Err().contains("monitoring"));
    pty.Write("hello");
    QTRY_VERIFY(monitor.Out().contains("68 65 6C 6C 6F"));
    QTest::qWait(150);
    pty.Write("world");
    QTRY_VERIFY(monitor.Out().contains("77 6F 72 6C 64"));
    monitor.Interrupt();
    QTRY_VERIFY(monitor.Finished());
    QCOMPARE(monitor.process.exitCode(), 0);

    Cli replay({"replay", log, "--format", "ascii", "--idle-gap", "100ms"});
    QVERIFY(replay.process.waitForFinished(10000));
    QCOMPARE(replay.process.exitCode(), 0);
    QCOMPARE(replay.Out().trimmed(), QString("hello\nworld"));
  }

 private:
  std::string File(const char* name) const { return (dir_.path() + "/" + name).toStdString(); }

  QTemporaryDir dir_;
};

FERROTAP_TEST(CliTest)

}  // namespace ferrotap

#include "cli_test.moc"
