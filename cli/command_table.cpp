#include <algorithm>
#include <ostream>

#include "base/program_options.h"
#include "cli/command.h"
#include "cli/command_options.h"
#include "cli/commands.h"

namespace vexa::cli {

const std::vector<Command>& command_table() {
  static const std::vector<Command> table = {
#include "cli/command_list.inc"
  };
  return table;
}

const Command* find_command(std::string_view name) {
  const auto& table = command_table();
  auto it = std::find_if(table.begin(), table.end(), [&](const Command& c) { return c.name == name; });
  return it == table.end() ? nullptr : &*it;
}

int usage_error(const CommandContext& context, std::string_view reason) {
  context.err << usage_error_text("vexacli " + std::string(context.command), reason);
  return kUsageExitStatus;
}

}  // namespace vexa::cli
