// SPDX-License-Identifier: MIT
#include "app/pages/com_setting_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "app/widgets/color_swatch.h"
#include "app/widgets/editable_combo_box.h"
#include "app/widgets/named.h"
#include "app/described_item_delegate.h"
#include "core/colors.h"

namespace ferrotap {
namespace {

constexpr int kGap = 5;
constexpr int kPortScanMs = 1000;
constexpr int kFoundRole = Qt::UserRole + 1;

template <std::size_t N>
QStringList Items(const char* const (&texts)[N]) {
  QStringList items;
  for (const char* text : texts) items << QString::fromLatin1(text);
  return items;
}

EditableComboBox* Selector(const char* name, const QStringList& items, const QString& text) {
  auto* box = Named<EditableComboBox>(name);
  box->addItems(items);
  box->SetText(text);
  return box;
}

QStringList PortNumbers() {
  QStringList numbers;
  for (int n = 1; n <= kClassicPortCount; ++n) numbers << QString::number(n);
  return numbers;
}

void FillPortList(EditableComboBox* box, const std::vector<PortChoice>& choices) {
  // The text and the settings it stands for stay as they are: no change handler runs.
  const QSignalBlocker blocker(box);
  const QString text = box->currentText();
  box->clear();
  for (const PortChoice& choice : choices) {
    const int row = box->count();
    box->addItem(QString::number(choice.number));
    box->setItemData(row,
                     "COM" + QString::number(choice.number) + " = " +
                         QString::fromLocal8Bit(choice.path.c_str()),
                     Qt::ToolTipRole);
    box->setItemData(row, QString::fromLocal8Bit(choice.found.c_str()), kFoundRole);
  }
  box->SetText(text);
  box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 2 * kGap);
}

QSpinBox* SpinEdit(const char* name, int min, int max, int value) {
  auto* spin = Named<QSpinBox>(name);
  spin->setRange(min, max);
  spin->setValue(value);
  return spin;
}

// A selector whose items are long: it may be narrower than its longest item, the list is not.
void LetShrink(QComboBox* box, int minimumCharacters) {
  box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  box->setMinimumContentsLength(minimumCharacters);
  box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 2 * kGap);
}

// The device a port number maps to: long texts wrap within the column rather than widen it.
QLabel* DeviceLabel(const char* name) {
  auto* label = Named<QLabel>(name);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  return label;
}

void SetBoxMargins(QLayout* layout) {
  layout->setContentsMargins(kGap + 1, kGap, kGap + 1, kGap + 1);
  layout->setSpacing(kGap);
}

// Settings files and the port layer see the controls' texts as Latin-1 bytes.
std::string TextOf(const QComboBox* box) {
  return box->currentText().toLatin1().toStdString();
}

QString QTextOf(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

void SetTextUnlessEmpty(EditableComboBox* box, const std::string& text) {
  if (!text.empty()) box->SetText(QTextOf(text));
}

void SetTextUnlessEmpty(QLineEdit* edit, const std::string& text) {
  if (!text.empty()) edit->setText(QTextOf(text));
}

}  // namespace

ComSettingPage::ComSettingPage(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(kGap, kGap, kGap, kGap);
  layout->setSpacing(2 * kGap);
  layout->addWidget(BuildPortColumn(), 0, Qt::AlignTop);
  layout->addWidget(BuildFlowColumn(), 0, Qt::AlignTop);
  layout->addWidget(BuildOptionsColumn(), 0, Qt::AlignTop);
  layout->addStretch(1);
  ConnectHandlers();
  portScanTimer_ = new QTimer(this);
  portScanTimer_->setInterval(kPortScanMs);
  connect(portScanTimer_, &QTimer::timeout, this, &ComSettingPage::ScanPorts);
  for (EditableComboBox* box : {CBPortA, CBPORTB}) {
    // The lists show each number with the device found there.
    box->setItemDelegate(new DescribedItemDelegate(kFoundRole, box));
  }
}

