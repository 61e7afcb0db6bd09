// SPDX-License-Identifier: MIT
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "app/pages/protocol_setting_page.h"
#include "tests/support/test_registry.h"

using ferrotap::ProtocolSettingPage;

namespace {

// The caption a user reads on a control: a label's or button's text, an edit's content.
QString ShownText(const QWidget* widget) {
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
  if (auto* combo = qobject_cast<const QComboBox*>(widget)) return combo->currentText();
  return {};
}

}  // namespace

class ProtocolSettingPageTest : public QObject {
  Q_OBJECT

 private slots:
  void controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("visible");
    const auto row = [](const char* name, const char* className, const QString& text,
                        bool enabled = true, bool visible = true) {
      QTest::newRow(name) << name << className << text << enabled << visible;
    };
    row("EDSTX", "QLineEdit", "#2");
    row("EDETX", "QLineEdit", "#3", false);
    row("EDACK", "QLineEdit", "#6");
    row("EDNAK", "QLineEdit", "#21");
    row("EDEOT", "QLineEdit", "#4", false);
    row("CBID", "QCheckBox", " ID (0= broadcast )          ");
    row("RBLEN", "QRadioButton", " Pack Lenght         ");
    row("RBETX", "QRadioButton", "");
    row("CBCMD", "QCheckBox", " Command (CMD)         ");
    row("CBNIBBLE", "QCheckBox", "");
    row("CBHS", "QCheckBox", " Hand-Shake          ");
    row("CBEOT", "QComboBox", "No SYN");
    row("CBUSECKS", "QCheckBox", "");
    row("Label13", "QLabel", "Valid range  Min ");
    row("Label29", "QLabel", "Max");
    row("Label46", "QLabel", "ID in simulated Packs");
    row("Label14", "QLabel", "Valid range  Min");
    row("Label19", "QLabel", "Max");
    row("Label57", "QLabel", "ETX char", false);
    row("Label21", "QLabel", "Valid range   Min");
    row("Label22", "QLabel", "Max");
    row("Label25", "QLabel", "Swap CMD nibble in answer (07 > 70)");
    row("Label26", "QLabel", "ACK char");
    row("Label27", "QLabel", "NAK char");
    row("Label28", "QLabel", "SYNC char", false);
    row("Label23", "QLabel", "Don't set Hw Flow or RS485", true, false);
    row("Label42", "QLabel", "Time Out for ACK / NAK  (0= no T.O.) [ Simulation only]");
    row("Label9", "QLabel",
        "Time Out for SYNC starting from ACK/NAK  (0= no T.O.) [ Simulation only]", false);
    row("Label41", "QLabel", "SYNC delay from ACK to question (Slave Simulation only)", false);
    row("Label47", "QLabel", "CKS used ( cecksum from ID to last data byte included)");
    row("Label43", "QLabel",
        "Time Out to complete protocol Pack  (0= no T.O.) [Port A and B - Always used]");
    row("BBPRTAPPLY", "QPushButton", "Apply", false);
    row("BBPROTSAVE", "QPushButton", "Save");
    row("BBPROTLOAD", "QPushButton", "Load");
    row("CBFRAMING", "QComboBox", "By STX");
    row("SESILENCE", "QDoubleSpinBox", "", false);
    row("CBSILENCELEN", "QCheckBox", "LEN", false);
    row("CBCKSKIND", "QComboBox", "Sum mod 256");
    row("CBCKSORDER", "QComboBox", "Low byte first", false);
    row("CBPRESETS", "QComboBox", "Presets");
    row("STSTX", "QLabel", "STX");
    row("STID", "QLabel", "ID");
    row("STLEN", "QLabel", "LEN");
    row("STCMD", "QLabel", "CMD");
    row("STDATA", "QLabel", "...Data...");
    row("STCKS", "QLabel", "CKS");
    row("STETX", "QLabel", "ETX", true, false);
    row("STHS", "QLabel", "ACK NAK");
    row("STSYN", "QLabel", "[SYNC]", true, false);
    row("STCSTX", "QLabel", "8 bit");
    row("STCID", "QLabel", "8 bit");
    row("STCLEN", "QLabel", "8 bit");
    row("STCCMD", "QLabel", "8 bit");
    row("STCDATA", "QLabel", "n bytes");
    row("STCCKS", "QLabel", "8 bit");
    row("STCETX", "QLabel", "8 bit", true, false);
    row("STCHS", "QLabel", "8 bit");
    row("STCSYN", "QLabel", "8 bit", true, false);
  }

  void controls() {
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, text);
    QFETCH(bool, enabled);
    QFETCH(bool, visible);
    ProtocolSettingPage page;
    const auto found = page.findChildren<QWidget*>(name);
    QCOMPARE(found.size(), 1);
    QWidget* control = found.front();
    QVERIFY2(control->inherits(qPrintable(className)), control->metaObject()->className());
    QCOMPARE(ShownText(control), text);
    QCOMPARE(control->isEnabled(), enabled);
    QCOMPARE(control->isVisibleTo(&page), visible);
  }

  void spinEdits_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("SEIDMIN") << "SEIDMIN" << 0 << 255 << 1 << true;
    QTest::newRow("SEIDMAX") << "SEIDMAX" << 1 << 255 << 255 << true;
    QTest::newRow("SEIDSYM") << "SEIDSYM" << 0 << 255 << 1 << true;
    QTest::newRow("SEMINLEN") << "SEMINLEN" << 1 << 250 << 2 << true;
    QTest::newRow("SEMAXLEN") << "SEMAXLEN" << 2 << 255 << 250 << true;
    QTest::newRow("SECOMMIN") << "SECOMMIN" << 0 << 255 << 1 << true;
    QTest::newRow("SECOMMAX") << "SECOMMAX" << 2 << 255 << 250 << true;
    QTest::newRow("SETOPACK") << "SETOPACK" << 0 << 240 << 1 << true;
    QTest::newRow("SETOHS") << "SETOHS" << 0 << 240 << 1 << true;
    QTest::newRow("SETOSYNC") << "SETOSYNC" << 0 << 240 << 2 << false;
    QTest::newRow("SEDELSYN") << "SEDELSYN" << 1 << 10000 << 500 << false;
  }

  void spinEdits() {
    QFETCH(QString, name);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, value);
    QFETCH(bool, enabled);
    ProtocolSettingPage page;
    auto* spin = page.findChild<QSpinBox*>(name);
    QVERIFY(spin != nullptr);
    QCOMPARE(spin->minimum(), minimum);
    QCOMPARE(spin->maximum(), maximum);
    QCOMPARE(spin->value(), value);
    QCOMPARE(spin->isEnabled(), enabled);
  }

  void options_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("checked");
    for (const char* name : {"CBID", "RBLEN", "CBCMD", "CBNIBBLE", "CBHS", "CBUSECKS"}) {
      QTest::newRow(name) << name << true;
    }
    QTest::newRow("RBETX") << "RBETX" << false;
  }

  void options() {
    QFETCH(QString, name);
    QFETCH(bool, checked);
    ProtocolSettingPage page;
    auto* option = page.findChild<QAbstractButton*>(name);
    QVERIFY(option != nullptr);
    QCOMPARE(option->isChecked(), checked);
  }

  void syncTypeItems() {
    ProtocolSettingPage page;
    QComboBox* combo = page.CBEOT;
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    QCOMPARE(items, QStringList({"No SYN", "SYN Character", "* SYN on R/CTS by slave"}));
    QCOMPARE(combo->currentIndex(), 0);
    QVERIFY(!combo->isEditable());
  }

  void endChoicesExcludeEachOther() {
    ProtocolSettingPage page;
    page.show();
    page.RBETX->click();
    QVERIFY(page.RBETX->isChecked());
    QVERIFY(!page.RBLEN->isChecked());
    page.RBLEN->click();
    QVERIFY(!page.RBETX->isChecked());
  }

  // Each title control heads the group whose controls its display rule switches.
  void titleControlsHeadTheirGroups_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("members");
    QTest::newRow("CBID") << "CBID" << QStringList{"SEIDMIN", "SEIDMAX", "SEIDSYM", "Label46"};
    QTest::newRow("RBLEN") << "RBLEN" << QStringList{"SEMINLEN", "SEMAXLEN", "RBETX", "EDETX"};
    QTest::newRow("CBCMD") << "CBCMD" << QStringList{"SECOMMIN", "SECOMMAX", "CBNIBBLE"};
    QTest::newRow("CBHS") << "CBHS" << QStringList{"EDACK",  "EDNAK",    "EDEOT",   "CBEOT",
                                                   "SETOHS", "SETOSYNC", "SEDELSYN"};
  }

  void titleControlsHeadTheirGroups() {
    QFETCH(QString, title);
    QFETCH(QStringList, members);
    ProtocolSettingPage page;
    page.resize(690, 380);
    page.show();
    auto* control = page.findChild<QAbstractButton*>(title);
    auto* group = qobject_cast<QGroupBox*>(control->parentWidget());
    QVERIFY(group != nullptr);
    QCOMPARE(group->title(), control->text());
    // In the title line: above every control of the group.
    for (const QString& member : members) {
      auto* widget = group->findChild<QWidget*>(member);
      QVERIFY2(widget != nullptr, qPrintable(member));
      QVERIFY2(control->geometry().bottom() <= widget->geometry().top(), qPrintable(member));
    }
  }

  void warningLabelIsRedBold() {
    ProtocolSettingPage page;
    QVERIFY(page.Label23->font().bold());
    QCOMPARE(page.Label23->palette().color(QPalette::WindowText), QColor(Qt::red));
  }

  void captionLabelsAndUnits() {
    ProtocolSettingPage page;
    QStringList texts;
    for (const QLabel* label : page.findChildren<QLabel*>()) texts << label->text();
    QCOMPARE(texts.count("sec"), 3);
    QCOMPARE(texts.count("ms"), 1);
    QCOMPARE(texts.count("Files *.pdt"), 1);
    QStringList titles;
    for (const QGroupBox* group : page.findChildren<QGroupBox*>()) titles << group->title();
    QVERIFY(titles.contains("Packets format"));
  }

  // Field boxes expected left to right after the packing, from the hidden ones.
  void packetFormatPacking_data() {
    QTest::addColumn<QStringList>("hide");
    QTest::addColumn<QStringList>("show");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("defaults") << QStringList{} << QStringList{}
                              << QStringList{"STSTX", "STID", "STLEN", "STCMD", "STDATA", "STCKS"};
    QTest::newRow("no ID") << QStringList{"STID", "STCID"} << QStringList{}
                           << QStringList{"STSTX", "STLEN", "STCMD", "STDATA", "STCKS"};
    QTest::newRow("ETX end") << QStringList{"STLEN", "STCLEN", "STCKS", "STCCKS"}
                             << QStringList{"STETX", "STCETX"}
                             << QStringList{"STSTX", "STID", "STCMD", "STDATA", "STETX"};
    QTest::newRow("bare") << QStringList{"STID",  "STCID",  "STLEN", "STCLEN",
                                         "STCMD", "STCCMD", "STCKS", "STCCKS"}
                          << QStringList{"STETX", "STCETX"}
                          << QStringList{"STSTX", "STDATA", "STETX"};
    QTest::newRow("everything") << QStringList{} << QStringList{"STETX", "STCETX"}
                                << QStringList{"STSTX",  "STID",  "STLEN", "STCMD",
                                               "STDATA", "STCKS", "STETX"};
  }

  void packetFormatPacking() {
    QFETCH(QStringList, hide);
    QFETCH(QStringList, show);
    QFETCH(QStringList, order);
    ProtocolSettingPage page;
    for (const QString& name : hide) page.findChild<QWidget*>(name)->setHidden(true);
    for (const QString& name : show) page.findChild<QWidget*>(name)->setHidden(false);
    page.UpdatePacketFormatLayout();
    const int w = page.STSTX->width();
    QCOMPARE(w, 70);
    int x = page.STSTX->x();
    for (const QString& name : order) {
      auto* field = page.findChild<QLabel*>(name);
      auto* size = page.findChild<QLabel*>("STC" + name.mid(2));
      QCOMPARE(field->x(), x);
      QCOMPARE(size->x(), x);
      QCOMPARE(field->y(), page.STSTX->y());
      QVERIFY(size->geometry().bottom() < field->y());
      x += w;
    }
    // The hand-shake boxes keep their place, clear of the packed fields.
    QVERIFY(page.STHS->x() >= x);
    QCOMPARE(page.STSYN->x(), page.STHS->x() + w);
    QCOMPARE(page.STCHS->x(), page.STHS->x());
  }

  // The page must be readable in the main window's smallest page area.
  void fitsSmallestPageArea_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("690x380") << QSize(690, 380);
    QTest::newRow("684x400") << QSize(684, 400);
  }

  void fitsSmallestPageArea() {
    QFETCH(QSize, size);
    ProtocolSettingPage page;
    // The warning shows with the RTS SYNC type and must fit then too.
    page.Label23->setHidden(false);
    page.resize(size);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QVERIFY(page.minimumSizeHint().width() <= size.width());
    QVERIFY(page.minimumSizeHint().height() <= size.height());
    for (QWidget* widget : page.findChildren<QWidget*>()) {
      if (!widget->isVisibleTo(&page) || widget->objectName().startsWith("qt_")) continue;
      const QRect onPage(widget->mapTo(&page, QPoint(0, 0)), widget->size());
      QVERIFY2(page.rect().contains(onPage), qPrintable(widget->objectName()));
      auto* label = qobject_cast<QLabel*>(widget);
      if (label != nullptr && !label->wordWrap()) {
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
      }
    }
  }
};

FERROTAP_TEST(ProtocolSettingPageTest)
#include "protocol_setting_page_test.moc"
