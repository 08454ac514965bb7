#include "cli/cli_app.h"

#include <ostream>

#include "app/identity.h"
#include "app/program_options.h"
#include "cli/command.h"
#include "cli/command_options.h"
#include "cli/start_settings.h"

namespace vexa::cli {

namespace {

constexpr const char* kDescription = "VexaTerm without windows: talks to a VexaLog board from scripts.";
constexpr const char* kUsage = "[OPTIONS] COMMAND [ARGUMENTS]";
constexpr const char* kFooter = "Run vexacli COMMAND --help for the arguments and options of a command.";

// The program's command line with every command: the values each gives go to values
// (the program's own first, then one per command of the table, in its order).
void add_everything(ProgramOptions& line, std::vector<CommandValues>& values) {
  values.resize(command_table().size() + 1);
  add_command_options(line, common_options(), values[0]);
  std::size_t i = 1;
  for (const Command& command : command_table()) {
    ProgramOptions& sub = line.add_command(std::string(command.name), std::string(command.summary),
                                           std::string(command.usage));
    add_command_options(sub, command.options, values[i++]);
  }
  line.set_footer(kFooter);
}

// What the options before the command gave: how to reach the board, and what overrides the
// settings file.
void read_common(const CommandValues& values, CommonOptions& options, GivenOptions& given) {
  options.port = values.text("--port").value_or("");
  options.tcp = values.text("--tcp").value_or("");
  options.target = values.text("--target").value_or("");
  options.settings_dir = values.text("--settings").value_or("");
  if (values.has("--baud")) given.baud = values.whole("--baud", 0);
  if (auto language = values.text("--lang")) given.language = (*language)[0];
  if (values.has("--log")) given.log_mode = values.whole("--log", 0);
}

}  // namespace

std::string usage_text() {
  ProgramOptions line("vexacli", kDescription, kUsage);
  std::vector<CommandValues> values;
  add_everything(line, values);
  return line.help();
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const std::string& program_path) {
  ProgramOptions line("vexacli", kDescription, kUsage);
  std::vector<CommandValues> values;
  add_everything(line, values);
  line.set_version(make_identity(program_path, ".").product_name + " " + std::to_string(kProgramVersion));
  const ProgramOptions::Result result = line.parse(args);
  switch (result.outcome) {
    case ProgramOptions::Outcome::help:
    case ProgramOptions::Outcome::version:
      out << result.text;
      return 0;
    case ProgramOptions::Outcome::error:
      err << result.error_text();
      return kUsageExitStatus;
    case ProgramOptions::Outcome::run:
      break;
  }
  const ProgramOptions* chosen = line.chosen_command();
  if (!chosen) {
    out << line.help();
    return 0;
  }
  const auto& table = command_table();
  std::size_t index = 0;
  while (table[index].name != chosen->name()) ++index;
  CommonOptions options;
  GivenOptions given;
  read_common(values[0], options, given);
  apply_start_settings(options, given, program_path);
  CommandContext context{table[index].name, options, values[index + 1], chosen->arguments(), out, err};
  return table[index].run(context);
}

}  // namespace vexa::cli