QWidget* ComSettingPage::BuildPortColumn() {
  auto* column = new QWidget(this);
  CB2COM = Named<QCheckBox>("CB2COM", "Spy RX and TX (2 Coms)");
  CBPortA = Selector("CBPortA", PortNumbers(), "1");
  Label11 = Named<QLabel>("Label11", "COM Port B");
  Label11->setEnabled(false);
  CBPORTB = Selector("CBPORTB", PortNumbers(), "2");
  CBPORTB->setEnabled(false);
  CBBR = Selector(
      "CBBR",
      {"150", "300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"},
      "9600");
  CBDB = Selector("CBDB", {"5", "6", "7", "8"}, "8");
  CBPAR = Selector("CBPAR", {"None", "Odd", "Even", "Mark", "Space"}, "None");
  CBSTOPB = Selector("CBSTOPB", {"1", "1.5", "2"}, "1");
  SEINBUF = SpinEdit("SEINBUF", 4096, 65535, 4096);
  SEOUTBUF = SpinEdit("SEOUTBUF", 4096, 65535, 4096);
  LBPortADevice = DeviceLabel("LBPortADevice");
  LBPortBDevice = DeviceLabel("LBPortBDevice");
  LBPortBDevice->setEnabled(false);

  auto* form = new QFormLayout;
  form->setContentsMargins(0, 0, 0, 0);
  form->setSpacing(kGap);
  form->addRow("COM Port A", CBPortA);
  form->addRow(LBPortADevice);
  form->addRow(Label11, CBPORTB);
  form->addRow(LBPortBDevice);
  form->addRow("Baud rate", CBBR);
  form->addRow("Data Bits", CBDB);
  form->addRow("Parity", CBPAR);
  form->addRow("Stop Bits", CBSTOPB);

  auto* buffers = new QFormLayout;
  buffers->setContentsMargins(0, 0, 0, 0);
  buffers->setSpacing(kGap);
  buffers->setRowWrapPolicy(QFormLayout::WrapAllRows);
  buffers->addRow("Input buffer dim ( bytes)", SEINBUF);
  buffers->addRow("Output buffer dim ( bytes)", SEOUTBUF);

  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(kGap);
  layout->addWidget(CB2COM);
  layout->addLayout(form);
  layout->addSpacing(kGap);
  layout->addLayout(buffers);
  return column;
}

QWidget* ComSettingPage::BuildFlowColumn() {
  GBSETFLOW = Named<QGroupBox>("GBSETFLOW", " Flow control ", this);
  RBNOFLOW = Named<QRadioButton>("RBNOFLOW", "No Flow control");
  RBNOFLOW->setChecked(true);
  RBHFLOW = Named<QRadioButton>("RBHFLOW", "Hardware Flow control");
  RBSFLOW = Named<QRadioButton>("RBSFLOW", "Software Flow control");

  auto* layout = new QVBoxLayout(GBSETFLOW);
  SetBoxMargins(layout);
  layout->addWidget(RBNOFLOW);
  layout->addWidget(RBHFLOW);
  layout->addWidget(RBSFLOW);
  layout->addWidget(BuildHardwareFlowBox());
  layout->addWidget(BuildSoftwareFlowBox());
  return GBSETFLOW;
}

