// SPDX-License-Identifier: MIT
#include "app/pages/protocol_setting_page.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <string_view>
#include <utility>

namespace ferrotap {
namespace {

constexpr int kFieldWidth = 70;
constexpr int kFieldHeight = 22;
constexpr int kSizeHeight = 16;
constexpr int kSizeGap = 2;
// Room for all seven packed fields, so the hand-shake boxes never overlap them.
constexpr int kHandShakeLeft = 7 * kFieldWidth + 10;
constexpr int kCharEditWidth = 48;

// A group box whose title line is a check box or radio button: the control switches the
// group's contents on and off, so it sits where the title would be read.
class ControlTitledGroupBox : public QGroupBox {
 public:
  ControlTitledGroupBox(QAbstractButton* control, QWidget* parent)
      : QGroupBox(control->text(), parent), control_(control) {
    control_->setParent(this);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QGroupBox::resizeEvent(event);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    const QRect label =
        style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
    const QSize hint = control_->sizeHint();
    const int top = qMax(0, label.center().y() - hint.height() / 2);
    control_->setGeometry(label.left(), top, qMin(hint.width(), width() - label.left()),
                          hint.height());
  }

  // The frame only: the title text is the control's own caption.
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_GroupBoxFrame;
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
  }

 private:
  QAbstractButton* control_;
};

QLabel* MakeLabel(const char* name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

// A long caption that wraps instead of widening the page past its minimum size.
QLabel* MakeWrappedLabel(const char* name, const QString& text, QWidget* parent) {
  QLabel* label = MakeLabel(name, text, parent);
  label->setWordWrap(true);
  return label;
}

QSpinBox* MakeSpin(const char* name, int minimum, int maximum, int value, QWidget* parent) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(name);
  spin->setRange(minimum, maximum);
  spin->setValue(value);
  return spin;
}

QLineEdit* MakeCharEdit(const char* name, const QString& text, QWidget* parent) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(name);
  edit->setFixedWidth(kCharEditWidth);
  return edit;
}

QCheckBox* MakeCheck(const char* name, const QString& text, QWidget* parent) {
  auto* check = new QCheckBox(text, parent);
  check->setObjectName(name);
  check->setChecked(true);
  return check;
}

QPushButton* MakeButton(const char* name, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

QLabel* MakeFieldBox(const char* name, const QString& text, QWidget* parent) {
  QLabel* box = MakeLabel(name, text, parent);
  box->setFrameStyle(QFrame::Box | QFrame::Plain);
  box->setAlignment(Qt::AlignCenter);
  box->setFixedSize(kFieldWidth, kFieldHeight);
  return box;
}

QLabel* MakeSizeBox(const char* name, const QString& text, QWidget* parent) {
  QLabel* box = MakeLabel(name, text, parent);
  box->setAlignment(Qt::AlignCenter);
  box->setFixedSize(kFieldWidth, kSizeHeight);
  return box;
}

void SetVisible(std::initializer_list<QWidget*> widgets, bool visible) {
  for (QWidget* widget : widgets) widget->setVisible(visible);
}

void SetEnabled(std::initializer_list<QWidget*> widgets, bool enabled) {
  for (QWidget* widget : widgets) widget->setEnabled(enabled);
}

QGridLayout* MakeTightGrid(QWidget* parent) {
  auto* grid = new QGridLayout(parent);
  grid->setContentsMargins(6, 2, 6, 4);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  return grid;
}

}  // namespace

ProtocolSettingPage::ProtocolSettingPage(QWidget* parent) : QWidget(parent) {
  setWindowTitle("  Protocol Setting  ");
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(4, 4, 4, 4);
  page->setSpacing(4);
  auto* columns = new QHBoxLayout;
  columns->setSpacing(6);
  columns->addWidget(BuildRangeColumn());
  columns->addWidget(BuildHandShakeColumn(), 1);
  page->addLayout(columns);
  page->addWidget(BuildPacketsFormat());
  page->addStretch(1);

  // The initial enabled states follow the default options: end by length, no SYNC.
  for (QWidget* widget : {static_cast<QWidget*>(EDETX), static_cast<QWidget*>(Label57),
                          static_cast<QWidget*>(EDEOT), static_cast<QWidget*>(Label28),
                          static_cast<QWidget*>(SETOSYNC), static_cast<QWidget*>(Label9),
                          static_cast<QWidget*>(SEDELSYN), static_cast<QWidget*>(Label41)}) {
    widget->setEnabled(false);
  }
  UpdateFieldBusDisplay();
  ConnectDisplayRules();
}

