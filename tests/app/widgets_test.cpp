// SPDX-License-Identifier: MIT
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include "app/widgets/color_swatch.h"
#include "app/dialogs.h"
#include "app/widgets/editable_combo_box.h"
#include "app/widgets/port_led.h"
#include "app/widgets/status_light.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

}  // namespace

class WidgetsTest : public QObject {
  Q_OBJECT

 private slots:
  void statusLightPaint_data() {
    QTest::addColumn<bool>("lit");
    QTest::addColumn<QColor>("face");
    QTest::newRow("lit") << true << QColor(0, 255, 0);
    QTest::newRow("not lit") << false << QColor(128, 0, 0);
  }
  void statusLightPaint() {
    QFETCH(bool, lit);
    QFETCH(QColor, face);
    StatusLight light;
    light.SetLitColor(QColor(0, 255, 0));
    light.SetNotLitColor(QColor(128, 0, 0));
    light.SetLit(lit);
    const QImage image = light.grab().toImage();
    QCOMPARE(image.size(), QSize(13, 13));
    QCOMPARE(image.pixelColor(6, 6), face);
    QCOMPARE(image.pixelColor(0, 6), QColor(Qt::white));
    QCOMPARE(image.pixelColor(6, 0), QColor(Qt::white));
    QCOMPARE(image.pixelColor(12, 6), QColor(128, 128, 128));
    QCOMPARE(image.pixelColor(6, 12), QColor(128, 128, 128));
  }

  void statusLightRepaintsOnlyOnChange() {
    StatusLight light;
    PaintCounter counter;
    light.installEventFilter(&counter);
    light.show();
    QVERIFY(QTest::qWaitForWindowExposed(&light));
    QTRY_VERIFY(counter.paints > 0);
    const int settled = counter.paints;
    light.SetLit(false);
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, settled);
    light.SetLit(true);
    QTRY_COMPARE(counter.paints, settled + 1);
    light.SetLit(true);
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, settled + 1);
  }

  void portLedColors() {
    PortLed led;
    QCOMPARE(led.size(), QSize(20, 16));
    const QColor inactive = led.grab().toImage().pixelColor(10, 8);
    QCOMPARE(inactive, QColor(128, 0, 0));
    led.SetActive(true);
    const QColor active = led.grab().toImage().pixelColor(10, 8);
    QVERIFY(active.green() > 120 && active.red() == 0 && active.blue() == 0);
  }

  void colorSwatchShowsColorAndClicks() {
    ColorSwatch swatch;
    QCOMPARE(swatch.size(), QSize(46, 21));
    QCOMPARE(swatch.CurrentColor(), kSysWindowColor);
    swatch.SetCurrentColor(RgbColor(255, 0, 0));
    QCOMPARE(swatch.grab().toImage().pixelColor(23, 10), QColor(255, 0, 0));
    QSignalSpy clicked(&swatch, &ColorSwatch::Clicked);
    QTest::mouseClick(&swatch, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
  }

  void typedTextSelectsMatchingItemOnly() {
    EditableComboBox box;
    box.addItems({"ASCII", "ASCII filt", "HEX"});
    box.setCurrentIndex(2);
    box.lineEdit()->clear();
    QTest::keyClicks(box.lineEdit(), "ASCII");
    QCOMPARE(box.currentIndex(), 0);
    QTest::keyClicks(box.lineEdit(), " f");
    QCOMPARE(box.currentIndex(), -1);
    QCOMPARE(box.currentText(), "ASCII f");
    QTest::keyClicks(box.lineEdit(), "ilt");
    QCOMPARE(box.currentIndex(), 1);
    box.SetText("nothing");
    QCOMPARE(box.currentIndex(), -1);
    QCOMPARE(box.currentText(), "nothing");
    box.SetText("HEX");
    QCOMPARE(box.currentIndex(), 2);
  }

  void fileFilters_data() {
    QTest::addColumn<QString>("pipes");
    QTest::addColumn<QString>("qt");
    QTest::newRow("named patterns") << "RTF files (*.rtf)|*.rtf|All files (*.*)|*.*"
                                    << "RTF files (*.rtf);;All files (*.*)";
    QTest::newRow("bare description") << "Tables|*.ast;*.pst"
                                      << "Tables (*.ast *.pst)";
  }
  void fileFilters() {
    QFETCH(QString, pipes);
    QFETCH(QString, qt);
    QCOMPARE(QtFileFilter(pipes), qt);
  }
};

}  // namespace ferrotap

using ferrotap::WidgetsTest;
FERROTAP_TEST(WidgetsTest)
#include "widgets_test.moc"