QWidget* ComSettingPage::BuildHardwareFlowBox() {
  GBHF = Named<QGroupBox>("GBHF", "Hardware Flow control setting ");
  SEHFBFULL = SpinEdit("SEHFBFULL", 51, 99, 90);
  SEHFBRESUME = SpinEdit("SEHFBRESUME", 1, 49, 10);
  RBUSERTS = Named<QCheckBox>("RBUSERTS", "Use RTS");
  RBUSEDTR = Named<QCheckBox>("RBUSEDTR", "Use DTR");
  RBREQCTS = Named<QCheckBox>("RBREQCTS", "Req CTS");
  RBREQDSR = Named<QCheckBox>("RBREQDSR", "Req DSR");

  auto* out = new QGroupBox(" Out Criteria ");
  auto* outLayout = new QVBoxLayout(out);
  SetBoxMargins(outLayout);
  outLayout->addWidget(RBUSERTS);
  outLayout->addWidget(RBUSEDTR);
  auto* in = new QGroupBox(" In Criteria ");
  auto* inLayout = new QVBoxLayout(in);
  SetBoxMargins(inLayout);
  inLayout->addWidget(RBREQCTS);
  inLayout->addWidget(RBREQDSR);

  auto* grid = new QGridLayout(GBHF);
  SetBoxMargins(grid);
  grid->addWidget(new QLabel("Buffer Full  (% InBuf) "), 0, 0);
  grid->addWidget(SEHFBFULL, 0, 1);
  grid->addWidget(new QLabel("Buffer Resume  (% InBuf)"), 1, 0);
  grid->addWidget(SEHFBRESUME, 1, 1);
  auto* criteria = new QHBoxLayout;
  criteria->setSpacing(kGap);
  criteria->addWidget(out);
  criteria->addWidget(in);
  grid->addLayout(criteria, 2, 0, 1, 2);
  GBHF->setVisible(false);
  return GBHF;
}

QWidget* ComSettingPage::BuildSoftwareFlowBox() {
  GBSF = Named<QGroupBox>("GBSF", " Software Flow control setting ");
  CBSFFOR = Selector("CBSFFOR", Items(kSoftwareFlowDirections), "RX-TX");
  EDXON = Named<QLineEdit>("EDXON", "#17");
  EDXOFF = Named<QLineEdit>("EDXOFF", "#19");

  auto* form = new QFormLayout(GBSF);
  SetBoxMargins(form);
  form->setRowWrapPolicy(QFormLayout::WrapLongRows);
  form->addRow("Use software Flow control for", CBSFFOR);
  form->addRow("X-On char", EDXON);
  form->addRow("X-Off char", EDXOFF);
  GBSF->setVisible(false);
  return GBSF;
}

QWidget* ComSettingPage::BuildOptionsColumn() {
  auto* column = new QWidget(this);

  auto* rs485 = new QGroupBox("   RS-485   RTS redir. method   ");
  CB485 = Named<QCheckBox>("CB485", "RS-485 mode active");
  CBOXRS485 = Selector("CBOXRS485", Items(kRs485Methods), "via KOB (virtual Ports) 15 ms delay");
  LetShrink(CBOXRS485, 32);
  CBOXRS485->setVisible(false);
  auto* rs485Layout = new QGridLayout(rs485);
  SetBoxMargins(rs485Layout);
  rs485Layout->addWidget(CB485, 0, 0);
  rs485Layout->addWidget(new QLabel("RTS ON = Tx"), 0, 1, Qt::AlignRight);
  rs485Layout->addWidget(CBOXRS485, 1, 0, 1, 2);

  auto* lineEnd = new QGroupBox("   CR - CR+LF");
  RBCR = Named<QRadioButton>("RBCR", "CR");
  RBCRLF = Named<QRadioButton>("RBCRLF", "CR/LF");
  RBCRLF->setChecked(true);
  auto* lineEndLayout = new QHBoxLayout(lineEnd);
  SetBoxMargins(lineEndLayout);
  lineEndLayout->addWidget(RBCR);
  lineEndLayout->addWidget(RBCRLF);
  lineEndLayout->addStretch(1);

  GroupBox1 = Named<QGroupBox>("GroupBox1", " Display data window colors ");
  QStringList colorItems;
  for (std::string_view name : kColorItemNames) {
    colorItems << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
  }
  CBWCOLOR = Named<EditableComboBox>("CBWCOLOR");
  CBWCOLOR->addItems(colorItems);
  // Shows the first entry's name without selecting it: a colour chosen before the user picks an
  // entry changes only the swatch.
  CBWCOLOR->setCurrentIndex(-1);
  CBWCOLOR->setEditText(colorItems.front());
  LetShrink(CBWCOLOR, 28);
  BLOCOL = Named<ColorSwatch>("BLOCOL");
  auto* colorLayout = new QHBoxLayout(GroupBox1);
  SetBoxMargins(colorLayout);
  colorLayout->addWidget(CBWCOLOR, 1);
  colorLayout->addWidget(BLOCOL);

  auto* files = new QGroupBox;
  BBCOMLOAD = Named<QPushButton>("BBCOMLOAD", "Load");
  BBCOMSAVE = Named<QPushButton>("BBCOMSAVE", "Save");
  BBCOMAPPLY = Named<QPushButton>("BBCOMAPPLY", "Apply");
  BBCOMAPPLY->setEnabled(false);
  auto* filesLayout = new QGridLayout(files);
  SetBoxMargins(filesLayout);
  LBCOMFILES = Named<QLabel>("LBCOMFILES", "Files *.cps");
  filesLayout->addWidget(LBCOMFILES, 0, 0);
  filesLayout->addWidget(BBCOMLOAD, 0, 1);
  filesLayout->addWidget(BBCOMSAVE, 0, 2);
  filesLayout->addWidget(BBCOMAPPLY, 1, 1, 1, 2);

  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(kGap);
  layout->addWidget(rs485);
  layout->addWidget(lineEnd);
  layout->addWidget(GroupBox1);
  layout->addWidget(files);
  return column;
}

