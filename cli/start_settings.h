#pragma once
// How vexacli starts, as the desktop does: its identity from its own file name, then the
// settings file of its folder (--settings DIR or the working directory) for speed, target, log
// mode and language; options given on the command line win; without a speed the board type's.
#include <optional>
#include <string>
#include <string_view>

#include "cli/command.h"

namespace vexa::cli {

// What the command line said before the settings were read.
struct GivenOptions {
  std::optional<int> baud;
  std::optional<char> language;
  std::optional<int> log_mode;
};

// Fills options.identity, language, log_mode and baud (the core reads the settings' target).
// program_path is the running program's file (its base name gives the product name).
void apply_start_settings(CommonOptions& options, const GivenOptions& given, std::string_view program_path);

}  // namespace vexa::cli