QWidget* ProtocolSettingPage::BuildRangeColumn() {
  auto* column = new QWidget(this);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);

  auto* stxRow = new QHBoxLayout;
  stxRow->addWidget(new QLabel("STX char", column));
  EDSTX = MakeCharEdit("EDSTX", "#2", column);
  stxRow->addWidget(EDSTX);
  // Framed by silence, a frame ends after SESILENCE character times without a byte.
  CBFRAMING = new QComboBox(column);
  CBFRAMING->setObjectName("CBFRAMING");
  CBFRAMING->addItems({"By STX", "By silence"});
  CBFRAMING->setToolTip("Where a packet starts: at STX, or after a silence on the line");
  SESILENCE = new QDoubleSpinBox(column);
  SESILENCE->setObjectName("SESILENCE");
  SESILENCE->setDecimals(1);
  SESILENCE->setRange(kMinSilenceTenths / 10.0, kMaxSilenceTenths / 10.0);
  SESILENCE->setSingleStep(0.5);
  SESILENCE->setValue(3.5);
  SESILENCE->setToolTip("Silence that ends a frame, in character times");
  CBSILENCELEN = MakeCheck("CBSILENCELEN", "LEN", column);
  CBSILENCELEN->setToolTip("A frame found by silence carries a LEN byte");
  stxRow->addStretch(1);
  layout->addLayout(stxRow);
  auto* framingRow = new QHBoxLayout;
  framingRow->addWidget(CBFRAMING);
  framingRow->addWidget(SESILENCE);
  framingRow->addWidget(CBSILENCELEN);
  framingRow->addStretch(1);
  layout->addLayout(framingRow);

  CBID = MakeCheck("CBID", " ID (0= broadcast )          ", nullptr);
  auto* idGroup = new ControlTitledGroupBox(CBID, column);
  auto* idGrid = MakeTightGrid(idGroup);
  Label13 = MakeLabel("Label13", "Valid range  Min ", idGroup);
  SEIDMIN = MakeSpin("SEIDMIN", 0, 255, 1, idGroup);
  Label29 = MakeLabel("Label29", "Max", idGroup);
  SEIDMAX = MakeSpin("SEIDMAX", 1, 255, 255, idGroup);
  Label46 = MakeLabel("Label46", "ID in simulated Packs", idGroup);
  SEIDSYM = MakeSpin("SEIDSYM", 0, 255, 1, idGroup);
  idGrid->addWidget(Label13, 0, 0);
  idGrid->addWidget(SEIDMIN, 0, 1);
  idGrid->addWidget(Label29, 0, 2);
  idGrid->addWidget(SEIDMAX, 0, 3);
  idGrid->addWidget(Label46, 1, 0, 1, 3);
  idGrid->addWidget(SEIDSYM, 1, 3);
  layout->addWidget(idGroup);

  RBLEN = new QRadioButton(" Pack Lenght         ");
  RBLEN->setObjectName("RBLEN");
  RBLEN->setChecked(true);
  auto* lenGroup = new ControlTitledGroupBox(RBLEN, column);
  auto* lenGrid = MakeTightGrid(lenGroup);
  Label14 = MakeLabel("Label14", "Valid range  Min", lenGroup);
  SEMINLEN = MakeSpin("SEMINLEN", 1, 250, 2, lenGroup);
  Label19 = MakeLabel("Label19", "Max", lenGroup);
  SEMAXLEN = MakeSpin("SEMAXLEN", 2, 255, 250, lenGroup);
  RBETX = new QRadioButton(lenGroup);
  RBETX->setObjectName("RBETX");
  Label57 = MakeLabel("Label57", "ETX char", lenGroup);
  Label57->setBuddy(RBETX);
  EDETX = MakeCharEdit("EDETX", "#3", lenGroup);
  // The two choices sit in different places of the group, so they need an explicit group.
  auto* endChoice = new QButtonGroup(this);
  endChoice->addButton(RBLEN);
  endChoice->addButton(RBETX);
  auto* etxRow = new QHBoxLayout;
  etxRow->addWidget(RBETX);
  etxRow->addWidget(Label57, 1);
  lenGrid->addWidget(Label14, 0, 0);
  lenGrid->addWidget(SEMINLEN, 0, 1);
  lenGrid->addWidget(Label19, 0, 2);
  lenGrid->addWidget(SEMAXLEN, 0, 3);
  lenGrid->addLayout(etxRow, 1, 0, 1, 3);
  lenGrid->addWidget(EDETX, 1, 3);
  layout->addWidget(lenGroup);

  CBCMD = MakeCheck("CBCMD", " Command (CMD)         ", nullptr);
  auto* cmdGroup = new ControlTitledGroupBox(CBCMD, column);
  auto* cmdGrid = MakeTightGrid(cmdGroup);
  Label21 = MakeLabel("Label21", "Valid range   Min", cmdGroup);
  SECOMMIN = MakeSpin("SECOMMIN", 0, 255, 1, cmdGroup);
  Label22 = MakeLabel("Label22", "Max", cmdGroup);
  SECOMMAX = MakeSpin("SECOMMAX", 2, 255, 250, cmdGroup);
  CBNIBBLE = MakeCheck("CBNIBBLE", QString(), cmdGroup);
  Label25 = MakeLabel("Label25", "Swap CMD nibble in answer (07 > 70)", cmdGroup);
  Label25->setBuddy(CBNIBBLE);
  auto* nibbleRow = new QHBoxLayout;
  nibbleRow->addWidget(CBNIBBLE);
  nibbleRow->addWidget(Label25, 1);
  cmdGrid->addWidget(Label21, 0, 0);
  cmdGrid->addWidget(SECOMMIN, 0, 1);
  cmdGrid->addWidget(Label22, 0, 2);
  cmdGrid->addWidget(SECOMMAX, 0, 3);
  cmdGrid->addLayout(nibbleRow, 1, 0, 1, 4);
  layout->addWidget(cmdGroup);

  layout->addStretch(1);
  return column;
}

