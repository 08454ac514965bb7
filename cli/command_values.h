#pragma once
// vexacli's options as data: each row names its option, its value and the rule the value must
// follow; the values given are kept by name for the command that reads them.
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/program_options.h"

namespace vexa::cli {

// What an option's value must be. Refused values get "NAME wants WANTS, not 'VALUE'", where
// WANTS is the rule's wants, else "UNIT (LOW to HIGH)" or "LOW to HIGH".
struct ValueRule {
  enum class Kind { text, whole, real, check };
  Kind kind = Kind::text;  // text: anything; a flag's rule is never asked
  double low = 0;
  double high = 0;
  std::string_view unit;
  std::string_view wants;
  bool (*check)(const std::string& value) = nullptr;  // Kind::check: whether the value is usable
};

struct CommandOption {
  OptionSpec spec;
  ValueRule rule;
};

// The options given to the program or to one command, checked by their rules.
class CommandValues {
 public:
  // Checks value by rule and keeps it (the last one given wins); why not, when it is refused.
  std::string accept(std::string_view name, const ValueRule& rule, const std::string& value);

  bool has(std::string_view name) const;
  std::optional<std::string> text(std::string_view name) const;
  // Values of whole and real options (already checked); fallback when the option was not given.
  int whole(std::string_view name, int fallback) const;
  double real(std::string_view name, double fallback) const;

 private:
  std::map<std::string, std::string, std::less<>> values_;
};

// Adds the rows to the command line; their values go to values.
void add_command_options(ProgramOptions& line, std::span<const CommandOption> rows, CommandValues& values);

}  // namespace vexa::cli
