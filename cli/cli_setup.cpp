// SPDX-License-Identifier: MIT
#include "cli/cli_setup.h"

#include <algorithm>
#include <exception>

#include "protocol/pdt_options.h"
#include "serial/key_value.h"
#include "session/demo_device.h"
#include "session/session.h"
#include "simulation/ast_file.h"
#include "simulation/pst_file.h"

namespace ferrotap {
namespace {

bool IsNumber(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](char c) { return c >= '0' && c <= '9'; });
}

// A number of the window's list goes where the settings' number goes; anything else is a path.
void TakePort(const std::string& port, std::string& number, std::string& path) {
  if (port.empty()) return;
  if (IsNumber(port)) {
    number = port;
  } else {
    path = port;
  }
}

void ApplyLineOptions(const LineOptions& line, CpsSettings& cps) {
  if (line.baud) cps.baudRate = *line.baud;
  if (line.dataBits) cps.dataBits = *line.dataBits;
  if (line.parity) cps.parity = *line.parity;
  if (line.stopBits) cps.stopBits = *line.stopBits;
  if (line.flow) {
    cps.flowControl = *line.flow;
    if (*line.flow == FlowControlChoice::Hardware) {
      cps.useRts = true;
      cps.requireCts = true;
    }
  }
  if (line.rs485Method) {
    cps.rs485Mode = true;
    cps.rs485Method = kRs485Methods[*line.rs485Method];
  }
}

// Reading a file: its own errors already name it.
template <typename Read>
auto ReadNamed(Read read) {
  try {
    return read();
  } catch (const std::exception& error) {
    throw SetupError(error.what());
  }
}

void ThrowReport(const TableLoadReport& report) {
  if (report.Applicable()) return;
  std::string message;
  for (const std::string& error : report.errors) message += (message.empty() ? "" : "; ") + error;
  throw SetupError(message);
}

}  // namespace

CliSetup LoadSetup(const CliOptions& o, const std::string& settingsDir, SessionOutput& output) {
  CliSetup setup;
  setup.settingsDir = settingsDir;
  if (!o.settingsFile.empty()) {
    const CpsFileRead read = ReadNamed([&] { return ReadCpsFile(o.settingsFile, {}); });
    if (!read.warning.empty()) output.Info(read.warning);
    setup.cps = read.settings;
  }
  ApplyLineOptions(o.line, setup.cps);
  TakePort(o.portA, setup.cps.comPortA, setup.paths.a);
  TakePort(o.portB, setup.cps.comPortB, setup.paths.b);
  // The command line says whether port B is watched, whatever the file says.
  setup.cps.spyMode = o.spy;

  if (o.demo) {
    setup.pdt = DemoDevice::Protocol();
    ApplySimulationRows(DemoDevice::TableRows(), setup.table.emplace());
  }
  if (!o.pdtFile.empty()) {
    const PdtReadResult read = ReadNamed([&] { return ReadPdtFile(o.pdtFile, {}); });
    if (read.Failed()) throw SetupError(PdtFailureMessage(read, o.pdtFile));
    setup.pdt = read.settings;
  }
  const bool simulates = o.command == CliCommand::Master || o.command == CliCommand::Slave;
  if (simulates && !setup.pdt.useCmd) {
    throw SetupError("the protocol has no CMD field, which the simulation needs (" +
                     (o.pdtFile.empty() ? std::string("--pdt") : o.pdtFile) + ")");
  }
  if (!o.pstFile.empty()) {
    const PstFile file = ReadNamed([&] { return ReadPstFile(o.pstFile); });
    ThrowReport(file.report);
    const ApplyOutcome outcome = ApplySimulationRows(file.contents.rows, setup.table.emplace());
    if (!outcome.ok) throw SetupError(FileMessage(outcome.message, o.pstFile));
  }
  if (!o.astFile.empty()) {
    const AstFile file = ReadNamed([&] { return ReadAstFile(o.astFile); });
    ThrowReport(file.report);
    if (const auto failure = ApplyAsciiCommands(file.content.cells, setup.commands.emplace())) {
      throw SetupError(FileMessage(ApplyFailureText(*failure), o.astFile));
    }
  }
  return setup;
}

SessionOptions SessionOptionsOf(const CliOptions& o, const CliSetup& setup) {
  SessionOptions s;
  s.role = o.command == CliCommand::Master  ? SimulationRole::Master
           : o.command == CliCommand::Slave ? SimulationRole::Slave
                                            : SimulationRole::None;
  s.decode = o.decode || s.role != SimulationRole::None;
  s.formatA = o.format;
  s.formatB = o.format;
  s.echo = o.echo;
  s.lineBreak = "\n";
  s.protocol = ProtocolOptionsOf(setup.pdt);
  s.lineEnd = o.lineEnd;
  s.timeStamps = o.timeStamps;
  s.idleGap = o.idleGap;
  s.rs485Timed = setup.cps.rs485Mode && setup.cps.rs485Method == kRs485Methods[1];
  return s;
}

void ApplySetup(Session& session, const CliSetup& setup) {
  session.ApplyProtocolDefinition(setup.pdt);
  if (setup.table) session.SimTable() = *setup.table;
  if (setup.commands) session.Commands() = *setup.commands;
  session.ApplyPortSettings(setup.cps, setup.paths);
}

}  // namespace ferrotap