QWidget* ProtocolSettingPage::BuildHandShakeColumn() {
  auto* column = new QWidget(this);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);

  CBHS = MakeCheck("CBHS", " Hand-Shake          ", nullptr);
  auto* hsGroup = new ControlTitledGroupBox(CBHS, column);
  auto* hsGrid = MakeTightGrid(hsGroup);

  auto* charsRow = new QHBoxLayout;
  Label26 = MakeLabel("Label26", "ACK char", hsGroup);
  EDACK = MakeCharEdit("EDACK", "#6", hsGroup);
  Label27 = MakeLabel("Label27", "NAK char", hsGroup);
  EDNAK = MakeCharEdit("EDNAK", "#21", hsGroup);
  Label28 = MakeLabel("Label28", "SYNC char", hsGroup);
  EDEOT = MakeCharEdit("EDEOT", "#4", hsGroup);
  for (const auto& [label, edit] :
       {std::pair{Label26, EDACK}, {Label27, EDNAK}, {Label28, EDEOT}}) {
    charsRow->addWidget(label);
    charsRow->addWidget(edit);
    charsRow->addSpacing(8);
  }
  charsRow->addStretch(1);

  auto* syncRow = new QHBoxLayout;
  CBEOT = new QComboBox(hsGroup);
  CBEOT->setObjectName("CBEOT");
  CBEOT->addItems({"No SYN", "SYN Character", "* SYN on R/CTS by slave"});
  CBEOT->setCurrentIndex(0);
  Label23 = MakeLabel("Label23", "Don't set Hw Flow or RS485", hsGroup);
  QFont warningFont = Label23->font();
  warningFont.setBold(true);
  Label23->setFont(warningFont);
  QPalette warningPalette = Label23->palette();
  warningPalette.setColor(QPalette::WindowText, Qt::red);
  Label23->setPalette(warningPalette);
  Label23->setHidden(true);
  syncRow->addWidget(CBEOT);
  syncRow->addWidget(Label23);
  syncRow->addStretch(1);

  Label42 = MakeWrappedLabel("Label42", "Time Out for ACK / NAK  (0= no T.O.) [ Simulation only]",
                             hsGroup);
  SETOHS = MakeSpin("SETOHS", 0, 240, 1, hsGroup);
  Label9 = MakeWrappedLabel(
      "Label9", "Time Out for SYNC starting from ACK/NAK  (0= no T.O.) [ Simulation only]",
      hsGroup);
  SETOSYNC = MakeSpin("SETOSYNC", 0, 240, 2, hsGroup);
  Label41 = MakeWrappedLabel("Label41", "SYNC delay from ACK to question (Slave Simulation only)",
                             hsGroup);
  SEDELSYN = MakeSpin("SEDELSYN", 1, 10000, 500, hsGroup);

  hsGrid->addLayout(charsRow, 0, 0, 1, 3);
  hsGrid->addLayout(syncRow, 1, 0, 1, 3);
  hsGrid->addWidget(Label42, 2, 0);
  hsGrid->addWidget(SETOHS, 2, 1);
  hsGrid->addWidget(new QLabel("sec", hsGroup), 2, 2);
  hsGrid->addWidget(Label9, 3, 0);
  hsGrid->addWidget(SETOSYNC, 3, 1);
  hsGrid->addWidget(new QLabel("sec", hsGroup), 3, 2);
  hsGrid->addWidget(Label41, 4, 0);
  hsGrid->addWidget(SEDELSYN, 4, 1);
  hsGrid->addWidget(new QLabel("ms", hsGroup), 4, 2);
  hsGrid->setColumnStretch(0, 1);
  layout->addWidget(hsGroup);

  auto* optionsGrid = new QGridLayout;
  optionsGrid->setContentsMargins(6, 0, 6, 0);
  optionsGrid->setHorizontalSpacing(6);
  optionsGrid->setVerticalSpacing(3);
  Label43 = MakeWrappedLabel(
      "Label43", "Time Out to complete protocol Pack  (0= no T.O.) [Port A and B - Always used]",
      column);
  SETOPACK = MakeSpin("SETOPACK", 0, 240, 1, column);
  CBUSECKS = MakeCheck("CBUSECKS", QString(), column);
  Label47 =
      MakeWrappedLabel("Label47", "CKS used ( cecksum from ID to last data byte included)", column);
  Label47->setBuddy(CBUSECKS);
  CBCKSKIND = new QComboBox(column);
  CBCKSKIND->setObjectName("CBCKSKIND");
  CBCKSKIND->setToolTip("Checksum kind");
  for (const ChecksumKind kind : kChecksumKinds) {
    const std::string_view name = ChecksumKindName(kind);
    CBCKSKIND->addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
  }
  CBCKSORDER = new QComboBox(column);
  CBCKSORDER->setObjectName("CBCKSORDER");
  CBCKSORDER->addItems({"Low byte first", "High byte first"});
  auto* cksKind = new QHBoxLayout;
  cksKind->addWidget(CBCKSKIND);
  cksKind->addWidget(CBCKSORDER);
  cksKind->addStretch(1);
  auto* cksRow = new QHBoxLayout;
  cksRow->addWidget(CBUSECKS);
  cksRow->addWidget(Label47, 1);
  optionsGrid->addWidget(Label43, 0, 0);
  optionsGrid->addWidget(SETOPACK, 0, 1);
  optionsGrid->addWidget(new QLabel("sec", column), 0, 2);
  optionsGrid->addLayout(cksRow, 1, 0, 1, 3);
  optionsGrid->addLayout(cksKind, 2, 0, 1, 3);
  optionsGrid->setColumnStretch(0, 1);
  layout->addLayout(optionsGrid);

  layout->addStretch(1);
  auto* buttons = new QHBoxLayout;
  BBPRTAPPLY = MakeButton("BBPRTAPPLY", "Apply", column);
  BBPRTAPPLY->setEnabled(false);
  BBPROTSAVE = MakeButton("BBPROTSAVE", "Save", column);
  BBPROTLOAD = MakeButton("BBPROTLOAD", "Load", column);
  buttons->addWidget(BBPRTAPPLY);
  buttons->addWidget(BBPROTSAVE);
  buttons->addWidget(BBPROTLOAD);
  buttons->addWidget(new QLabel("Files *.pdt", column));
  buttons->addSpacing(12);
  CBPRESETS = new QComboBox(column);
  CBPRESETS->setObjectName("CBPRESETS");
  // The first item names the list; choosing a definition loads it and shows the name again.
  CBPRESETS->addItem("Presets");
  buttons->addWidget(CBPRESETS);
  buttons->addStretch(1);
  layout->addLayout(buttons);

  return column;
}

