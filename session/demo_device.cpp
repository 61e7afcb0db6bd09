// SPDX-License-Identifier: MIT
#include "session/demo_device.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "protocol/pdt_options.h"
#include "serial/com_port.h"
#include "serial/com_port_error.h"
#include "serial/key_value.h"
#include "session/session.h"
#include "session/session_host.h"
#include "session/session_output.h"
#include "simulation/pst_file.h"
#include "simulation/sim_packet.h"

namespace ferrotap {
namespace {

// Of every six unasked packets, which one is spoiled and how.
enum class Spoil { None, Checksum, IdOutOfRange };

Spoil SpoilOf(unsigned turn) {
  switch (turn % 6) {
    case 2:
      return Spoil::Checksum;
    case 4:
      return Spoil::IdOutOfRange;
    default:
      return Spoil::None;
  }
}

}  // namespace

PdtSettings DemoDevice::Protocol() {
  const PdtReadResult read = ReadPdtLines(SplitTextLines(PdtText()), {});
  if (read.Failed()) throw std::logic_error("the built-in demo protocol does not read");
  return read.settings;
}

SimulationRows DemoDevice::TableRows() {
  return ReadPstLines(SplitTextLines(PstText())).rows;
}

Bytes DemoDevice::UnaskedPacket(unsigned turn, const ProtocolDefinition& definition,
                                const ProtocolOptions& options) {
  const unsigned value = 200 + turn % 50;
  Bytes payload;
  payload += static_cast<char>(kReportCommand);
  payload += static_cast<char>(value >> 8);
  payload += static_cast<char>(value & 0xFF);
  ProtocolDefinition speaker = definition;
  const Spoil spoil = SpoilOf(turn);
  if (spoil == Spoil::IdOutOfRange) speaker.ID_SIM = definition.ID_MAX + 1;
  Bytes packet = BuildSimPacket(payload, speaker, options);
  if (spoil == Spoil::Checksum && options.useChecksum) {
    const std::size_t last = packet.size() - (options.endByLength ? 1 : 2);
    packet[last] = static_cast<char>(packet[last] ^ 0x5A);
  }
  return packet;
}

DemoDevice::DemoDevice(Session& session, SessionHost& host) : session_(session), host_(host) {
  session_.ApplyProtocolDefinition(Protocol());
  const ApplyOutcome outcome = ApplySimulationRows(TableRows(), session_.SimTable());
  if (!outcome.ok) throw std::logic_error("the built-in demo table does not apply");
  timer_ = host_.NewTimer("DemoUnasked", [this] { SpeakUnasked(); });
  timer_->Start(kUnaskedIntervalMs);
}

DemoDevice::~DemoDevice() = default;

void DemoDevice::SpeakUnasked() {
  timer_->Start(kUnaskedIntervalMs);
  // A query since the last turn: the peer is busy with the device, so it keeps quiet this time.
  const uint64_t queries = session_.Counters().queries;
  if (queries != queriesSeen_) {
    queriesSeen_ = queries;
    return;
  }
  if (!session_.PortA().Open()) return;
  try {
    session_.SendOnPortA(UnaskedPacket(turn_++, session_.Definition(), host_.Options().protocol));
  } catch (const ComPortError&) {
    // A lost port: the session has said so; the device speaks again when it is back.
  }
}

// The device has no screen: only its errors are worth a line.
class DemoDeviceThread::Output : public SessionOutput {
 public:
  void Show(ColorRole /*role*/, const Bytes& /*text*/) override {}
  void ShowSystemText(const Bytes& /*text*/) override {}
  void Error(const std::string& message) override {
    std::fprintf(stderr, "ferrotap: demo device: %s\n", message.c_str());
  }
  void Info(const std::string& /*message*/) override {}
};

DemoDeviceThread::DemoDeviceThread(const std::string& cableEnd)
    : output_(std::make_unique<Output>()) {
  SessionOptions options;
  options.role = SimulationRole::Slave;
  options.decode = true;
  options.echo = false;
  options.protocol = ProtocolOptionsOf(DemoDevice::Protocol());
  thread_ = std::make_unique<SessionThread>(options, *output_);
  thread_->SetTeardown([this](Session&, LoopHost&) { device_.reset(); });
  thread_->Call([this, &cableEnd](Session& session, LoopHost& host) {
    device_ = std::make_unique<DemoDevice>(session, host);
    session.ApplyPortSettings(CpsSettings{}, PortPaths{cableEnd, {}});
  });
}

DemoDeviceThread::~DemoDeviceThread() {
  thread_.reset();
}

}  // namespace ferrotap
