#pragma once
// The terminal command's own options: line frame, keys, echo, hex and time stamps.
#include <optional>
#include <string>
#include <vector>

#include "platform/line_settings.h"
#include "terminal/key_options.h"

namespace vexa::cli {

struct TerminalArgs {
  std::optional<LineSettings> line;
  KeyOptions keys;
  bool hex = false;
  bool stamps = false;
  std::string error;  // set for a bad option
};

TerminalArgs parse_terminal_args(const std::vector<std::string>& args);

}  // namespace vexa::cli
