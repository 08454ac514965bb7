#pragma once
// The commands of vexacli: one table entry each, so every command lives in a file of its own.
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/identity.h"

namespace vexa::cli {

// Options given before the command name; they say how to reach the board.
// Speed, language and log mode are the settings file's unless an option gives them.
struct CommonOptions {
  std::string port;           // --port PATH|COMn
  std::string tcp;            // --tcp "ADDR PORT"
  std::optional<int> baud;    // --baud N, else the settings' speed, else the board type's
  char language = 'e';        // --lang e|f|d
  int log_mode = 0;           // --log 0|1|2
  std::string target;         // --target IDENTITY (an identity line such as "VexaLog S v1404")
  std::string settings_dir;   // --settings DIR: where settings and logs are read and written
  Identity identity;          // from the program's file name: product name, file names
  std::string settings_target;  // the settings' `target` (applied when it parses)
};

struct CommandContext {
  const CommonOptions& options;
  std::vector<std::string> args;  // what follows the command name
  std::ostream& out;
  std::ostream& err;
};

struct Command {
  std::string_view name;
  std::string_view usage;    // the arguments, as "--help" shows them
  std::string_view summary;  // one line
  int (*run)(CommandContext&);
};

// Every command, in the order "--help" lists them.
const std::vector<Command>& command_table();
const Command* find_command(std::string_view name);

// Small argument helpers shared by the commands: "--name VALUE" and "--flag" forms.
// take_option removes the pair from args and returns the value; take_flag removes the flag.
std::optional<std::string> take_option(std::vector<std::string>& args, std::string_view name);
bool take_flag(std::vector<std::string>& args, std::string_view name);

}  // namespace vexa::cli
