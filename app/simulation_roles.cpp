#include "app/simulation_roles.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include "app/data_window.h"
#include "app/widgets/editable_combo_box.h"
#include "app/main_window.h"
#include "app/pages/terminal_page.h"
#include "app/protocol_engine.h"
#include "app/pages/protocol_setting_page.h"
#include "serial/com_port.h"

namespace ferrotap {
namespace {

constexpr uint16_t kCtsMask = 16;

}  // namespace

SimulationRoles::SimulationRoles(MainWindow& window) : window_(window) {
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setSingleShot(true);
  Timer1->setTimerType(Qt::PreciseTimer);
  connect(Timer1, &QTimer::timeout, this, &SimulationRoles::Timer1Timer);

  ProtocolEngine& engine = window.Protocol();
  simulation_ = std::make_unique<ProtocolSimulation>(
      engine.DecoderA(), engine.OutputA(), window.SimTable(), static_cast<SyncTimer&>(*this),
      [this] { return Options(); });
  engine.DecoderA().SetSlaveHooks(simulation_.get());

  TerminalPage& terminal = *window.Terminal();
  // A role set by a program (spy mode, decoding or CMD off) reshapes the page like a click.
  for (QRadioButton* choice : {terminal.RBNOSIM, terminal.RBSIMMASTER, terminal.RBSIMSLAVE}) {
    connect(choice, &QRadioButton::toggled, this, [this](bool on) {
      if (on) RBSIMMASTERClick();
    });
  }
  connect(terminal.SBSIMCOMM, &QPushButton::clicked, this, &SimulationRoles::SBSIMCOMMClick);
}

SimulationRoles::~SimulationRoles() {
  window_.Protocol().DecoderA().SetSlaveHooks(nullptr);
}

SimulationOptions SimulationRoles::Options() const {
  const TerminalPage& terminal = *window_.Terminal();
  SimulationOptions options;
  options.definition = window_.Protocol().Definition();
  options.protocol = window_.TabSheet2->Options();
  options.echoFormat = DisplayFormatFromIndex(terminal.CBOUTDATAF->currentIndex());
  options.lineBreak = window_.LineBreak();
  options.echo = terminal.CBECHO->isChecked();
  return options;
}

void SimulationRoles::RBSIMMASTERClick() {
  TerminalPage& terminal = *window_.Terminal();
  const bool master = terminal.RBSIMMASTER->isChecked();
  // The data window's panel takes the transmit box's room while it is hidden.
  terminal.GBCOMSIM->setVisible(master);
  terminal.GBFLYTX->setVisible(!master);
  ArmCtsTrigger();
}

void SimulationRoles::ArmCtsTrigger() {
  ComPort& port = *window_.CP1;
  if (port.PortState() != ComPort::State::Open || window_.ModemTriggerA() == 0) return;
  port.ArmStatusTrigger(window_.ModemTriggerA(), kCtsMask,
                        !window_.Terminal()->RBSIMSLAVE->isChecked());
}

void SimulationRoles::SBSIMCOMMClick() {
  TerminalPage& terminal = *window_.Terminal();
  const int code = terminal.SESIMCOMM->value();
  if (window_.REA->isVisible()) window_.REA->setFocus();
  simulation_->SendQuery(static_cast<uint8_t>(code),
                         terminal.SESIMCOMM->text().toLatin1().toStdString());
  window_.Protocol().Flush();
}

void SimulationRoles::Timer1Timer() {
  simulation_->SyncTimerExpired();
  window_.Protocol().Flush();
}

void SimulationRoles::Start(int milliseconds) {
  Timer1->start(milliseconds);
}

void SimulationRoles::Stop() {
  Timer1->stop();
}

}  // namespace ferrotap
