#pragma once

#include <QObject>
#include <memory>

#include "simulation/protocol_simulation.h"

class QTimer;

namespace ferrotap {

class MainWindow;

// The simulation in the window: the role choice on the Terminal page, the master's "TX",
// Timer1 for the slave's SYNC, and the slave hooks of port A's decoder.
class SimulationRoles : public QObject, private SyncTimer {
  Q_OBJECT

 public:
  explicit SimulationRoles(MainWindow& window);
  ~SimulationRoles() override;

  void RBSIMMASTERClick();
  void SBSIMCOMMClick();
  void Timer1Timer();
  // Port A's CTS trigger is armed while the role is none or master (the master learns the
  // slave's SYNC from CTS), disarmed for the slave.
  void ArmCtsTrigger();

  ProtocolSimulation& Simulation() { return *simulation_; }
  QTimer* Timer1;

 private:
  void Start(int milliseconds) override;
  void Stop() override;
  SimulationOptions Options() const;

  MainWindow& window_;
  std::unique_ptr<ProtocolSimulation> simulation_;
};

}  // namespace ferrotap
