// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>

#include "serial/com_port.h"

namespace ferrotap {

// Lamp sinks of the controller; an empty one is an unassigned lamp.
struct LightSet {
  std::function<void(bool lit)> CTSLight;
  std::function<void(bool lit)> DSRLight;
  std::function<void(bool lit)> DCDLight;
  std::function<void(bool lit)> RINGLight;
  std::function<void(bool lit)> TXDLight;
  std::function<void(bool lit)> RXDLight;
  std::function<void(bool lit)> ERRORLight;
  std::function<void(bool lit)> BREAKLight;
};

// Binds any lamp with SetLit(bool), such as the StatusLight widget.
template <class Lamp>
std::function<void(bool)> LampSink(Lamp* lamp) {
  return [lamp](bool lit) { lamp->SetLit(lit); };
}

// Drives the lamps of one port from its notifications. While watching it owns the port's
// data-available, status and timer handlers and passes every notification on to the handler
// that was installed before.
class StatusLightController : public PortListener {
 public:
  enum Light { kCts, kDsr, kDcd, kRing, kTxd, kRxd, kError, kBreak, kLightCount };

  explicit StatusLightController(ComPort* port = nullptr);
  ~StatusLightController() override;
  StatusLightController(const StatusLightController&) = delete;
  StatusLightController& operator=(const StatusLightController&) = delete;

  void SetComPort(ComPort* port);
  ComPort* GetComPort() const { return port_; }
  LightSet& Lights() { return lights_; }

  void SetWatching(bool on);
  bool Watching() const { return watching_; }
  // Watching was asked for while the port was closed.
  bool Pending() const { return pending_; }
  bool IsLit(Light light) const { return lit_[light]; }

  uint16_t ErrorOffTimeout = 36;
  uint16_t BreakOffTimeout = 36;
  uint16_t RXDOffTimeout = 1;
  uint16_t TXDOffTimeout = 1;
  uint16_t RingOffTimeout = 8;

  void PortOpened(ComPort& port) override;
  void PortClosed(ComPort& port) override;

 private:
  void StartWatching();
  void StopWatching();
  void CreateTriggers();
  void RemoveTriggers();
  void RefreshLamps();
  void SetLight(Light light, bool lit);
  bool Assigned(Light light) const;
  void OnAvail(ComPort& port, uint16_t count);
  void OnStatus(ComPort& port, uint16_t handle);
  void OnTimer(ComPort& port, uint16_t handle);

  ComPort* port_ = nullptr;
  LightSet lights_;
  bool watching_ = false;
  bool pending_ = false;
  bool lit_[kLightCount] = {};

  decltype(ComPort::OnTriggerAvail) savedAvail_;
  decltype(ComPort::OnTriggerStatus) savedStatus_;
  decltype(ComPort::OnTriggerTimer) savedTimer_;
  uint16_t modemMask_ = 0;
  uint16_t modemTrigger_ = 0, ringTimer_ = 0;
  uint16_t errorTrigger_ = 0, errorTimer_ = 0;
  uint16_t breakTrigger_ = 0, breakTimer_ = 0;
  uint16_t rxTimer_ = 0;
  uint16_t txTrigger_ = 0, txTimer_ = 0;
};

}  // namespace ferrotap