void ComSettingPage::ConnectHandlers() {
  // Check boxes and radio buttons follow their state, not the mouse: a loaded file runs the same
  // rules as the user's clicks.
  for (EditableComboBox* box : {CBPortA, CBBR, CBDB, CBPAR, CBSTOPB, CBPORTB, CBSFFOR}) {
    connect(box, &QComboBox::editTextChanged, this, &ComSettingPage::CBPortAChange);
  }
  for (QSpinBox* spin : {SEHFBFULL, SEHFBRESUME, SEINBUF, SEOUTBUF}) {
    connect(spin, &QSpinBox::textChanged, this, &ComSettingPage::CBPortAChange);
  }
  for (QCheckBox* box : {RBUSERTS, RBUSEDTR, RBREQCTS, RBREQDSR}) {
    connect(box, &QCheckBox::toggled, this, &ComSettingPage::CBPortAChange);
  }
  for (QCheckBox* box : {RBUSERTS, RBUSEDTR}) {
    connect(box, &QCheckBox::clicked, this, [this] { outCriteriaOpen_ = false; });
  }
  for (QCheckBox* box : {RBREQCTS, RBREQDSR}) {
    connect(box, &QCheckBox::clicked, this, [this] { inCriteriaOpen_ = false; });
  }
  for (QLineEdit* edit : {EDXON, EDXOFF}) {
    connect(edit, &QLineEdit::textChanged, this, &ComSettingPage::CBPortAChange);
  }
  connect(CBDB, &QComboBox::editTextChanged, this, &ComSettingPage::CBDBChange);
  const std::pair<QRadioButton*, void (ComSettingPage::*)()> flowChoices[] = {
      {RBNOFLOW, &ComSettingPage::RBNOFLOWClick},
      {RBHFLOW, &ComSettingPage::RBHFLOWClick},
      {RBSFLOW, &ComSettingPage::RBSFLOWClick},
  };
  for (const auto& [radio, handler] : flowChoices) {
    connect(radio, &QRadioButton::toggled, this, [this, handler = handler](bool checked) {
      if (checked) (this->*handler)();
    });
  }
  connect(CB485, &QCheckBox::toggled, this, &ComSettingPage::CB485Click);
  connect(CBOXRS485, &QComboBox::editTextChanged, this, &ComSettingPage::CBOXRS485Change);
}

void ComSettingPage::CBPortAChange() {
  BBCOMAPPLY->setEnabled(true);
}

