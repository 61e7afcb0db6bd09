// SPDX-License-Identifier: MIT
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "app/port_select_dialog.h"
#include "tests/support/test_registry.h"

class PortSelectDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void listsTheOfferedPorts() {
    ferrotap::PortSelectDialog dialog({2, 5, 17}, {"/dev/ttyS1: no UART", "/dev/ttyUSB0: FT232R"});
    QCOMPARE(dialog.windowTitle(), "Select Port");
    QStringList texts;
    for (auto* label : dialog.findChildren<QLabel*>()) texts << label->text();
    QVERIFY(texts.contains("The configured serial port is not valid."));
    QVERIFY(texts.contains("Please choose another port."));
    auto* ports = dialog.findChild<QComboBox*>();
    QCOMPARE(ports->count(), 3);
    QCOMPARE(ports->itemText(0), "COM2");
    QCOMPARE(ports->itemText(2), "COM17");
    QVERIFY(!ports->isEditable());
    QCOMPARE(dialog.SelectedNumber(), std::optional<uint16_t>(2));
    auto* device = dialog.findChild<QLabel*>("LBDEVICE");
    QCOMPARE(device->text(), "/dev/ttyS1: no UART");
    ports->setCurrentIndex(1);
    QCOMPARE(device->text(), "/dev/ttyUSB0: FT232R");
    QCOMPARE(ports->itemText(1), "COM5");
    // A number without a description shows none rather than its neighbour's.
    ports->setCurrentIndex(2);
    QCOMPARE(device->text(), "");
    QCOMPARE(dialog.SelectedNumber(), std::optional<uint16_t>(17));
    QStringList buttons;
    for (auto* button : dialog.findChildren<QPushButton*>()) {
      buttons << button->text();
      QCOMPARE(button->isDefault(), button->text() == "OK");
    }
    QCOMPARE(buttons, QStringList({"OK", "Cancel"}));
  }

  void emptyListSelectsNothing() {
    ferrotap::PortSelectDialog dialog({});
    QCOMPARE(dialog.SelectedNumber(), std::nullopt);
  }
};

FERROTAP_TEST(PortSelectDialogTest)
#include "port_select_dialog_test.moc"
