#include <algorithm>

#include "cli/command.h"
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

std::optional<std::string> take_option(std::vector<std::string>& args, std::string_view name) {
  for (std::size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == name) {
      std::string value = args[i + 1];
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      return value;
    }
  }
  return std::nullopt;
}

bool take_flag(std::vector<std::string>& args, std::string_view name) {
  auto it = std::find(args.begin(), args.end(), name);
  if (it == args.end()) return false;
  args.erase(it);
  return true;
}

}  // namespace vexa::cli
