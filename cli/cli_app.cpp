#include "cli/cli_app.h"

#include <ostream>

#include "base/identity.h"
#include "base/program_options.h"
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
void add_everything(ProgramOptions& line, std::vector<CommandValues>& values, const std::string& program_path) {
  line.set_version(make_identity(program_path, ".").product_name + " " + std::to_string(kProgramVersion));
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
  add_everything(line, values, "vexacli");
  return line.help();
}

ParsedArgs parse_args(const std::vector<std::string>& args, const std::string& program_path) {
  ProgramOptions line("vexacli", kDescription, kUsage);
  std::vector<CommandValues> values;
  add_everything(line, values, program_path);
  ParsedArgs parsed;
  parsed.result = line.parse(args);
  if (parsed.result.outcome != ProgramOptions::Outcome::run) return parsed;
  read_common(values[0], parsed.options, parsed.given);
  const ProgramOptions* chosen = line.chosen_command();
  if (!chosen) {
    parsed.result.text = line.help();
    return parsed;
  }
  const auto& table = command_table();
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].name != chosen->name()) continue;
    parsed.command = &table[i];
    parsed.values = std::move(values[i + 1]);
    parsed.args = chosen->arguments();
  }
  return parsed;
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const std::string& program_path) {
  ParsedArgs parsed = parse_args(args, program_path);
  switch (parsed.result.outcome) {
    case ProgramOptions::Outcome::help:
    case ProgramOptions::Outcome::version:
      out << parsed.result.text;
      return 0;
    case ProgramOptions::Outcome::error:
      err << parsed.result.error_text();
      return kUsageExitStatus;
    case ProgramOptions::Outcome::run:
      break;
  }
  if (!parsed.command) {  // no command: what there is to choose from
    out << parsed.result.text;
    return 0;
  }
  apply_start_settings(parsed.options, parsed.given, program_path);
  CommandContext context{parsed.command->name, parsed.options, parsed.values, std::move(parsed.args), out, err};
  return parsed.command->run(context);
}

}  // namespace vexa::cli
