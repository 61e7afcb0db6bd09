// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "cli/cli_options.h"
#include "protocol/pdt_file.h"
#include "serial/cps_file.h"
#include "session/session_options.h"
#include "simulation/ascii_command_table.h"
#include "simulation/simulation_table.h"

namespace ferrotap {

class Session;
class SessionOutput;

// A file named on the command line that cannot be used: the message names it.
class SetupError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Everything the files and options give the session, read before any port opens.
struct CliSetup {
  CpsSettings cps;
  PortPaths paths;
  PdtSettings pdt;
  // The tables as applied, checked before any port opens.
  std::optional<SimulationTable> table;
  std::optional<AsciiCommandTable> commands;
  // Where ports.map is looked up, as for the window.
  std::string settingsDir;
};

// Reads the files with the window's readers, then the options on top. Throws SetupError; a
// short .cps file is only warned about, through `output`.
CliSetup LoadSetup(const CliOptions& options, const std::string& settingsDir,
                   SessionOutput& output);

SessionOptions SessionOptionsOf(const CliOptions& options, const CliSetup& setup);

// The protocol and the tables into the session, then the ports opened. Throws ComPortError when
// port A does not open.
void ApplySetup(Session& session, const CliSetup& setup);

}  // namespace ferrotap
