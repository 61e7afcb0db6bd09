// SPDX-License-Identifier: MIT
#pragma once

#include "cli/cli_options.h"

namespace ferrotap {

// Runs a parsed command line and returns the exit status: 0 done, 1 a port or an exchange
// failed, 2 a file or value of the command line is not usable.
int RunCli(const CliOptions& options);

}  // namespace ferrotap
