// SPDX-License-Identifier: MIT
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/data_window.h"
#include "app/main_window.h"
#include "app/pages/terminal_page.h"
#include "app/pages/protocol_setting_page.h"
#include "serial/status_light_controller.h"
#include "app/pages/simulation_table_page.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_registry.h"
#include "tests/support/virtual_peer.h"

namespace ferrotap {
namespace {

QByteArray Text(const MainWindow& window) {
  return QByteArray::fromStdString(window.REA->Text());
}

// One side of the exchange: a window whose port A is one end of a shared virtual cable.
struct Side {
  Side(const QString& cable, const char* end) {
    const QByteArray previous = qgetenv("FERROTAP_COM1");
    qputenv("FERROTAP_COM1", ("virtual:" + cable + ":" + end).toLatin1());
    window = std::make_unique<MainWindow>(dir.path(), &dialogs);
    qputenv("FERROTAP_COM1", previous);
  }
  // Decoding on, the given role and SYNC type; command 5 has a query, an answer and SYNC.
  void Prepare(QRadioButton* TerminalPage::*role, int syncType) {
    TerminalPage& terminal = *window->Terminal();
    terminal.CBDECPROT->setChecked(true);
    (terminal.*role)->setChecked(true);
    window->TabSheet2->CBEOT->setCurrentIndex(syncType);
    window->TabSheet2->SEDELSYN->setValue(50);
    QTableWidget* grid = window->TabSheet4->SGPS;
    grid->item(6, 1)->setText("Q");
    grid->item(6, 2)->setText("AB");
    grid->item(6, 3)->setText("sync");
    window->TabSheet4->BBSIMAPPLY->setEnabled(true);  // as opening a cell for editing does
    window->TabSheet4->BBSIMAPPLY->click();
  }

  QTemporaryDir dir;
  test::ScriptedDialogs dialogs;
  std::unique_ptr<MainWindow> window;
};

QString CableName() {
  static int next = 0;
  return QString("roles-%1").arg(++next);
}

}  // namespace

class SimulationRolesTest : public QObject {
  Q_OBJECT

 private slots:
  void masterAndSlaveWithSynCharacter() {
    const QString cable = CableName();
    Side master(cable, "a");
    Side slave(cable, "b");
    master.Prepare(&TerminalPage::RBSIMMASTER, 1);
    slave.Prepare(&TerminalPage::RBSIMSLAVE, 1);
    TerminalPage& terminal = *master.window->Terminal();
    QVERIFY(!terminal.GBCOMSIM->isHidden() && terminal.GBFLYTX->isHidden());
    terminal.SESIMCOMM->setValue(5);
    terminal.SBSIMCOMM->click();

    // Query 02 01 03 05 51 5A; answer with the swapped command 50: 02 01 04 50 41 42 D8.
    QTRY_COMPARE(Text(*slave.window),
                 QByteArray("ID=01 COM=05  DATA(Hex)= 51 \r\n<ACK>\r\n<SIM. ANSWER> 02 01 04 50 41 "
                            "42 D8 \r\nACK\r\n<SYN>"));
    QTRY_COMPARE(Text(*master.window),
                 QByteArray("\r\n<COMM 5> 02 01 03 05 51 5A \r\nACK\r\nID=01 COM=50  DATA(Hex)= 41 "
                            "42 \r\n<ACK>SYN\r\n"));
    QVERIFY(master.dialogs.Errors().isEmpty() && slave.dialogs.Errors().isEmpty());
    // No time-out follows a completed exchange.
    QTest::qWait(2500);
    QVERIFY(!Text(*master.window).contains("Time Out"));
    QVERIFY(!Text(*slave.window).contains("Time Out"));
  }

  void masterAndSlaveWithSyncOnRtsCts() {
    const QString cable = CableName();
    Side master(cable, "a");
    Side slave(cable, "b");
    master.Prepare(&TerminalPage::RBSIMMASTER, 2);
    slave.Prepare(&TerminalPage::RBSIMSLAVE, 2);
    master.window->Terminal()->SESIMCOMM->setValue(5);
    master.window->Terminal()->SBSIMCOMM->click();

    QTRY_VERIFY(Text(*slave.window).endsWith("<RTS On as SYN>"));
    QCOMPARE(
        Text(*slave.window),
        QByteArray("<RTS Off as SYN>ID=01 COM=05  DATA(Hex)= 51 \r\n<ACK>\r\n<SIM. ANSWER> 02 01 "
                   "04 50 41 42 D8 \r\nACK\r\n<RTS On as SYN>"));
    // The master sees the slave's RTS as its CTS; the lamp controller reports each change too.
    QTRY_VERIFY(Text(*master.window).endsWith("CTS On as SYN\r\n"));
    const QByteArray seen = Text(*master.window);
    QVERIFY(seen.startsWith("\r\n<COMM 5> 02 01 03 05 51 5A \r\n"));
    QVERIFY(seen.contains("ID=01 COM=50  DATA(Hex)= 41 42 \r\n<ACK>"));
    QVERIFY(seen.indexOf("CTS Off as SYN") < seen.indexOf("CTS On as SYN"));
  }

  // The slave's RTS is its own SYNC: its CTS trigger is off while it plays slave.
  void slaveRoleDisarmsTheCtsTrigger() {
    test::VirtualPeer peer(1, CableName());
    test::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    MainWindow window(dir.path(), &dialogs);
    QVERIFY(peer.Connect());
    window.LEDCTRL->SetWatching(false);  // leaves the CTS trigger alone on port A
    window.TabSheet2->CBEOT->setCurrentIndex(2);
    window.Terminal()->CBDECPROT->setChecked(true);
    window.Terminal()->RBSIMSLAVE->setChecked(true);
    peer.Device().SetRts(false);
    QTest::qWait(300);
    QCOMPARE(Text(window), QByteArray());
    window.Terminal()->RBSIMMASTER->setChecked(true);
    peer.Device().SetRts(true);
    QTRY_COMPARE(Text(window), QByteArray("CTS On as SYN\r\n"));
  }
};

FERROTAP_TEST(SimulationRolesTest)

}  // namespace ferrotap

#include "simulation_roles_test.moc"
