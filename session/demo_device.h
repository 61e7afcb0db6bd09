// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/bytes.h"
#include "protocol/pdt_file.h"
#include "protocol/protocol_definition.h"
#include "session/session_thread.h"
#include "simulation/simulation_table.h"

namespace ferrotap {

class Session;
class SessionHost;
class SessionTimer;

// The sample device of the demo: a session playing the slave of a small protocol of its own (the
// files examples/demo.pdt and examples/demo.pst, built in). Between exchanges it speaks unasked
// now and then, in turn good reports, one with a wrong checksum and one from an ID out of range,
// so that a new user sees every kind of decoded line without any hardware.
class DemoDevice {
 public:
  static std::string_view PdtText();
  static std::string_view PstText();
  static PdtSettings Protocol();
  static SimulationRows TableRows();

  static constexpr int kUnaskedIntervalMs = 2500;
  static constexpr uint8_t kReportCommand = 0x20;

  // What the device sends unasked at turn n (0, 1, ...): a report of a value that counts up.
  static Bytes UnaskedPacket(unsigned turn, const ProtocolDefinition& definition,
                             const ProtocolOptions& options);

  // Plays the device on the session, whose host must give the slave role and the demo protocol's
  // options: applies the protocol and the table, then times the unasked packets. The caller
  // opens the port.
  DemoDevice(Session& session, SessionHost& host);
  ~DemoDevice();
  DemoDevice(const DemoDevice&) = delete;
  DemoDevice& operator=(const DemoDevice&) = delete;

 private:
  void SpeakUnasked();

  Session& session_;
  SessionHost& host_;
  std::unique_ptr<SessionTimer> timer_;
  unsigned turn_ = 0;
  uint64_t queriesSeen_ = 0;
};

// The demo device on a thread of its own, on one end of a virtual cable, for the window's demo:
// the window opens the other end as its port A.
class DemoDeviceThread {
 public:
  // Opens the device's end ("virtual:NAME:b"); what it would say goes to the standard error.
  explicit DemoDeviceThread(const std::string& cableEnd);
  ~DemoDeviceThread();

 private:
  class Output;
  std::unique_ptr<Output> output_;
  std::unique_ptr<DemoDevice> device_;  // made and dropped on the thread
  std::unique_ptr<SessionThread> thread_;
};

}  // namespace ferrotap
