// SPDX-License-Identifier: MIT
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

#include "app/widgets/editable_combo_box.h"
#include "app/main_window.h"
#include "app/status_strip.h"
#include "app/pages/terminal_page.h"
#include "app/pages/protocol_setting_page.h"
#include "app/pages/com_setting_page.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_registry.h"

namespace ferrotap {

class SettingsPageTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // Whatever opens the ports at start-up finds an in-process cable, never a real device.
    for (int n = 1; n <= 4; ++n) {
      qputenv(qPrintable(QString("FERROTAP_COM%1").arg(n)),
              QString("virtual:settings_page%1:a").arg(n).toLatin1());
    }
  }
  void init() {
    dir_.emplace();
    window_ = std::make_unique<MainWindow>(dir_->path(), &dialogs_);
    page_ = window_->ComSetting();
    terminal_ = window_->Terminal();
  }
  void cleanup() {
    window_.reset();
    dialogs_ = test::ScriptedDialogs();
  }

  void everySettingEnablesApply_data() {
    QTest::addColumn<QString>("name");
    for (const char* name :
         {"CBPortA",   "CBBR",        "CBDB",      "CBPAR",    "CBSTOPB",  "CBPORTB",
          "SEHFBFULL", "SEHFBRESUME", "RBUSERTS",  "RBUSEDTR", "RBREQCTS", "RBREQDSR",
          "CBSFFOR",   "EDXON",       "EDXOFF",    "SEINBUF",  "SEOUTBUF", "RBHFLOW",
          "RBSFLOW",   "CB485",       "CBOXRS485", "CB2COM"}) {
      QTest::newRow(name) << name;
    }
  }
  void everySettingEnablesApply() {
    QFETCH(QString, name);
    QVERIFY(!page_->BBCOMAPPLY->isEnabled());
    QWidget* control = page_->findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    if (auto* box = qobject_cast<EditableComboBox*>(control)) {
      box->setCurrentIndex(box->currentIndex() == 0 ? 1 : 0);
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
      spin->setValue(spin->value() + 1);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      QTest::keyClicks(edit, "1");
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      button->click();
    }
    QVERIFY(page_->BBCOMAPPLY->isEnabled());
  }

  void flowChoiceShowsItsOptions() {
    page_->RBHFLOW->click();
    QVERIFY(!page_->GBHF->isHidden());
    QVERIFY(page_->GBSF->isHidden());
    page_->RBSFLOW->click();
    QVERIFY(page_->GBHF->isHidden());
    QVERIFY(!page_->GBSF->isHidden());
    page_->RBNOFLOW->click();
    QVERIFY(page_->GBHF->isHidden());
    QVERIFY(page_->GBSF->isHidden());
  }

  void rs485TakesFlowControlAndRtsLabel() {
    QLabel* rts = window_->Strip()->Label4;
    const QColor windowText = rts->palette().color(QPalette::WindowText);
    QCOMPARE(rts->cursor().shape(), Qt::PointingHandCursor);
    page_->RBHFLOW->click();
    page_->CB485->click();
    QVERIFY(page_->RBNOFLOW->isChecked());
    QVERIFY(page_->GBHF->isHidden());
    QVERIFY(!page_->RBHFLOW->isEnabled());
    QVERIFY(!page_->RBSFLOW->isEnabled());
    QVERIFY(!page_->CBOXRS485->isHidden());
    QCOMPARE(rts->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    QCOMPARE(rts->cursor().shape(), Qt::ArrowCursor);

    page_->CB485->click();
    QVERIFY(page_->RBNOFLOW->isChecked());
    QVERIFY(page_->RBHFLOW->isEnabled());
    QVERIFY(page_->RBSFLOW->isEnabled());
    QVERIFY(page_->CBOXRS485->isHidden());
    QCOMPARE(rts->palette().color(QPalette::WindowText), windowText);
    QCOMPARE(rts->cursor().shape(), Qt::PointingHandCursor);
  }

  void fiveDataBitsTakeOneAndAHalfStopBits() {
    page_->CBDB->setCurrentIndex(0);
    QCOMPARE(page_->CBSTOPB->currentText(), QString("1.5"));
    // A later choice of stop bits stands until the data bits or a display format change again.
    page_->CBSTOPB->setCurrentIndex(2);
    terminal_->CBINDATAF->setCurrentIndex(0);
    QCOMPARE(page_->CBSTOPB->currentText(), QString("1.5"));
    page_->CBSTOPB->setCurrentIndex(0);
    terminal_->CBOUTDATAF->setCurrentIndex(4);
    QCOMPARE(page_->CBSTOPB->currentText(), QString("1.5"));
    page_->CBDB->setCurrentIndex(3);
    page_->CBSTOPB->setCurrentIndex(0);
    terminal_->CBINDATAF->setCurrentIndex(3);
    QCOMPARE(page_->CBSTOPB->currentText(), QString("1"));
  }

  void spyModeOnResetsAndOffDoesNotRestore() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    const int panelHeight = terminal_->Panel3->height();
    const int boxHeight = terminal_->GBFLYTX->height();
    terminal_->CBDECPROT->setChecked(true);
    window_->findChild<ProtocolSettingPage*>()->CBCMD->setChecked(true);
    for (QRadioButton* choice :
         {terminal_->RBNOSIM, terminal_->RBSIMMASTER, terminal_->RBSIMSLAVE}) {
      choice->setEnabled(true);
    }
    terminal_->RBSIMSLAVE->setChecked(true);
    page_->CB485->setChecked(true);

    page_->CB2COM->click();
    QVERIFY(page_->BBCOMAPPLY->isEnabled());
    QVERIFY(page_->CBPORTB->isEnabled());
    QVERIFY(page_->Label11->isEnabled());
    QVERIFY(terminal_->RBNOSIM->isChecked());
    for (QRadioButton* choice :
         {terminal_->RBNOSIM, terminal_->RBSIMMASTER, terminal_->RBSIMSLAVE}) {
      QVERIFY(!choice->isEnabled());
    }
    QVERIFY(terminal_->GBFLYTX->isHidden());
    QTRY_COMPARE(terminal_->Panel3->height(), panelHeight + boxHeight + 5);
    QVERIFY(!page_->CB485->isChecked());
    QVERIFY(!page_->CB485->isEnabled());
    QCOMPARE(window_->Strip()->Label4->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(page_->GBSETFLOW->isHidden());
    QVERIFY(page_->RBNOFLOW->isChecked());
    QVERIFY(!terminal_->CBECHO->isEnabled());
    QVERIFY(terminal_->CBECHO->isChecked());
    QCOMPARE(terminal_->Label39->text(), QString("COMA Data Format"));
    QCOMPARE(terminal_->Label8->text(), QString("COMB Data Format"));
    QVERIFY(terminal_->GBCOMSIM->isHidden());

    page_->BBCOMAPPLY->setEnabled(false);
    page_->CB2COM->click();
    QVERIFY(page_->BBCOMAPPLY->isEnabled());
    QVERIFY(!page_->CBPORTB->isEnabled());
    QVERIFY(!page_->Label11->isEnabled());
    for (QRadioButton* choice :
         {terminal_->RBNOSIM, terminal_->RBSIMMASTER, terminal_->RBSIMSLAVE}) {
      QVERIFY(choice->isEnabled());
    }
    QVERIFY(terminal_->RBNOSIM->isChecked());
    QVERIFY(!terminal_->GBFLYTX->isHidden());
    QTRY_COMPARE(terminal_->Panel3->height(), panelHeight);
    QVERIFY(page_->CB485->isEnabled());
    QVERIFY(!page_->CB485->isChecked());
    QVERIFY(!page_->GBSETFLOW->isHidden());
    QVERIFY(page_->RBNOFLOW->isChecked());
    QVERIFY(terminal_->CBECHO->isEnabled());
    QCOMPARE(terminal_->Label39->text(), QString("In Data Format"));
    QCOMPARE(terminal_->Label8->text(), QString("Echo Data Format"));
    QVERIFY(terminal_->GBCOMSIM->isHidden());
  }

  void leavingSpyModeKeepsSimulationLockedWithoutDecoding() {
    page_->CB2COM->click();
    terminal_->RBSIMMASTER->setChecked(true);
    page_->CB2COM->click();
    for (QRadioButton* choice :
         {terminal_->RBNOSIM, terminal_->RBSIMMASTER, terminal_->RBSIMSLAVE}) {
      QVERIFY(!choice->isEnabled());
    }
    // A master choice made meanwhile brings its command box back.
    QVERIFY(!terminal_->GBCOMSIM->isHidden());
  }

 private:
  std::optional<QTemporaryDir> dir_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
  ComSettingPage* page_ = nullptr;
  TerminalPage* terminal_ = nullptr;
};

FERROTAP_TEST(SettingsPageTest)

}  // namespace ferrotap

#include "settings_page_test.moc"