QGroupBox* ProtocolSettingPage::BuildPacketsFormat() {
  auto* group = new QGroupBox("Packets format", this);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->setContentsMargins(8, 2, 8, 6);
  // The boxes are placed by UpdatePacketFormatLayout, not by a layout.
  auto* canvas = new QWidget(group);
  canvas->setFixedSize(kHandShakeLeft + 2 * kFieldWidth, kSizeHeight + kSizeGap + kFieldHeight);
  groupLayout->addWidget(canvas, 0, Qt::AlignLeft);

  STSTX = MakeFieldBox("STSTX", "STX", canvas);
  STID = MakeFieldBox("STID", "ID", canvas);
  STLEN = MakeFieldBox("STLEN", "LEN", canvas);
  STCMD = MakeFieldBox("STCMD", "CMD", canvas);
  STDATA = MakeFieldBox("STDATA", "...Data...", canvas);
  STCKS = MakeFieldBox("STCKS", "CKS", canvas);
  STETX = MakeFieldBox("STETX", "ETX", canvas);
  STHS = MakeFieldBox("STHS", "ACK NAK", canvas);
  STSYN = MakeFieldBox("STSYN", "[SYNC]", canvas);
  STCSTX = MakeSizeBox("STCSTX", "8 bit", canvas);
  STCID = MakeSizeBox("STCID", "8 bit", canvas);
  STCLEN = MakeSizeBox("STCLEN", "8 bit", canvas);
  STCCMD = MakeSizeBox("STCCMD", "8 bit", canvas);
  STCDATA = MakeSizeBox("STCDATA", "n bytes", canvas);
  STCCKS = MakeSizeBox("STCCKS", "8 bit", canvas);
  STCETX = MakeSizeBox("STCETX", "8 bit", canvas);
  STCHS = MakeSizeBox("STCHS", "8 bit", canvas);
  STCSYN = MakeSizeBox("STCSYN", "8 bit", canvas);
  for (QLabel* box : {STETX, STCETX, STSYN, STCSYN}) box->setHidden(true);

  const int fieldTop = kSizeHeight + kSizeGap;
  for (QLabel* field : {STSTX, STID, STLEN, STCMD, STDATA, STCKS, STETX}) field->move(0, fieldTop);
  STHS->move(kHandShakeLeft, fieldTop);
  STCHS->move(kHandShakeLeft, 0);
  STSYN->move(kHandShakeLeft + kFieldWidth, fieldTop);
  STCSYN->move(kHandShakeLeft + kFieldWidth, 0);
  return group;
}

