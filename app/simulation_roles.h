// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

namespace ferrotap {

class DataWindow;
class Session;
class TerminalPage;

// The simulation controls of the Terminal page: the role choice and the master's "TX". The
// simulation itself is the session's.
class SimulationRoles : public QObject {
  Q_OBJECT

 public:
  SimulationRoles(TerminalPage& terminal, DataWindow& dataWindow, Session& session);

  void RBSIMMASTERClick();
  void SBSIMCOMMClick();

 private:
  TerminalPage& terminal_;
  DataWindow& dataWindow_;
  Session& session_;
};

}  // namespace ferrotap
