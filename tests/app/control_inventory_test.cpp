// SPDX-License-Identifier: MIT
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

#include "app/main_window.h"
#include "app/status_strip.h"
#include "app/widgets/port_led.h"
#include "app/widgets/status_light.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

// What the control shows: caption, title, text or selected text.
QString ShownText(const QObject* control) {
  if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
  if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  if (auto* combo = qobject_cast<const QComboBox*>(control)) return combo->currentText();
  if (auto* spin = qobject_cast<const QSpinBox*>(control)) return QString::number(spin->value());
  return {};
}

// Combo box items, or a spin edit's range as {min, max}.
QStringList Items(const QObject* control) {
  QStringList items;
  if (auto* combo = qobject_cast<const QComboBox*>(control)) {
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  } else if (auto* spin = qobject_cast<const QSpinBox*>(control)) {
    items << QString::number(spin->minimum()) << QString::number(spin->maximum());
  }
  return items;
}

// Selected item of a combo box, 1/0 for a checked/unchecked button, -1 for anything else.
int State(const QObject* control) {
  if (auto* combo = qobject_cast<const QComboBox*>(control)) return combo->currentIndex();
  if (auto* button = qobject_cast<const QAbstractButton*>(control)) {
    return button->isCheckable() ? int(button->isChecked()) : -1;
  }
  return -1;
}

QStringList Numbers(int first, int last) {
  QStringList numbers;
  for (int n = first; n <= last; ++n) numbers << QString::number(n);
  return numbers;
}

const QStringList kFormats = {"ASCII", "ASCII filt", "HEX", "DEC", "BIN"};

}  // namespace

class ControlInventoryTest : public QObject {
  Q_OBJECT

 private slots:
  // A fresh folder each time: a settings file left by the previous window would be read back.
  void init() {
    dir_.emplace();
    window_ = std::make_unique<MainWindow>(dir_->path(), &dialogs_);
  }
  void cleanup() { window_.reset(); }