void ProtocolSettingPage::UpdatePacketFormatLayout() {
  const int w = STSTX->width();
  // Framed by silence there is no STX: the fields start where it would stand.
  int x = STSTX->isHidden() ? STSTX->x() : STSTX->x() + w;
  const int fieldTop = STSTX->y();
  const int sizeTop = STCSTX->y();
  const auto place = [&](QLabel* field, QLabel* size, bool advance) {
    field->move(x, fieldTop);
    size->move(x, sizeTop);
    if (advance) x += w;
  };
  // Hidden, not merely not shown: the page itself may not be on screen yet.
  for (const auto& [field, size] : {std::pair{STID, STCID}, {STLEN, STCLEN}, {STCMD, STCCMD}}) {
    if (!field->isHidden()) place(field, size, true);
  }
  place(STDATA, STCDATA, true);
  if (!STCKS->isHidden()) place(STCKS, STCCKS, true);
  if (!STETX->isHidden()) place(STETX, STCETX, false);
}

void ProtocolSettingPage::ConnectDisplayRules() {
  connect(CBID, &QCheckBox::toggled, this, &ProtocolSettingPage::CBIDClick);
  connect(RBLEN, &QRadioButton::toggled, this, &ProtocolSettingPage::RBLENClick);
  connect(CBCMD, &QCheckBox::toggled, this, &ProtocolSettingPage::CBCMDClick);
  connect(CBHS, &QCheckBox::toggled, this, &ProtocolSettingPage::CBHSClick);
  connect(CBUSECKS, &QCheckBox::toggled, this, &ProtocolSettingPage::CBUSECKSClick);
  connect(CBFRAMING, &QComboBox::currentIndexChanged, this,
          &ProtocolSettingPage::UpdateFieldBusDisplay);
  connect(CBSILENCELEN, &QCheckBox::toggled, this, &ProtocolSettingPage::UpdateFieldBusDisplay);
  connect(CBCKSKIND, &QComboBox::currentIndexChanged, this,
          &ProtocolSettingPage::UpdateFieldBusDisplay);
  connect(CBEOT, &QComboBox::currentIndexChanged, this,
          &ProtocolSettingPage::UpdateSyncTypeDisplay);
  const auto enableApply = [this] { BBPRTAPPLY->setEnabled(true); };
  // Only a user's choice of SYNC type is an edit; a load sets it as well.
  connect(CBEOT, &QComboBox::activated, this, enableApply);
  for (QLineEdit* edit : {EDSTX, EDETX, EDACK, EDNAK, EDEOT}) {
    connect(edit, &QLineEdit::textChanged, this, enableApply);
  }
  for (QSpinBox* spin : {SEMINLEN, SEMAXLEN, SEIDMIN, SEIDMAX, SEIDSYM, SECOMMIN, SECOMMAX,
                         SETOPACK, SETOHS, SETOSYNC, SEDELSYN}) {
    connect(spin, &QSpinBox::valueChanged, this, enableApply);
  }
}

