// SPDX-License-Identifier: MIT
// The command line: any arguments give a decision, an error names the program and ends its line
// with status 2, a run starts with an option, and --help put first always wins.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/command_line.h"
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
  const ferrotap::CommandLineAction action = ferrotap::ParseCommandLine(args);
  switch (action.kind) {
    case Kind::Run:
      FUZZ_CHECK(action.exitCode == 0 && action.text.empty());
      // Values follow their options; a run never starts with a plain word.
      FUZZ_CHECK(args.front().size() >= 2 && args.front()[0] == '-');
      break;
    case Kind::Print:
      FUZZ_CHECK(action.exitCode == 0 && !action.text.empty());
      break;
    case Kind::Fail:
      FUZZ_CHECK(action.exitCode == 2);
      FUZZ_CHECK(action.text.rfind("ferrotap: ", 0) == 0 && action.text.back() == '\n');
      break;
  }
  args.insert(args.begin(), "--help");
  FUZZ_CHECK(ferrotap::ParseCommandLine(args).kind == Kind::Print);
  return 0;
}
