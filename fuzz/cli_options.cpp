// SPDX-License-Identifier: MIT
// ferrotap-cli's command line: any arguments give a decision; an error names the program, ends
// its line and exits 2; a run has its command's port and files, and --help anywhere wins.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Arguments are separated by NUL bytes, as in /proc/PID/cmdline.
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back() += static_cast<char>(data[i]);
    }
  }
  using Kind = ferrotap::CommandLineAction::Kind;
  const ferrotap::CliParse parse = ferrotap::ParseCliArguments(args);
  const ferrotap::CliOptions& o = parse.options;
  switch (parse.action.kind) {
    case Kind::Run:
      FUZZ_CHECK(parse.action.exitCode == 0);
      // A replay reads its log and opens no port; every other command but ports needs port A.
      if (o.command == ferrotap::CliCommand::Replay) {
        FUZZ_CHECK(!o.logFile.empty());
      } else {
        FUZZ_CHECK(o.command == ferrotap::CliCommand::Ports || !o.portA.empty());
      }
      FUZZ_CHECK(o.command != ferrotap::CliCommand::Master || !o.queries.empty());
      // A slave plays a table or the demo device, never both; the shown text needs a log.
      if (o.command == ferrotap::CliCommand::Slave) FUZZ_CHECK(o.demo == o.pstFile.empty());
      FUZZ_CHECK(!o.logText || !o.logFile.empty());
      for (const int code : o.queries) FUZZ_CHECK(code >= 0 && code <= 255);
      break;
    case Kind::Print:
      FUZZ_CHECK(parse.action.exitCode == 0 && !parse.action.text.empty());
      break;
    case Kind::Fail:
      FUZZ_CHECK(parse.action.exitCode == 2);
      FUZZ_CHECK(parse.action.text.rfind("ferrotap-cli: ", 0) == 0 &&
                 parse.action.text.back() == '\n');
      break;
  }
  args.push_back("--help");
  FUZZ_CHECK(ferrotap::ParseCliArguments(args).action.kind == Kind::Print);
  return 0;
}
