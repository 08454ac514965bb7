#pragma once
// The commands of vexacli: one table entry each, so every command lives in a file of its own.
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/identity.h"
#include "cli/command_values.h"

namespace vexa::cli {

// Options given before the command name; they say how to reach the board.
// Speed, language and log mode are the settings file's unless an option gives them.
struct CommonOptions {
  std::string port;           // --port PATH|COMn
  std::string tcp;            // --tcp "ADDR PORT"
  std::optional<int> baud;    // --baud N, else the settings' speed, else the board type's
  std::string bad_speed;      // the settings' speed as written there, when it is no speed
  char language = 'e';        // --lang e|f|d
  int log_mode = 0;           // --log 0|1|2
  std::string target;         // --target IDENTITY (an identity line such as "VexaLog S v1404")
  std::string settings_dir;   // --settings DIR: where settings and logs are read and written
  Identity identity;          // from the program's file name: product name, file names
};

struct CommandContext {
  std::string_view command;  // its name
  const CommonOptions& options;
  const CommandValues& values;    // the command's own options
  std::vector<std::string> args;  // the words after the command name that are no options
  std::ostream& out;
  std::ostream& err;
};

struct Command {
  std::string_view name;
  std::string_view usage;    // what follows the name on the usage line of its "--help"
  std::string_view summary;  // one line
  int (*run)(CommandContext&);
  std::vector<CommandOption> options;  // its own options
};

// Every command, in the order "--help" lists them.
const std::vector<Command>& command_table();
const Command* find_command(std::string_view name);

// A command line the command cannot use (wrong arguments): the reason on standard error, as
// the program's own command line errors are; returns the exit status for it.
int usage_error(const CommandContext& context, std::string_view reason);

}  // namespace vexa::cli
