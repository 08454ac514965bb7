#pragma once
// vexacli: the core without windows, for scripts, production lines and tests.
#include <iosfwd>
#include <string>
#include <vector>

#include "base/program_options.h"
#include "cli/command.h"
#include "cli/start_settings.h"

namespace vexa::cli {

// Runs vexacli with its arguments (without the program name); returns the exit status.
// program_path is the running program's file: its name is the product name ("vexacli" keeps
// the family's).
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const std::string& program_path = "vexacli");

// The command line read, before the settings file: what run() starts the command with.
struct ParsedArgs {
  ProgramOptions::Result result;    // run: a command (or none: the help) is to run
  const Command* command = nullptr;
  CommonOptions options;            // port, tcp, target, settings folder
  GivenOptions given;               // speed, language, log mode
  CommandValues values;             // the command's own options
  std::vector<std::string> args;    // its arguments
};
ParsedArgs parse_args(const std::vector<std::string>& args, const std::string& program_path = "vexacli");

std::string usage_text();

}  // namespace vexa::cli
