#include "serial/com_setting_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/color_swatch.h"
#include "app/colors.h"
#include "app/editable_combo_box.h"
#include "app/named.h"

namespace ferrotap {
namespace {

constexpr int kGap = 5;

EditableComboBox* Selector(const char* name, const QStringList& items, const QString& text) {
  auto* box = Named<EditableComboBox>(name);
  box->addItems(items);
  box->SetText(text);
  return box;
}

QStringList PortNumbers() {
  QStringList numbers;
  for (int n = 1; n <= 16; ++n) numbers << QString::number(n);
  return numbers;
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

void SetBoxMargins(QLayout* layout) {
  layout->setContentsMargins(kGap + 1, kGap, kGap + 1, kGap + 1);
  layout->setSpacing(kGap);
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

  auto* form = new QFormLayout;
  form->setContentsMargins(0, 0, 0, 0);
  form->setSpacing(kGap);
  form->addRow("COM Port A", CBPortA);
  form->addRow(Label11, CBPORTB);
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
  CBSFFOR = Selector("CBSFFOR", {"RX", "TX", "RX-TX"}, "RX-TX");
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
  CBOXRS485 =
      Selector("CBOXRS485", {"via Driver ( hardware)", "via KOB (virtual Ports) 15 ms delay"},
               "via KOB (virtual Ports) 15 ms delay");
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
  filesLayout->addWidget(new QLabel("Files *.cps"), 0, 0);
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

}  // namespace ferrotap
