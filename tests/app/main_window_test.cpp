// SPDX-License-Identifier: MIT
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <stdexcept>

#include "app/application.h"
#include "app/data_window.h"
#include "app/main_window.h"
#include "app/qt_color.h"
#include "core/readable_color.h"
#include "app/status_strip.h"
#include "app/window_setup.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_registry.h"

namespace ferrotap {

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { window_ = std::make_unique<MainWindow>(dir_.path(), &dialogs_); }
  void cleanup() {
    window_.reset();
    dialogs_ = test::ScriptedDialogs();
  }

  void versionText_data() {
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("patch");
    QTest::addColumn<QString>("text");
    QTest::newRow("3.2.0") << 3 << 2 << 0 << " 3. 2. 0";
    QTest::newRow("two digits") << 10 << 0 << 12 << "10. 0.12";
    QTest::newRow("three digits") << 1 << 100 << 7 << " 1.100. 7";
  }
  void versionText() {
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, patch);
    QFETCH(QString, text);
    QCOMPARE(VersionText(major, minor, patch), text);
  }

  void captionEndsWithVersion() {
    const QString version = QString("%1.%2.%3")
                                .arg(FERROTAP_VERSION_MAJOR, 2)
                                .arg(FERROTAP_VERSION_MINOR, 2)
                                .arg(FERROTAP_VERSION_PATCH, 2);
    const QString caption = window_->windowTitle();
    QVERIFY2(caption.endsWith(" - Ver. " + version), qPrintable(caption));
    QVERIFY(caption.contains("Ferrotap"));
    QCOMPARE(caption.count(" - Ver. "), 1);
  }

  void unitState() {
    QCOMPARE(window_->ExeDir(), dir_.path() + '/');
    QCOMPARE(window_->CpsPath(), dir_.path() + "/Port_CFG.cps");
    QCOMPARE(window_->LineBreak(), Bytes("\r\n"));
    MainWindow withSlash(dir_.path() + '/', &dialogs_);
    QCOMPARE(withSlash.ExeDir(), dir_.path() + '/');
    for (int i = 0; i < kColorRoleCount; ++i)
      QCOMPARE(window_->Colors().values[i], kDefaultColors[i]);
  }

  void windowSize() {
    QCOMPARE(window_->size(), QSize(684, 462));
    QCOMPARE(window_->minimumSize(), QSize(684, 462));
    window_->resize(300, 200);
    QCOMPARE(window_->size(), QSize(684, 462));
  }

  void simulationGridHeader() {
    QTableWidget grid(257, 4);
    grid.setItem(1, 1, new QTableWidgetItem("query"));
    SetSimulationGridHeader(&grid);
    const QStringList headers = {"COMMAND", "Query Data Pack ( Data only )",
                                 "Answer Data Pack ( Data only )", "SYNC (Yes/*)"};
    for (int column = 0; column < 4; ++column)
      QCOMPARE(grid.item(0, column)->text(), headers[column]);
    QCOMPARE(grid.item(1, 0)->text(), " #000 - $00");
    QCOMPARE(grid.item(11, 0)->text(), " #010 - $0A");
    QCOMPARE(grid.item(172, 0)->text(), " #171 - $AB");
    QCOMPARE(grid.item(256, 0)->text(), " #255 - $FF");
    QVERIFY(!(grid.item(5, 0)->flags() & Qt::ItemIsEditable));
    QCOMPARE(grid.item(1, 1)->text(), "query");
    QVERIFY(grid.item(2, 1) == nullptr);
  }

  void commandGridHeader() {
    QTableWidget grid(31, 2);
    SetCommandGridHeader(&grid);
    QCOMPARE(grid.item(0, 0)->text(), "COMMAND #");
    QCOMPARE(grid.item(0, 1)->text(), "ASCII Command");
    QCOMPARE(grid.item(1, 0)->text(), " 01 - F1");
    QCOMPARE(grid.item(9, 0)->text(), " 09 - F9");
    QCOMPARE(grid.item(10, 0)->text(), " 10 - F10");
    QCOMPARE(grid.item(11, 0)->text(), " 11");
    QCOMPARE(grid.item(30, 0)->text(), " 30");
    QVERIFY(grid.item(5, 1) == nullptr);
  }

  void gridColumnsFollowWidth_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("dataColumn");
    QTest::addColumn<int>("commandColumn");
    QTest::newRow("even") << 500 << 165 << 400;
    QTest::newRow("odd truncates") << 501 << 165 << 401;
    QTest::newRow("narrow") << 171 << 0 << 71;
  }
  void gridColumnsFollowWidth() {
    QFETCH(int, width);
    QFETCH(int, dataColumn);
    QFETCH(int, commandColumn);
    QTableWidget simulation(257, 4);
    QTableWidget commands(31, 2);
    simulation.horizontalHeader()->setDefaultSectionSize(70);
    simulation.resize(width, 200);
    commands.resize(width, 200);
    ResizeGridColumns(&simulation, &commands);
    QCOMPARE(simulation.columnWidth(0), 70);
    QCOMPARE(simulation.columnWidth(1), dataColumn);
    QCOMPARE(simulation.columnWidth(2), dataColumn);
    QCOMPARE(simulation.columnWidth(3), 70);
    QCOMPARE(commands.columnWidth(1), commandColumn);
  }

  // Grids placed on their pages follow the window: wider by 100 gives each data column 50 more,
  // also for a grid whose page is hidden while the window changes.
  void gridsFollowWindowResize() {
    auto* simulation = window_->findChild<QTableWidget*>("SGPS");
    auto* commands = window_->findChild<QTableWidget*>("SGAC");
    QVERIFY(simulation != nullptr && commands != nullptr);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    window_->PageControl1->setCurrentIndex(3);
    QTRY_VERIFY(simulation->isVisible());
    QTRY_COMPARE(simulation->columnWidth(1), (simulation->width() - 170) / 2);
    const int before = simulation->columnWidth(1);
    window_->PageControl1->setCurrentIndex(4);
    QTRY_COMPARE(commands->columnWidth(1), commands->width() - 100);
    const int commandBefore = commands->columnWidth(1);

    window_->PageControl1->setCurrentIndex(3);
    window_->resize(window_->width() + 100, window_->height());
    QTRY_COMPARE(simulation->columnWidth(1), before + 50);
    QCOMPARE(simulation->columnWidth(2), before + 50);
    QCOMPARE(simulation->columnWidth(3), 70);
    window_->PageControl1->setCurrentIndex(4);
    QTRY_COMPARE(commands->columnWidth(1), commandBefore + 100);
  }

  void deleteClearsDataWindowOnTerminalPage_data() {
    QTest::addColumn<QString>("focus");
    QTest::newRow("transmit edit") << "EDFLYTX";
    QTest::newRow("echo box") << "CBECHO";
    QTest::newRow("format selector") << "CBINDATAF";
  }
  void deleteClearsDataWindowOnTerminalPage() {
    QFETCH(QString, focus);
    ShowAndFocus(window_->findChild<QWidget*>(focus));
    window_->REA->InsertText("41 42 ");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    QCOMPARE(window_->REA->Text(), std::string());
  }

  void deleteInTransmitEditAlsoDeletesThere() {
    auto* edit = window_->findChild<QLineEdit*>("EDFLYTX");
    ShowAndFocus(edit);
    edit->setText("AB");
    edit->setCursorPosition(0);
    window_->REA->InsertText("x");
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(edit->text(), "B");
    QCOMPARE(window_->REA->Text(), std::string());
  }

  void keysDoNothingOffTerminalPage() {
    window_->findChild<QCheckBox*>("CBUSEAC")->setChecked(true);
    window_->PageControl1->setCurrentIndex(1);
    ShowAndFocus(window_->findChild<QWidget*>("CBPortA"));
    window_->REA->InsertText("keep");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QCOMPARE(window_->REA->Text(), std::string("keep"));
    QCOMPARE(dialogs_.Beeps(), 0);
  }

  void commandListBeepsForOtherKeys() {
    auto* edit = window_->findChild<QLineEdit*>("EDFLYTX");
    ShowAndFocus(edit);
    QTest::keyClick(edit, Qt::Key_A);
    QCOMPARE(dialogs_.Beeps(), 0);

    window_->findChild<QCheckBox*>("CBUSEAC")->setChecked(true);
    ShowAndFocus(edit);
    QTest::keyClick(edit, Qt::Key_B);
    QCOMPARE(dialogs_.Beeps(), 1);
    QCOMPARE(edit->text(), "ab");
    for (int key = Qt::Key_F1; key <= Qt::Key_F10; ++key) {
      QTest::keyClick(edit, static_cast<Qt::Key>(key));
    }
    QCOMPARE(dialogs_.Beeps(), 1);
    // The echo of the sent commands took the focus to the data window.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F11);
    QCOMPARE(dialogs_.Beeps(), 2);
  }

  void errorInHandlerIsReportedAndProgramGoesOn() {
    auto* app = qobject_cast<Application*>(qApp);
    QVERIFY(app != nullptr);
    app->SetDialogs(&dialogs_);
    QPushButton failing("fail");
    QPushButton working("work");
    int worked = 0;
    connect(&failing, &QPushButton::clicked, [] { throw std::runtime_error("Com A open error"); });
    connect(&working, &QPushButton::clicked, [&worked] { ++worked; });
    failing.show();
    working.show();
    QTest::mouseClick(&failing, Qt::LeftButton);
    QTest::mouseClick(&working, Qt::LeftButton);
    QTest::mouseClick(&failing, Qt::LeftButton);
    app->SetDialogs(nullptr);
    QCOMPARE(dialogs_.Errors(), QStringList({"Com A open error", "Com A open error"}));
    QCOMPARE(worked, 1);
  }

  // On a dark desktop the display-only captions and the default data colours read; on a light
  // one they keep the given colours. The settings file holds the given defaults either way.
  void coloursFollowTheDesktopPalette() {
    const auto caption = [](const MainWindow& window, const QString& text) {
      for (QLabel* label : window.Strip()->findChildren<QLabel*>()) {
        if (label->text() == text) return label->palette().color(QPalette::WindowText);
      }
      return QColor();
    };
    QCOMPARE(window_->Colors().values, kDefaultColors);
    QCOMPARE(caption(*window_, "CTS"), QColor(0, 0, 128));

    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(0x23, 0x23, 0x23));
    dark.setColor(QPalette::Text, Qt::white);
    QApplication::setPalette(dark);
    const auto restore = qScopeGuard([&] { QApplication::setPalette(light); });
    QTemporaryDir dir;
    MainWindow window(dir.path(), &dialogs_);
    const Color base = RgbColor(0x23, 0x23, 0x23);
    for (ColorRole role : {ColorRole::PortAHandShake, ColorRole::PortBData,
                           ColorRole::ProtFatalError, ColorRole::ProtSimulated}) {
      QVERIFY(ContrastRatio(window.Colors()[role], base) >= kReadableContrast);
    }
    const Color windowColor = RgbColor(0x35, 0x35, 0x35);
    for (const char* text : {"CTS", "DSR", "DCD", "RX", "TX"}) {
      QVERIFY2(ContrastRatio(FromQColor(caption(window, text)), windowColor) >= kReadableContrast,
               qPrintable(text));
    }
    QFile file(window.CpsPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().split('\n').value(22), QByteArray("PortB_Data/Echo_color=16711680\r"));
  }

 private:
  void ShowAndFocus(QWidget* target) {
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    target->setFocus();
    QTRY_VERIFY(QApplication::focusWidget() == target ||
                target->isAncestorOf(QApplication::focusWidget()));
  }

  QTemporaryDir dir_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace ferrotap

using ferrotap::MainWindowTest;
FERROTAP_TEST(MainWindowTest)
#include "main_window_test.moc"