  void everyControlAsDesigned_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("visible");
    const QString t = "TabSheet1";
    const QString c = "TabSheet3";
    const QString s = "strip";
    const QStringList none;
    auto row = [](const char* name, const QString& page, const char* kind, const QString& text,
                  const QStringList& items, int state, bool enabled, bool visible) {
      QTest::newRow(name) << page << kind << text << items << state << enabled << visible;
    };
    // Terminal page.
    row("Panel3", t, "QFrame", "", none, -1, true, true);
    row("REA", t, "ferrotap::DataWindow", "", none, -1, true, true);
    row("GBFLYTX", t, "QGroupBox", " On fly TX ", none, -1, true, true);
    row("EDFLYTX", t, "QLineEdit", "", none, -1, true, true);
    row("BBFLYTX", t, "QPushButton", "TX", none, -1, false, true);
    row("BBTXFILE", t, "QPushButton", "TX FILE", none, -1, true, true);
    row("CBADDCRLF", t, "QCheckBox", "Add CR(LF)", none, 0, true, true);
    row("CBUSEAC", t, "QCheckBox", " Use Commands List", none, 0, true, true);
    row("Label52", t, "QLabel", "CMD:", none, -1, false, true);
    row("CBOXAC", t, "QComboBox", "", none, -1, false, true);
    row("BBACTX", t, "QPushButton", "TX", none, -1, false, true);
    row("CBDECPROT", t, "QCheckBox", "Decode Protocol", none, 0, true, true);
    row("RBNOSIM", t, "QRadioButton", "No Protocol simulation", none, 1, false, true);
    row("RBSIMMASTER", t, "QRadioButton", "Simulate Protocol as Master", none, 0, false, true);
    row("RBSIMSLAVE", t, "QRadioButton", "Simulate Protocol as Slave", none, 0, false, true);
    row("Label39", t, "QLabel", "In Data Format", none, -1, true, true);
    row("CBINDATAF", t, "QComboBox", "HEX", kFormats, 2, true, true);
    row("Label8", t, "QLabel", "Echo/Sim Data Format", none, -1, true, true);
    row("CBOUTDATAF", t, "QComboBox", "HEX", kFormats, 2, true, true);
    row("CBECHO", t, "QCheckBox", "Echo", none, 1, true, true);
    row("GBCOMSIM", t, "QGroupBox", " Command to simulate ", none, -1, true, false);
    row("SESIMCOMM", t, "QSpinBox", "1", {"0", "255"}, -1, true, true);
    row("SBSIMCOMM", t, "QPushButton", "TX", none, -1, true, true);
    // Com Setting page.
    row("CB2COM", c, "QCheckBox", "Spy RX and TX (2 Coms)", none, 0, true, true);
    row("CBPortA", c, "QComboBox", "1", Numbers(1, 16), 0, true, true);
    row("Label11", c, "QLabel", "COM Port B", none, -1, false, true);
    row("CBPORTB", c, "QComboBox", "2", Numbers(1, 16), 1, false, true);
    row("CBBR", c, "QComboBox", "9600",
        {"150", "300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"},
        6, true, true);
    row("CBDB", c, "QComboBox", "8", Numbers(5, 8), 3, true, true);
    row("CBPAR", c, "QComboBox", "None", {"None", "Odd", "Even", "Mark", "Space"}, 0, true, true);
    row("CBSTOPB", c, "QComboBox", "1", {"1", "1.5", "2"}, 0, true, true);
    row("GBSETFLOW", c, "QGroupBox", " Flow control ", none, -1, true, true);
    row("RBNOFLOW", c, "QRadioButton", "No Flow control", none, 1, true, true);
    row("RBHFLOW", c, "QRadioButton", "Hardware Flow control", none, 0, true, true);
    row("RBSFLOW", c, "QRadioButton", "Software Flow control", none, 0, true, true);
    row("GBHF", c, "QGroupBox", "Hardware Flow control setting ", none, -1, true, false);
    row("SEHFBFULL", c, "QSpinBox", "90", {"51", "99"}, -1, true, true);
    row("SEHFBRESUME", c, "QSpinBox", "10", {"1", "49"}, -1, true, true);
    row("RBUSERTS", c, "QCheckBox", "Use RTS", none, 0, true, true);
    row("RBUSEDTR", c, "QCheckBox", "Use DTR", none, 0, true, true);
    row("RBREQCTS", c, "QCheckBox", "Req CTS", none, 0, true, true);
    row("RBREQDSR", c, "QCheckBox", "Req DSR", none, 0, true, true);
    row("GBSF", c, "QGroupBox", " Software Flow control setting ", none, -1, true, false);
    row("CBSFFOR", c, "QComboBox", "RX-TX", {"RX", "TX", "RX-TX"}, 2, true, true);
    row("EDXON", c, "QLineEdit", "#17", none, -1, true, true);
    row("EDXOFF", c, "QLineEdit", "#19", none, -1, true, true);
    row("SEINBUF", c, "QSpinBox", "4096", {"4096", "65535"}, -1, true, true);
    row("SEOUTBUF", c, "QSpinBox", "4096", {"4096", "65535"}, -1, true, true);
    row("CB485", c, "QCheckBox", "RS-485 mode active", none, 0, true, true);
    row("CBOXRS485", c, "QComboBox", "via KOB (virtual Ports) 15 ms delay",
        {"via Driver ( hardware)", "via KOB (virtual Ports) 15 ms delay"}, 1, true, false);
    row("RBCR", c, "QRadioButton", "CR", none, 0, true, true);
    row("RBCRLF", c, "QRadioButton", "CR/LF", none, 1, true, true);
    row("GroupBox1", c, "QGroupBox", " Display data window colors ", none, -1, true, true);
    row("CBWCOLOR", c, "QComboBox", "Backgroung",
        {"Backgroung", "Port A Data", "Port A Hand-Shake Characters", "Port B Data or Echo",
         "Port B Hand-Shake Characters", "Protocol Fatal Errors", "Protocol OutOfRange Errors",
         "Protocol Simulated Packs and HS", "Timestamps"},
        -1, true, true);
    row("BLOCOL", c, "ferrotap::ColorSwatch", "", none, -1, true, true);
    row("BBCOMLOAD", c, "QPushButton", "Load", none, -1, true, true);
    row("BBCOMSAVE", c, "QPushButton", "Save", none, -1, true, true);
    row("BBCOMAPPLY", c, "QPushButton", "Apply", none, -1, false, true);
    // The strip below the pages.
    row("Panel2", s, "QFrame", "", none, -1, true, true);
    for (const char* lamp : {"CTSLED", "RTSLED", "DSRLED", "DCDLED", "DTRLED", "RXLED", "TXLED"}) {
      row(lamp, s, "ferrotap::StatusLight", "", none, -1, true, true);
    }
    row("Label4", s, "QLabel", "RTS", none, -1, true, true);
    row("Label5", s, "QLabel", "DTR", none, -1, true, true);
    row("SpeedButton1", s, "QPushButton", "", none, -1, true, true);
    row("LEDCOMA", s, "ferrotap::PortLed", "", none, -1, true, true);
    row("LEDCOMB", s, "ferrotap::PortLed", "", none, -1, true, true);
    row("SB1", s, "QFrame", "", none, -1, true, true);
    row("SB2", s, "QLabel", "", none, -1, true, true);
    row("SBERRCLEAR", s, "QPushButton", "Err", none, -1, true, true);
    row("SBCREALDWIN", s, "QPushButton", "CLS", none, -1, true, true);
    row("SBRESPACK", s, "QPushButton", "Res curr Pack", none, -1, true, false);
  }

  void everyControlAsDesigned() {
    QFETCH(QString, page);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QStringList, items);
    QFETCH(int, state);
    QFETCH(bool, enabled);
    QFETCH(bool, visible);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const QList<QWidget*> found = window_->findChildren<QWidget*>(name);
    QCOMPARE(found.size(), 1);
    QWidget* control = found.front();
    QVERIFY2(control->inherits(qPrintable(kind)), control->metaObject()->className());

    QWidget* expectedParent = page == "strip" ? static_cast<QWidget*>(window_->Strip())
                                              : window_->findChild<QWidget*>(page);
    QVERIFY(expectedParent != nullptr);
    QVERIFY(expectedParent->isAncestorOf(control));

    QCOMPARE(ShownText(control), text);
    // The port lists also offer the numbers of devices present beyond the classic sixteen.
    const bool portList = name == "CBPortA" || name == "CBPORTB";
    QCOMPARE(portList ? Items(control).mid(0, items.size()) : Items(control), items);
    QCOMPARE(State(control), state);
    // The control's own flags, whatever its page or group says.
    QCOMPARE(!control->testAttribute(Qt::WA_ForceDisabled), enabled);
    QCOMPARE(!control->isHidden(), visible);
  }

  // The protocol, simulation and command pages check their own controls in detail; here every
  // one of them must be reachable from the window, on its own tab.
  void pageControlsOnTheirTabs_data() {
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("name");
    const QStringList protocol = {
        "EDSTX",    "EDETX",    "EDACK",    "EDNAK",      "EDEOT",      "SEIDMIN",    "SEIDMAX",
        "SEIDSYM",  "SEMINLEN", "SEMAXLEN", "SECOMMIN",   "SECOMMAX",   "SETOPACK",   "SETOHS",
        "SETOSYNC", "SEDELSYN", "CBID",     "RBLEN",      "RBETX",      "CBCMD",      "CBNIBBLE",
        "CBHS",     "CBEOT",    "CBUSECKS", "BBPRTAPPLY", "BBPROTSAVE", "BBPROTLOAD", "Label13",
        "Label29",  "Label46",  "Label14",  "Label19",    "Label57",    "Label21",    "Label22",
        "Label25",  "Label26",  "Label27",  "Label28",    "Label23",    "Label42",    "Label9",
        "Label41",  "Label47",  "Label43",  "STSTX",      "STID",       "STLEN",      "STCMD",
        "STDATA",   "STCKS",    "STETX",    "STHS",       "STSYN",      "STCSTX",     "STCID",
        "STCLEN",   "STCCMD",   "STCDATA",  "STCCKS",     "STCETX",     "STCHS",      "STCSYN"};
    const QStringList simulation = {"SGPS",        "BBSIMAPPLY", "BBPSIMLOAD", "BBPSIMSAVE",
                                    "BBPSIMCLEAR", "BitBtn1",    "BitBtn2"};
    const QStringList commands = {"SGAC", "BBACAPPLY", "BBACLOAD", "BBACSAVE", "BBACCLEAR"};
    for (const auto& name : protocol) QTest::newRow(qPrintable(name)) << "TabSheet2" << name;
    for (const auto& name : simulation) QTest::newRow(qPrintable(name)) << "TabSheet4" << name;
    for (const auto& name : commands) QTest::newRow(qPrintable(name)) << "TabSheet5" << name;
  }
  void pageControlsOnTheirTabs() {
    QFETCH(QString, tab);
    QFETCH(QString, name);
    const auto found = window_->findChildren<QWidget*>(name);
    QCOMPARE(found.size(), 1);
    QVERIFY(window_->findChild<QWidget*>(tab)->isAncestorOf(found.front()));
  }

  void pagesInOrder() {
    const QStringList names = {"TabSheet1", "TabSheet3", "TabSheet2", "TabSheet4", "TabSheet5"};
    const QStringList captions = {"  Terminal  ", "  Com Setting  ", "  Protocol Setting  ",
                                  "  Protocol Simulation  ", "  ASCII Commands  "};
    auto* tabs = window_->findChild<QTabWidget*>("PageControl1");
    QVERIFY(tabs != nullptr);
    QCOMPARE(tabs->count(), names.size());
    for (int i = 0; i < tabs->count(); ++i) {
      QCOMPARE(tabs->widget(i)->objectName(), names[i]);
      QCOMPARE(tabs->tabText(i), captions[i]);
    }
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(!tabs->isAncestorOf(window_->Strip()));
  }

  // Only typed-in selectors take free text; the command list offers applied commands only, and
  // the SYNC type, the framing, the checksum and the presets are chosen from their items.
  void comboBoxesTakingTypedText() {
    const QStringList pickOnly = {"CBOXAC",    "CBEOT",      "CBFRAMING",
                                  "CBCKSKIND", "CBCKSORDER", "CBPRESETS"};
    for (QComboBox* box : window_->findChildren<QComboBox*>()) {
      QCOMPARE(box->isEditable(), !pickOnly.contains(box->objectName()));
    }
  }

  void unnamedCaptions() {
    auto labelTexts = [](QWidget* page) {
      QStringList texts;
      for (QLabel* label : page->findChildren<QLabel*>()) texts << label->text();
      for (QGroupBox* group : page->findChildren<QGroupBox*>()) texts << group->title();
      return texts;
    };
    const QStringList com = labelTexts(window_->findChild<QWidget*>("TabSheet3"));
    for (const char* caption :
         {"COM Port A", "Baud rate", "Data Bits", "Parity", "Stop Bits", "Buffer Full  (% InBuf) ",
          "Buffer Resume  (% InBuf)", " Out Criteria ", " In Criteria ",
          "Use software Flow control for", "X-On char", "X-Off char", "Input buffer dim ( bytes)",
          "Output buffer dim ( bytes)", "   RS-485   RTS redir. method   ", "RTS ON = Tx",
          "   CR - CR+LF", "Files *.cps"}) {
      QVERIFY2(com.contains(caption), caption);
    }
    const QStringList strip = labelTexts(window_->Strip());
    for (const char* caption : {"CTS", "DSR", "DCD", "RX", "TX", "Com A", "Com B"}) {
      QVERIFY2(strip.contains(caption), caption);
    }
  }

  void hintsAndMenus() {
    QCOMPARE(window_->findChild<QWidget*>("SpeedButton1")->toolTip(), "Refresh Lights Status");
    QCOMPARE(window_->findChild<QWidget*>("SBERRCLEAR")->toolTip(), "Clear Errors Status Line");
    auto* menu = window_->findChild<QMenu*>("PopupMenu2");
    QVERIFY(menu != nullptr);
    QCOMPARE(menu->actions().size(), 2);
    QCOMPARE(menu->actions()[0]->objectName(), "Loadfromfile1");
    QCOMPARE(menu->actions()[0]->text(), "Load from file");
    QCOMPARE(menu->actions()[1]->objectName(), "Savetofile2");
    QCOMPARE(menu->actions()[1]->text(), "Save to file");
    QVERIFY(menu->actions()[0]->isEnabled() && menu->actions()[1]->isEnabled());
  }

  // Port A is missing at start-up: the status bar shows the settings all the same, and "Apply"
  // tries again without a change of settings.
  void statusBarAtStart() {
    window_.reset();
    dialogs_ = test::ScriptedDialogs();
    dir_.emplace();
    qputenv("FERROTAP_COM1", "/nonexistent/ferrotap-port");
    window_ = std::make_unique<MainWindow>(dir_->path(), &dialogs_);
    qputenv("FERROTAP_COM1", "virtual:test-com1:a");
    // The open failure, then the report of the unopened port that ends the apply.
    QCOMPARE(dialogs_.Errors().size(), 2);
    QVERIFY(dialogs_.Errors()[0].startsWith("Com A open error"));
    QVERIFY(dialogs_.Errors()[1].contains("not open"));
    const QStringList texts = {"Type: RS-232C", "COM 1",       "BR: 9600",
                               "Parity: None",  "DataBits: 8", "StopBits: 1"};
    const int widths[] = {80, 50, 70, 75, 65, 50};
    for (int i = 0; i < StatusStrip::kSettingsPanels; ++i) {
      QCOMPARE(window_->Strip()->SB1Panel(i), texts[i]);
      auto* panel = window_->findChild<QLabel*>(QString("SB1Panel%1").arg(i));
      QVERIFY(panel != nullptr);
      QVERIFY(panel->minimumWidth() >= widths[i]);
    }
    auto* apply = window_->findChild<QAbstractButton*>("BBCOMAPPLY");
    QVERIFY(apply->isEnabled());
    apply->click();  // the device is there now
    QVERIFY(window_->findChild<PortLed*>("LEDCOMA")->Active());
    QVERIFY(!apply->isEnabled());
    QCOMPARE(dialogs_.Errors().size(), 2);
  }

  // After start-up RTS and DTR show the levels applied to port A (both high by default); the lamps
  // of the virtual cable's idle inputs and of RX and TX are out.
  void lampsStartUnlitLimeOnMaroon() {
    const QList<StatusLight*> lamps = window_->findChildren<StatusLight*>();
    QCOMPARE(lamps.size(), 7);
    for (StatusLight* lamp : lamps) {
      const bool output = lamp->objectName() == "RTSLED" || lamp->objectName() == "DTRLED";
      QCOMPARE(lamp->Lit(), output);
      QCOMPARE(lamp->LitColor(), QColor(0, 255, 0));
      QCOMPARE(lamp->NotLitColor(), QColor(128, 0, 0));
      QCOMPARE(lamp->size(), QSize(13, 13));
    }
    QVERIFY(window_->findChild<PortLed*>("LEDCOMA")->Active());
    QVERIFY(!window_->findChild<PortLed*>("LEDCOMB")->Active());
  }

 private:
  std::optional<QTemporaryDir> dir_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace ferrotap

using ferrotap::ControlInventoryTest;
FERROTAP_TEST(ControlInventoryTest)
#include "control_inventory_test.moc"
