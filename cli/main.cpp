// SPDX-License-Identifier: MIT
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"

int main(int argc, char* argv[]) {
  const ferrotap::CliParse parse =
      ferrotap::ParseCliArguments(std::vector<std::string>(argv + 1, argv + argc));
  if (parse.action.kind != ferrotap::CommandLineAction::Kind::Run) {
    std::fputs(parse.action.text.c_str(),
               parse.action.kind == ferrotap::CommandLineAction::Kind::Print ? stdout : stderr);
    return parse.action.exitCode;
  }
  return ferrotap::RunCli(parse.options);
}
