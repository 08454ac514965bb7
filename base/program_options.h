#pragma once
// The command lines of vexacli and vexaboard: options as table rows, parsed by CLI11 (which
// also writes "--help"), values checked and applied by the rows in command-line order, every
// error one line that names the option and why.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

struct OptionSpec {
  std::string_view name;        // "--reply-delay"
  std::string_view value_name;  // "MS"; empty: a flag, which takes no value
  std::string_view group;       // the heading "--help" lists it under
  std::string_view help;        // one line
};

// An option and what it does to a Target: apply gets the option's name and its value ("" for
// a flag) each time the option appears, and returns why the value is wrong (empty: fine).
template <class Target>
struct OptionRow {
  OptionSpec spec;
  std::string (*apply)(Target& target, std::string_view name, const std::string& value);
};

// The exit status of a program whose command line is wrong.
inline constexpr int kUsageExitStatus = 2;

// "where: reason" and the pointer to the help, as the programs print a wrong command line
// (where: the program, or the program and its command).
std::string usage_error_text(std::string_view where, std::string_view reason);

class ProgramOptions {
 public:
  using Apply = std::function<std::string(const std::string& value)>;

  // usage: what follows the program (or command) name on the help's usage line.
  ProgramOptions(std::string program, std::string description, std::string usage);
  ~ProgramOptions();
  ProgramOptions(const ProgramOptions&) = delete;
  ProgramOptions& operator=(const ProgramOptions&) = delete;

  void set_version(std::string line);  // adds "--version", which prints line
  void set_footer(std::string text);   // the last lines of "--help"

  void add(const OptionSpec& spec, Apply apply);
  template <class Target, class Rows>
  void add_rows(const Rows& rows, Target& target) {
    for (const OptionRow<Target>& row : rows)
      add(row.spec, [&target, row](const std::string& value) { return row.apply(target, row.spec.name, value); });
  }

  // A command with its own options (and "--help"); the words after it that are no options are
  // its arguments.
  ProgramOptions& add_command(std::string name, std::string summary, std::string usage);

  enum class Outcome { run, help, version, error };
  struct Result {
    Outcome outcome = Outcome::run;
    std::string text;   // the help, the version line, or why the command line is wrong (one line)
    std::string where;  // who says so: "vexacli" or "vexacli send"
    // The error as the program prints it, with the pointer to the help.
    std::string error_text() const { return usage_error_text(where, text); }
  };
  // Parses the arguments (without the program name). Only once per ProgramOptions.
  Result parse(const std::vector<std::string>& args);

  // After parse: the command given (nullptr when none) and this line's arguments.
  const ProgramOptions* chosen_command() const;
  const std::string& name() const;
  const std::vector<std::string>& arguments() const;

  std::string help() const;

  // A bash completion script for the program, made from its options and commands (the hidden
  // option "--bash-completion" prints it, so that the package installs what the program takes).
  std::string bash_completion() const;

 private:
  struct Impl;
  ProgramOptions(ProgramOptions* parent, std::string name, std::string summary, std::string usage);
  std::unique_ptr<Impl> impl_;
};

}  // namespace vexa