void ProtocolSettingPage::CBIDClick() {
  const bool on = CBID->isChecked();
  SetVisible({STID, STCID}, on);
  SetEnabled({SEIDMIN, SEIDMAX, SEIDSYM, Label13, Label29, Label46}, on);
  UpdatePacketFormatLayout();
}

void ProtocolSettingPage::RBLENClick() {
  const bool byLength = RBLEN->isChecked();
  SetEnabled({SEMINLEN, SEMAXLEN, Label14, Label19, CBUSECKS, Label47}, byLength);
  SetEnabled({EDETX, Label57}, !byLength);
  // An ETX-ended packet has no checksum byte.
  CBUSECKS->setChecked(byLength);
  UpdateFieldBusDisplay();
}

void ProtocolSettingPage::CBCMDClick() {
  const bool on = CBCMD->isChecked();
  SetVisible({STCMD, STCCMD}, on);
  SetEnabled({SECOMMIN, SECOMMAX, Label21, Label22, Label25, CBNIBBLE}, on);
  emit CommandFieldToggled(on);
  UpdatePacketFormatLayout();
}

void ProtocolSettingPage::CBHSClick() {
  const bool on = CBHS->isChecked();
  SetVisible({STCHS, STHS}, on);
  SetEnabled({EDACK, EDNAK, EDEOT, CBEOT, Label26, Label27, Label28, Label42, SETOHS}, on);
  const bool sync = on && CBEOT->currentIndex() != 0;
  SetVisible({STCSYN, STSYN}, sync);
  SetEnabled({Label9, SETOSYNC}, sync);
  UpdatePacketFormatLayout();
}

void ProtocolSettingPage::CBUSECKSClick() {
  SetVisible({STCKS, STCCKS}, CBUSECKS->isChecked());
  UpdateFieldBusDisplay();
}

void ProtocolSettingPage::UpdateFieldBusDisplay() {
  const ProtocolOptions o = Options();
  const bool bySilence = o.framing == Framing::BySilence;
  SetVisible({STSTX, STCSTX}, !bySilence);
  SetVisible({STLEN, STCLEN}, o.UsesLen());
  SetVisible({STETX, STCETX}, !bySilence && !o.endByLength);
  SetEnabled({SESILENCE, CBSILENCELEN}, bySilence);
  SetEnabled({EDSTX}, !bySilence);
  const int width = ChecksumWidth(o.checksumKind);
  STCCKS->setText(QString::number(8 * width) + " bit");
  SetEnabled({CBCKSKIND}, o.useChecksum);
  SetEnabled({CBCKSORDER}, o.useChecksum && width > 1);
  UpdatePacketFormatLayout();
}

void ProtocolSettingPage::UpdateSyncTypeDisplay() {
  const int type = CBEOT->currentIndex();
  SetVisible({STCSYN, STSYN}, type != 0);
  STCSYN->setText(type == 2 ? "RTS-CTS" : "8 bit");
  SetEnabled({Label9, SETOSYNC, Label41, SEDELSYN}, type != 0);
  SetEnabled({Label28, EDEOT}, type == 1);
  Label23->setVisible(type == 2);
}

}  // namespace ferrotap
