// SPDX-License-Identifier: MIT
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>
#include <stdexcept>

#include "app/application.h"
#include "app/widgets/color_swatch.h"
#include "app/widgets/editable_combo_box.h"
#include "app/main_window.h"
#include "app/pages/terminal_page.h"
#include "core/program_folders.h"
#include "app/status_strip.h"
#include "serial/com_port.h"
#include "app/pages/com_setting_page.h"
#include "serial/cps_file.h"
#include "serial/key_value.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

const FileDialogSpec CpsDialog(const QString& dir) {
  return {".cps", dir, "ComPort configuration files (*.cps)|*.cps|All files (*.*)|*.*"};
}

std::vector<std::string> LinesOf(const QString& path) {
  return ReadTextLines(path.toStdString());
}

void WriteLines(const QString& path, const std::vector<std::string>& lines) {
  WriteTextLines(path.toStdString(), lines);
}

}  // namespace

class SettingsFileTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    for (int n = 1; n <= 4; ++n) {
      qputenv(qPrintable(QString("FERROTAP_COM%1").arg(n)),
              QString("virtual:settings_file%1:a").arg(n).toLatin1());
    }
  }
  void init() { dir_.emplace(); }
  void cleanup() {
    windows_.clear();
    dialogs_ = test::ScriptedDialogs();
    static_cast<Application*>(qApp)->SetDialogs(nullptr);
  }

  void firstStartWritesDefaults() {
    MainWindow* window = Open(dir_->path());
    const auto lines = LinesOf(window->CpsPath());
    QCOMPARE(lines.size(), std::size_t{27});
    QCOMPARE(lines[0], std::string("Spy_Mode=False"));
    QCOMPARE(lines[3], std::string("Baud_Rate=9600"));
    QCOMPARE(lines[8], std::string("via KOB (virtual Ports) 15 ms delay"));
    QCOMPARE(lines[11], std::string("Flow_control=None"));
    QCOMPARE(lines[14], std::string("HardwareFlow_Out_Criteria=DTR"));
    QCOMPARE(lines[15], std::string("HardwareFlow_In_Criteria=DSR"));
    QCOMPARE(lines[19], std::string("BackGround_color=-16777211"));
    QVERIFY(!window->ComSetting()->BBCOMAPPLY->isEnabled());
    QVERIFY(dialogs_.Errors().isEmpty());
  }

  // Capture settings written before any .cps file are taken, not overwritten by defaults.
  void firstStartKeepsLoneCaptureSettings() {
    const QString capture = dir_->filePath("Port_CFG.capture");
    WriteLines(capture, {"TimeStamps=rel"});
    MainWindow* window = Open(dir_->path());
    QCOMPARE(window->Terminal()->TimeStamps(), TimeStampMode::Relative);
    QCOMPARE(LinesOf(capture)[0], std::string("TimeStamps=rel"));
  }

  void readOnlyProgramFolderKeepsSettingsInTheConfigFolder() {
    const QString program = dir_->filePath("bin");
    const QString home = dir_->filePath("home");
    QVERIFY(QDir().mkpath(program) && QDir().mkpath(home));
    QVERIFY(QFile::setPermissions(
        program, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    const ProgramFolders folders = ChooseProgramFolders(
        program.toStdString(),
        {dir_->filePath("config").toStdString(), home.toStdString(), {}}, {});
    const QString config = dir_->filePath("config/ferrotap/");
    WriteLines(config + "ports.map", {"COM16=virtual:settings_map:a"});
    // Only the map may name port 16 here.
    const QByteArray mapped = qgetenv("FERROTAP_COM16");
    qunsetenv("FERROTAP_COM16");
    const auto restore = qScopeGuard([&] { qputenv("FERROTAP_COM16", mapped); });

    MainWindow* first = Open(folders);
    QCOMPARE(first->CpsPath(), config + "Port_CFG.cps");
    QCOMPARE(first->ExeDir(), home + '/');
    QCOMPARE(LinesOf(first->CpsPath()).at(3), std::string("Baud_Rate=9600"));
    QVERIFY(!QFile::exists(program + "/Port_CFG.cps"));
    ComSettingPage* page = first->ComSetting();
    // The port map is read from the same folder, and the page names the device it gives.
    page->CBPortA->SetText("16");
    QCOMPARE(page->LBPortADevice->text(), "virtual:settings_map:a: virtual cable");
    page->CBBR->SetText("19200");
    // Save and Load open beside the file read at start, which the page names.
    QCOMPARE(page->BBCOMSAVE->toolTip(), "Read at start: " + first->CpsPath());
    dialogs_.AnswerFile(std::nullopt);
    page->BBCOMLOAD->click();
    QCOMPARE(dialogs_.OpenRequests().back(), CpsDialog(config));
    dialogs_.AnswerFile(first->CpsPath());
    page->BBCOMSAVE->click();
    QCOMPARE(dialogs_.SaveRequests().back(), CpsDialog(config));
    first->ClosePorts();

    MainWindow* second = Open(folders);
    QCOMPARE(second->ComSetting()->CBBR->currentText(), QString("19200"));
    QCOMPARE(second->ComSetting()->CBPortA->currentText(), QString("16"));
    QVERIFY(dialogs_.Errors().isEmpty());
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  void startupReadsThePresentFile() {
    CpsSettings s;
    s.comPortA = "3";
    s.baudRate = "19200";
    s.parity = "Even";
    s.rs485Mode = true;
    s.rs485Method = "via Driver ( hardware)";
    s.inBuffer = 8192;
    s.colors[ColorRole::PortAData] = 0x123456;
    WriteLines(dir_->filePath("Port_CFG.cps"), WriteCpsLines(s));
    MainWindow* window = Open(dir_->path());
    ComSettingPage* page = window->ComSetting();
    QCOMPARE(page->CBPortA->currentText(), QString("3"));
    QCOMPARE(page->CBBR->currentText(), QString("19200"));
    QCOMPARE(page->CBPAR->currentIndex(), 2);
    QVERIFY(page->CB485->isChecked());
    QVERIFY(!page->RBHFLOW->isEnabled());
    QCOMPARE(page->CBOXRS485->currentIndex(), 0);
    QVERIFY(!page->CBOXRS485->isHidden());
    QCOMPARE(page->SEINBUF->value(), 8192);
    QCOMPARE(window->Colors()[ColorRole::PortAData], Color{0x123456});
    QCOMPARE(window->Strip()->Label4->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!page->BBCOMAPPLY->isEnabled());
  }

  void saveAndLoadKeepTheChoices_data() {
    QTest::addColumn<bool>("spy");
    QTest::addColumn<bool>("rs485");
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("flow");
    QTest::addColumn<bool>("useRts");
    QTest::addColumn<bool>("reqCts");
    QTest::newRow("software flow") << false << false << 1 << 2 << false << false;
    QTest::newRow("hardware, req CTS") << false << false << 1 << 1 << false << true;
    QTest::newRow("hardware, use RTS") << false << false << 1 << 1 << true << false;
    QTest::newRow("RS-485 via driver") << false << true << 0 << 0 << false << false;
    QTest::newRow("spy mode") << true << false << 1 << 0 << false << false;
  }
  void saveAndLoadKeepTheChoices() {
    QFETCH(bool, spy);
    QFETCH(bool, rs485);
    QFETCH(int, method);
    QFETCH(int, flow);
    QFETCH(bool, useRts);
    QFETCH(bool, reqCts);
    MainWindow* source = Open(dir_->path());
    ComSettingPage* from = source->ComSetting();
    const std::array<QRadioButton*, 3> sourceFlow = {from->RBNOFLOW, from->RBHFLOW, from->RBSFLOW};
    sourceFlow[static_cast<std::size_t>(flow)]->click();
    from->RBUSERTS->setChecked(useRts);
    from->RBREQCTS->setChecked(reqCts);
    from->CB485->setChecked(rs485);
    from->CBOXRS485->setCurrentIndex(method);
    from->CB2COM->setChecked(spy);
    from->CBPORTB->SetText("4");
    const QString path = dir_->filePath("choices.cps");
    dialogs_.AnswerFile(path);
    from->BBCOMSAVE->click();
    QCOMPARE(dialogs_.SaveRequests().back(), CpsDialog(source->ExeDir()));
    // The second window takes the same port numbers.
    source->ClosePorts();

    QTemporaryDir otherDir;
    MainWindow* target = Open(otherDir.path());
    ComSettingPage* to = target->ComSetting();
    to->CBPortA->SetText("2");
    dialogs_.AnswerFile(path);
    to->BBCOMLOAD->click();
    QCOMPARE(dialogs_.OpenRequests().back(), CpsDialog(target->ExeDir()));
    const std::array<QRadioButton*, 3> targetFlow = {to->RBNOFLOW, to->RBHFLOW, to->RBSFLOW};
    QVERIFY(targetFlow[static_cast<std::size_t>(flow)]->isChecked());
    QCOMPARE(to->GBHF->isHidden(), flow != 1);
    QCOMPARE(to->GBSF->isHidden(), flow != 2);
    QCOMPARE(to->RBUSERTS->isChecked(), useRts);
    QCOMPARE(to->RBUSEDTR->isChecked(), !useRts);
    QCOMPARE(to->RBREQCTS->isChecked(), reqCts);
    QCOMPARE(to->RBREQDSR->isChecked(), !reqCts);
    QCOMPARE(to->CB485->isChecked(), rs485);
    QCOMPARE(to->CBOXRS485->currentIndex(), method);
    QCOMPARE(to->CB2COM->isChecked(), spy);
    QCOMPARE(to->CBPORTB->isEnabled(), spy);
    QCOMPARE(to->CBPORTB->currentText(), QString("4"));
    QCOMPARE(to->CBPortA->currentText(), QString("1"));
    QVERIFY(!to->BBCOMAPPLY->isEnabled());
  }

  void colorsTravelWithTheFile() {
    MainWindow* source = Open(dir_->path());
    source->Colors()[ColorRole::ProtFatalError] = 0x00FF00;
    source->Colors()[ColorRole::Background] = 0x000000;
    const QString path = dir_->filePath("colors.cps");
    source->WriteCpsFile(path);

    QTemporaryDir otherDir;
    MainWindow* target = Open(otherDir.path());
    target->ComSetting()->CBWCOLOR->setCurrentIndex(5);
    target->ReadCpsFile(path);
    QCOMPARE(target->Colors().values, source->Colors().values);
    QCOMPARE(target->ComSetting()->BLOCOL->CurrentColor(), Color{0x00FF00});
  }

  void handlersRunInLineOrder() {
    MainWindow* window = Open(dir_->path());
    ComSettingPage* page = window->ComSetting();
    auto lines = WriteCpsLines(CpsSettings{});
    lines[0] = "Spy_Mode=True";
    lines[4] = "Data_Bits=5";
    lines[6] = "Stop_Bits=";
    lines[7] = "RS485_Mode=true";
    lines[11] = "Flow_control=Software";
    const QString path = dir_->filePath("order.cps");
    WriteLines(path, lines);
    window->ReadCpsFile(path);
    // Spy mode first clears RS-485, then line 8 sets it again, then line 12 picks software flow
    // although RS-485 has locked the choice.
    QVERIFY(page->CB2COM->isChecked());
    QVERIFY(page->CB485->isChecked());
    QVERIFY(!page->CB485->isEnabled());
    QVERIFY(page->RBSFLOW->isChecked());
    QVERIFY(!page->RBSFLOW->isEnabled());
    QVERIFY(!page->GBSF->isHidden());
    QVERIFY(page->GBSETFLOW->isHidden());
    QCOMPARE(window->Strip()->Label4->cursor().shape(), Qt::ArrowCursor);
    // Five data bits chose 1.5 stop bits and the empty line 7 left them.
    QCOMPARE(page->CBSTOPB->currentText(), QString("1.5"));

    lines[4] = "Data_Bits=5";
    lines[6] = "Stop_Bits=2";
    WriteLines(path, lines);
    window->ReadCpsFile(path);
    QCOMPARE(page->CBSTOPB->currentText(), QString("2"));
  }

  void shortAndMalformedFiles() {
    MainWindow* window = Open(dir_->path());
    ComSettingPage* page = window->ComSetting();
    page->CB2COM->setChecked(true);
    page->CBPortA->SetText("16");
    page->RBUSERTS->setChecked(true);
    page->RBREQCTS->setChecked(true);
    const QString path = dir_->filePath("short.cps");
    WriteLines(path, {"Spy_Mode=yes", "ComA_Port="});
    window->ReadCpsFile(path);
    QVERIFY(!page->CB2COM->isChecked());
    QVERIFY(!page->CBPORTB->isEnabled());
    QCOMPARE(page->CBPortA->currentText(), QString("16"));
    QCOMPARE(page->CBBR->currentText(), QString("9600"));
    // Missing lines keep their settings: the RS-485 method, no flow control, the criteria.
    QCOMPARE(page->CBOXRS485->currentIndex(), 1);
    QVERIFY(page->RBNOFLOW->isChecked());
    QVERIFY(page->RBUSERTS->isChecked() && !page->RBUSEDTR->isChecked());
    QVERIFY(page->RBREQCTS->isChecked() && !page->RBREQDSR->isChecked());
    QCOMPARE(window->Colors().values, kDefaultColors);
    QCOMPARE(dialogs_.Errors().size(), 1);

    auto lines = WriteCpsLines(CpsSettings{});
    lines[5] = "Parity=Foo";
    lines[9] = "In_Buffer_KB=abc";
    lines[10] = "Out_Buffer_KB=99999";
    lines[12] = "HardwareFlow_BufferFull_%=5";
    lines[20] = "PortA_Data_color=red";
    WriteLines(path, lines);
    page->SEINBUF->setValue(5000);
    window->ReadCpsFile(path);
    QCOMPARE(page->CBPAR->currentText(), QString("Foo"));
    QCOMPARE(page->CBPAR->currentIndex(), -1);
    QCOMPARE(page->SEINBUF->value(), 5000);
    QCOMPARE(page->SEOUTBUF->value(), 65535);
    QCOMPARE(page->SEHFBFULL->value(), 51);
    QCOMPARE(window->Colors()[ColorRole::PortAData], kSysWindowTextColor);
  }

  // A file without the criteria lines keeps the boxes through load, save and load; a click on a
  // box of a pair is a choice that the next save writes.
  void missingCriteriaStayThroughASave() {
    MainWindow* window = Open(dir_->path());
    ComSettingPage* page = window->ComSetting();
    for (QCheckBox* box : {page->RBUSERTS, page->RBUSEDTR, page->RBREQCTS, page->RBREQDSR}) {
      box->setChecked(false);
    }
    auto lines = WriteCpsLines(CpsSettings{});
    lines.resize(14);
    const QString path = dir_->filePath("criteria.cps");
    WriteLines(path, lines);
    window->ReadCpsFile(path);
    const QString saved = dir_->filePath("saved.cps");
    window->WriteCpsFile(saved);
    window->ReadCpsFile(saved);
    for (QCheckBox* box : {page->RBUSERTS, page->RBUSEDTR, page->RBREQCTS, page->RBREQDSR}) {
      QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
    }

    page->RBHFLOW->setChecked(true);
    page->RBUSEDTR->click();
    page->RBUSEDTR->click();
    window->WriteCpsFile(saved);
    QCOMPARE(LinesOf(saved)[14], std::string("HardwareFlow_Out_Criteria=DTR"));
    QCOMPARE(LinesOf(saved)[15], std::string("HardwareFlow_In_Criteria="));
  }

  void cancelledLoadStillDisablesApply() {
    MainWindow* window = Open(dir_->path());
    ComSettingPage* page = window->ComSetting();
    page->CBBR->SetText("300");
    QVERIFY(page->BBCOMAPPLY->isEnabled());
    dialogs_.AnswerFile(std::nullopt);
    page->BBCOMLOAD->click();
    QVERIFY(!page->BBCOMAPPLY->isEnabled());
    QCOMPARE(page->CBBR->currentText(), QString("300"));
    page->CBBR->SetText("600");
    page->BBCOMAPPLY->click();
    QVERIFY(!page->BBCOMAPPLY->isEnabled());
  }

  // A start-up file cut short (an interrupted save of an older version): one report naming it,
  // and the settings it lacks stay as they were; above all software flow control stays off, so
  // received XON and XOFF bytes are data, not flow control.
  void shortStartupFile_data() {
    QTest::addColumn<int>("kept");
    QTest::newRow("empty") << 0;
    QTest::newRow("cut before the flow line") << 11;
    QTest::newRow("last line missing") << 26;
  }
  void shortStartupFile() {
    QFETCH(int, kept);
    CpsSettings s;
    s.baudRate = "19200";
    std::vector<std::string> lines = WriteCpsLines(s);
    lines.resize(static_cast<std::size_t>(kept));
    const QString path = dir_->filePath("Port_CFG.cps");
    WriteLines(path, lines);
    MainWindow* window = Open(dir_->path());
    QCOMPARE(dialogs_.Errors(), QStringList{QString("Reading %1: the file has %2 of 27 lines; the "
                                                    "missing settings keep their current values")
                                                .arg(path)
                                                .arg(kept)});
    QVERIFY(window->ComSetting()->RBNOFLOW->isChecked());
    QCOMPARE(window->CP1->SWFlowOptions(), swfNone);
    QCOMPARE(window->ComSetting()->CBBR->currentText(), QString(kept >= 4 ? "19200" : "9600"));
    QCOMPARE(LinesOf(path).size(),
             static_cast<std::size_t>(kept));  // not rewritten behind the back
  }

  // Port B missing in spy mode: "Apply" stays enabled for another try.
  void failedOpenLeavesApplyEnabled() {
    MainWindow* window = Open(dir_->path());
    ComSettingPage* page = window->ComSetting();
    qputenv("FERROTAP_COM2", "/nonexistent/ferrotap-port-b");
    page->CB2COM->setChecked(true);
    page->BBCOMAPPLY->click();
    qputenv("FERROTAP_COM2", "virtual:settings_file2:a");
    QCOMPARE(dialogs_.Errors().size(), 1);
    QVERIFY(dialogs_.Errors()[0].startsWith("Com B open error"));
    QVERIFY(page->BBCOMAPPLY->isEnabled());
    page->BBCOMAPPLY->click();
    QVERIFY(!page->BBCOMAPPLY->isEnabled());
    QCOMPARE(dialogs_.Errors().size(), 1);
  }

  void fileErrorsAreReported() {
    // A start-up file that cannot be read is reported and the window still comes up.
    QVERIFY(QDir(dir_->path()).mkdir("Port_CFG.cps"));
    MainWindow* window = Open(dir_->path());
    QCOMPARE(dialogs_.Errors(),
             QStringList{"Reading " + dir_->filePath("Port_CFG.cps") + ": Is a directory"});
    QCOMPARE(window->ComSetting()->CBBR->currentText(), QString("9600"));

    // A failed load from the button reaches the general error report, and the window goes on.
    static_cast<Application*>(qApp)->SetDialogs(&dialogs_);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->PageControl1->setCurrentIndex(1);
    const QString missing = dir_->filePath("missing.cps");
    dialogs_.AnswerFile(missing);
    QTest::mouseClick(window->ComSetting()->BBCOMLOAD, Qt::LeftButton);
    QTRY_COMPARE(dialogs_.Errors().size(), 2);
    QVERIFY(dialogs_.Errors().back().contains("missing.cps"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             window->WriteCpsFile(dir_->filePath("no/dir.cps")));
  }

 private:
  MainWindow* Open(const QString& dir) {
    windows_.push_back(std::make_unique<MainWindow>(dir, &dialogs_));
    return windows_.back().get();
  }
  MainWindow* Open(const ProgramFolders& folders) {
    windows_.push_back(std::make_unique<MainWindow>(folders, &dialogs_));
    return windows_.back().get();
  }

  std::optional<QTemporaryDir> dir_;
  test::ScriptedDialogs dialogs_;
  std::vector<std::unique_ptr<MainWindow>> windows_;
};

FERROTAP_TEST(SettingsFileTest)

}  // namespace ferrotap

#include "settings_file_test.moc"
