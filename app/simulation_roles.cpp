// SPDX-License-Identifier: MIT
#include "app/simulation_roles.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "app/data_window.h"
#include "app/pages/terminal_page.h"
#include "session/session.h"

namespace ferrotap {

SimulationRoles::SimulationRoles(TerminalPage& terminal, DataWindow& dataWindow, Session& session)
    : terminal_(terminal), dataWindow_(dataWindow), session_(session) {
  // A role set by a program (spy mode, decoding or CMD off) reshapes the page like a click.
  for (QRadioButton* choice : {terminal.RBNOSIM, terminal.RBSIMMASTER, terminal.RBSIMSLAVE}) {
    connect(choice, &QRadioButton::toggled, this, [this](bool on) {
      if (on) RBSIMMASTERClick();
    });
  }
  connect(terminal.SBSIMCOMM, &QPushButton::clicked, this, &SimulationRoles::SBSIMCOMMClick);
}

void SimulationRoles::RBSIMMASTERClick() {
  const bool master = terminal_.RBSIMMASTER->isChecked();
  // The data window's panel takes the transmit box's room while it is hidden.
  terminal_.GBCOMSIM->setVisible(master);
  terminal_.GBFLYTX->setVisible(!master);
  session_.RoleChanged();
}

void SimulationRoles::SBSIMCOMMClick() {
  if (dataWindow_.isVisible()) dataWindow_.setFocus();
  session_.SendQuery(static_cast<uint8_t>(terminal_.SESIMCOMM->value()),
                     terminal_.SESIMCOMM->text().toLatin1().toStdString());
}

}  // namespace ferrotap