void ComSettingPage::ShowFlowOptions() {
  BBCOMAPPLY->setEnabled(true);
  GBHF->setVisible(RBHFLOW->isChecked());
  GBSF->setVisible(RBSFLOW->isChecked());
}

void ComSettingPage::RBNOFLOWClick() {
  ShowFlowOptions();
}

void ComSettingPage::RBHFLOWClick() {
  ShowFlowOptions();
}

void ComSettingPage::RBSFLOWClick() {
  ShowFlowOptions();
}

void ComSettingPage::CB485Click() {
  BBCOMAPPLY->setEnabled(true);
  const bool rs485 = CB485->isChecked();
  // The transmit routine drives RTS in RS-485 mode, so no flow control may use it.
  if (rs485) RBNOFLOW->setChecked(true);
  RBHFLOW->setEnabled(!rs485);
  RBSFLOW->setEnabled(!rs485);
  CBOXRS485->setVisible(rs485);
}

void ComSettingPage::CBOXRS485Change() {
  BBCOMAPPLY->setEnabled(true);
}

void ComSettingPage::CBDBChange() {
  if (CBDB->currentText() == CBDB->itemText(0)) CBSTOPB->setCurrentIndex(1);
}

void ComSettingPage::ShowSpyMode(bool spy) {
  CBPORTB->setEnabled(spy);
  Label11->setEnabled(spy);
  LBPortBDevice->setEnabled(spy);
  if (spy) CB485->setChecked(false);
  CB485->setEnabled(!spy);
  GBSETFLOW->setVisible(!spy);
  if (spy) RBNOFLOW->setChecked(true);
}

void ComSettingPage::ShowStartupFile(const QString& path) {
  const QString text = QStringLiteral("Read at start: ") + path;
  for (QWidget* control : {static_cast<QWidget*>(BBCOMLOAD), static_cast<QWidget*>(BBCOMSAVE),
                           static_cast<QWidget*>(LBCOMFILES)}) {
    control->setToolTip(text);
  }
}

void ComSettingPage::ShowPortChoices(const std::vector<PortChoice>& choices) {
  if (choices == portChoices_) return;
  if (CBPortA->view()->isVisible() || CBPORTB->view()->isVisible()) return;
  portChoices_ = choices;
  for (EditableComboBox* box : {CBPortA, CBPORTB}) FillPortList(box, choices);
  emit PortChoicesShown();
}

void ComSettingPage::SetPortScan(std::function<std::vector<PortChoice>()> scan) {
  portScan_ = std::move(scan);
  ScanPorts();
}

void ComSettingPage::ScanPorts() {
  if (portScan_) ShowPortChoices(portScan_());
}

void ComSettingPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ScanPorts();
  portScanTimer_->start();
}

void ComSettingPage::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  portScanTimer_->stop();
}

CpsSettings ComSettingPage::Settings(const ColorSet& colors) const {
  CpsSettings s;
  s.spyMode = CB2COM->isChecked();
  s.comPortA = TextOf(CBPortA);
  s.comPortB = TextOf(CBPORTB);
  s.baudRate = TextOf(CBBR);
  s.dataBits = TextOf(CBDB);
  s.parity = TextOf(CBPAR);
  s.stopBits = TextOf(CBSTOPB);
  s.rs485Mode = CB485->isChecked();
  s.rs485Method = TextOf(CBOXRS485);
  s.inBuffer = SEINBUF->value();
  s.outBuffer = SEOUTBUF->value();
  s.flowControl = RBHFLOW->isChecked()   ? FlowControlChoice::Hardware
                  : RBSFLOW->isChecked() ? FlowControlChoice::Software
                                         : FlowControlChoice::None;
  s.bufferFullPercent = SEHFBFULL->value();
  s.bufferResumePercent = SEHFBRESUME->value();
  s.useRts = RBUSERTS->isChecked();
  s.useDtr = RBUSEDTR->isChecked();
  s.requireCts = RBREQCTS->isChecked();
  s.requireDsr = RBREQDSR->isChecked();
  s.outCriteriaOpen = outCriteriaOpen_;
  s.inCriteriaOpen = inCriteriaOpen_;
  s.softwareFlowFor = TextOf(CBSFFOR);
  s.xonChar = EDXON->text().toLatin1().toStdString();
  s.xoffChar = EDXOFF->text().toLatin1().toStdString();
  s.colors = colors;
  return s;
}

