// SPDX-License-Identifier: MIT
#include "app/status_strip.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/widgets/named.h"
#include "app/widgets/port_led.h"
#include "app/widgets/status_light.h"
#include "app/qt_color.h"

namespace ferrotap {
namespace {

constexpr int kGap = 5;
constexpr std::array<int, StatusStrip::kSettingsPanels> kPanelWidths = {80, 50, 70, 75, 65, 50};
const std::array<const char*, StatusStrip::kSettingsPanels> kPanelTexts = {
    "Type: RS-232", "COM n", "BR 115.000", "Parity : EVEN", "DataBits: 8", "StopBits : 1.5"};
const QColor kNavy(0, 0, 128);

QLabel* LampCaption(const QString& text, bool clickable) {
  auto* label = new QLabel(text);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  if (clickable) {
    label->setCursor(Qt::PointingHandCursor);
  } else {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, CaptionColor(kNavy, palette));
    label->setPalette(palette);
  }
  return label;
}

StatusLight* Lamp(const char* name) {
  auto* lamp = Named<StatusLight>(name);
  lamp->SetLitColor(QColor(0, 255, 0));
  lamp->SetNotLitColor(QColor(128, 0, 0));
  return lamp;
}

QFrame* SunkenPanel() {
  auto* frame = new QFrame;
  frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  return frame;
}

}  // namespace

StatusStrip::StatusStrip(QWidget* parent) : QWidget(parent) {
  SBRESPACK = Named<QPushButton>("SBRESPACK", "Res curr Pack");
  SBRESPACK->setVisible(false);
  SBCREALDWIN = Named<QPushButton>("SBCREALDWIN", "CLS");
  SB2 = Named<QLabel>("SB2");
  SB2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  SB2->setMinimumWidth(60);
  SBERRCLEAR = Named<QPushButton>("SBERRCLEAR", "Err");
  SBERRCLEAR->setToolTip("Clear Errors Status Line");

  auto* lamps = new QHBoxLayout;
  lamps->setSpacing(2 * kGap);
  lamps->addWidget(BuildLampPanel());
  lamps->addWidget(PortLamp(LEDCOMA, "LEDCOMA", "Com A"));
  lamps->addWidget(PortLamp(LEDCOMB, "LEDCOMB", "Com B"));
  lamps->addStretch(1);
  lamps->addWidget(SBRESPACK);
  lamps->addWidget(SBCREALDWIN);

  auto* bars = new QHBoxLayout;
  bars->setSpacing(2);
  bars->addWidget(BuildSettingsBar());
  bars->addWidget(SB2, 1);
  bars->addWidget(SBERRCLEAR);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kGap, 0, kGap, kGap);
  layout->setSpacing(kGap);
  layout->addLayout(lamps);
  layout->addLayout(bars);
}

QWidget* StatusStrip::BuildLampPanel() {
  Panel2 = Named<QFrame>("Panel2", this);
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
  auto* layout = new QHBoxLayout(Panel2);
  layout->setContentsMargins(3, 3, 3, 3);
  layout->setSpacing(3);

  Label4 = LampCaption("RTS", true);
  Label4->setObjectName("Label4");
  Label5 = LampCaption("DTR", true);
  Label5->setObjectName("Label5");
  CTSLED = Lamp("CTSLED");
  RTSLED = Lamp("RTSLED");
  DSRLED = Lamp("DSRLED");
  DCDLED = Lamp("DCDLED");
  DTRLED = Lamp("DTRLED");
  RXLED = Lamp("RXLED");
  TXLED = Lamp("TXLED");
  const std::array<std::pair<QLabel*, StatusLight*>, 7> pairs = {{
      {LampCaption("CTS", false), CTSLED},
      {Label4, RTSLED},
      {LampCaption("DSR", false), DSRLED},
      {LampCaption("DCD", false), DCDLED},
      {Label5, DTRLED},
      {LampCaption("RX", false), RXLED},
      {LampCaption("TX", false), TXLED},
  }};
  for (const auto& [label, lamp] : pairs) {
    QFrame* frame = SunkenPanel();
    auto* pair = new QHBoxLayout(frame);
    pair->setContentsMargins(4, 2, 4, 2);
    pair->setSpacing(4);
    pair->addWidget(label);
    pair->addWidget(lamp);
    layout->addWidget(frame);
  }

  SpeedButton1 = Named<QPushButton>("SpeedButton1");
  SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
  SpeedButton1->setToolTip("Refresh Lights Status");
  SpeedButton1->setFlat(true);
  layout->addWidget(SpeedButton1);
  return Panel2;
}

QWidget* StatusStrip::PortLamp(PortLed*& led, const char* name, const QString& caption) {
  auto* box = new QWidget(this);
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  led = Named<PortLed>(name);
  layout->addWidget(led);
  layout->addWidget(new QLabel(caption));
  return box;
}

QWidget* StatusStrip::BuildSettingsBar() {
  SB1 = Named<QFrame>("SB1", this);
  auto* layout = new QHBoxLayout(SB1);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  for (int i = 0; i < kSettingsPanels; ++i) {
    auto* panel = Named<QLabel>(qPrintable(QString("SB1Panel%1").arg(i)), kPanelTexts[i]);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // The given widths are the least; a longer text widens its panel rather than being cut.
    panel->setMinimumWidth(kPanelWidths[i]);
    panel->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    sb1Panels_[i] = panel;
    layout->addWidget(panel);
  }
  return SB1;
}

QString StatusStrip::SB1Panel(int index) const {
  return sb1Panels_.at(index)->text();
}

void StatusStrip::SetSB1Panel(int index, const QString& text) {
  sb1Panels_.at(index)->setText(text);
}

}  // namespace ferrotap
