// SPDX-License-Identifier: MIT
#include "app/demo_mode.h"

#include <QCheckBox>
#include <QDir>
#include <QRadioButton>

#include "app/main_window.h"
#include "app/pages/terminal_page.h"
#include "app/protocol_engine.h"
#include "app/simulation_table_controller.h"
#include "session/demo_device.h"

namespace ferrotap {

DemoMode::DemoMode() : folder_(QDir::tempPath() + "/ferrotap-demo-XXXXXX") {
  if (!folder_.isValid()) return;
  // The variable outranks any ports.map, so port 1 is the cable whatever the user has set up.
  qputenv("FERROTAP_COM1", kWindowEnd);
  device_ = std::make_unique<DemoDeviceThread>(kDeviceEnd);
}

DemoMode::~DemoMode() = default;

QString DemoMode::SettingsFolder() const {
  return folder_.isValid() ? folder_.path() + "/" : QString();
}

void DemoMode::Show(MainWindow& window) const {
  window.Protocol().LoadProtocolText(DemoDevice::PdtText(), "demo.pdt");
  window.SimulationTableControls().ShowAndApply(DemoDevice::TableRows());
  TerminalPage& terminal = *window.Terminal();
  terminal.CBDECPROT->setChecked(true);
  terminal.RBSIMMASTER->click();
  window.ApplyPortSettings();
}

}  // namespace ferrotap