CpsSettings ComSettingPage::ReadBase(const ColorSet& colors) const {
  CpsSettings s = Settings(colors);
  // An empty text line must leave its control as it is when the line's turn comes, which may
  // differ from now: five data bits choose the stop bits before line 7 is read.
  for (std::string* text : {&s.comPortA, &s.comPortB, &s.baudRate, &s.dataBits, &s.parity,
                            &s.stopBits, &s.softwareFlowFor, &s.xonChar, &s.xoffChar}) {
    text->clear();
  }
  return s;
}

void ComSettingPage::LoadSettings(const CpsSettings& s) {
  CB2COM->setChecked(s.spyMode);
  SetTextUnlessEmpty(CBPortA, s.comPortA);
  SetTextUnlessEmpty(CBPORTB, s.comPortB);
  SetTextUnlessEmpty(CBBR, s.baudRate);
  SetTextUnlessEmpty(CBDB, s.dataBits);
  SetTextUnlessEmpty(CBPAR, s.parity);
  SetTextUnlessEmpty(CBSTOPB, s.stopBits);
  CB485->setChecked(s.rs485Mode);
  CBOXRS485->SetText(QTextOf(s.rs485Method));
  SEINBUF->setValue(s.inBuffer);
  SEOUTBUF->setValue(s.outBuffer);
  switch (s.flowControl) {
    case FlowControlChoice::None:
      RBNOFLOW->setChecked(true);
      break;
    case FlowControlChoice::Hardware:
      RBHFLOW->setChecked(true);
      break;
    case FlowControlChoice::Software:
      RBSFLOW->setChecked(true);
      break;
  }
  SEHFBFULL->setValue(s.bufferFullPercent);
  SEHFBRESUME->setValue(s.bufferResumePercent);
  RBUSERTS->setChecked(s.useRts);
  RBUSEDTR->setChecked(s.useDtr);
  RBREQCTS->setChecked(s.requireCts);
  RBREQDSR->setChecked(s.requireDsr);
  outCriteriaOpen_ = s.outCriteriaOpen;
  inCriteriaOpen_ = s.inCriteriaOpen;
  SetTextUnlessEmpty(CBSFFOR, s.softwareFlowFor);
  SetTextUnlessEmpty(EDXON, s.xonChar);
  SetTextUnlessEmpty(EDXOFF, s.xoffChar);
}

PortLineSettings ComSettingPage::PortALine() const {
  return PortLineSettingsFromControls(TextOf(CBPortA), TextOf(CBBR), TextOf(CBDB),
                                      CBPAR->currentIndex(), TextOf(CBPAR), TextOf(CBSTOPB));
}

PortLineSettings ComSettingPage::PortBLine() const {
  return PortLineSettingsFromControls(TextOf(CBPORTB), TextOf(CBBR), TextOf(CBDB),
                                      CBPAR->currentIndex(), TextOf(CBPAR), TextOf(CBSTOPB));
}

std::array<std::string, 6> ComSettingPage::StatusTexts() const {
  const std::string portB = TextOf(CBPORTB);
  return StatusBarTexts(CB485->isChecked(), TextOf(CBPortA),
                        CB2COM->isChecked() ? std::optional<std::string_view>(portB) : std::nullopt,
                        TextOf(CBBR), TextOf(CBPAR), TextOf(CBDB), TextOf(CBSTOPB));
}

}  // namespace ferrotap
