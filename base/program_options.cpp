#include "base/program_options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <map>

namespace vexa {

namespace {

// CLI11's help with our usage line: the arguments as each program or command names them.
class UsageFormatter final : public CLI::Formatter {
 public:
  void set_usage(const CLI::App* app, std::string usage) { usages_[app] = std::move(usage); }
  std::string make_usage(const CLI::App* app, std::string name) const override {
    auto it = usages_.find(app);
    std::string usage = it == usages_.end() ? std::string() : it->second;
    return get_label("Usage") + ": " + name + (usage.empty() ? "" : " " + usage) + "\n\n";
  }
  // One blank line before each group (CLI11 puts two between groups): the usage line ends
  // with it and the groups bring none of their own.
  std::string make_group(std::string group, bool positional, std::vector<const CLI::Option*> options) const override {
    return CLI::Formatter::make_group(std::move(group), positional, std::move(options)).substr(1);
  }

 private:
  std::map<const CLI::App*, std::string> usages_;
};

constexpr std::size_t kHelpColumn = 28;

bool looks_like_option(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

}  // namespace

std::string usage_error_text(std::string_view where, std::string_view reason) {
  return std::string(where) + ": " + std::string(reason) + "\nRun with --help for more.\n";
}

struct ProgramOptions::Impl {
  std::unique_ptr<CLI::App> owned;  // the program's; a command's belongs to its program's
  CLI::App* app = nullptr;
  ProgramOptions* parent = nullptr;
  std::string name;
  std::vector<std::string> arguments;
  std::vector<std::unique_ptr<ProgramOptions>> commands;
  std::vector<std::string> flags;   // option names without their dashes
  std::vector<std::string> valued;
  std::shared_ptr<UsageFormatter> formatter;

  // Who an error of this line comes from: "vexacli" or "vexacli send".
  std::string where() const { return parent ? parent->impl_->name + " " + name : name; }
};

namespace {

// A value a row refused, with the command line it belongs to.
class RowError : public CLI::ValidationError {
 public:
  RowError(std::string where, std::string reason)
      : CLI::ValidationError(std::move(reason), CLI::ExitCodes::ValidationError), where_(std::move(where)) {}
  const std::string& where() const { return where_; }

 private:
  std::string where_;
};

// "--bash-completion" was given: parse() answers with the script.
class CompletionRequest : public CLI::Success {
 public:
  CompletionRequest() : CLI::Success("bash completion", CLI::ExitCodes::Success) {}
};

}  // namespace

ProgramOptions::ProgramOptions(std::string program, std::string description, std::string usage)
    : impl_(std::make_unique<Impl>()) {
  impl_->owned = std::make_unique<CLI::App>(std::move(description), program);
  impl_->app = impl_->owned.get();
  impl_->name = std::move(program);
  impl_->formatter = std::make_shared<UsageFormatter>();
  impl_->formatter->column_width(kHelpColumn);
  impl_->formatter->label("SUBCOMMAND", "COMMAND");
  impl_->formatter->set_usage(impl_->app, std::move(usage));
  impl_->app->formatter(impl_->formatter);
  impl_->app->set_help_flag("-h,--help", "show this help and exit");
  // Unknown words are left over and reported by parse() in our words.
  impl_->app->allow_extras();
  impl_->app->require_subcommand(0, 1);
  impl_->app->add_flag_callback("--bash-completion", [] { throw CompletionRequest(); })->group("")->trigger_on_parse();
}

ProgramOptions::ProgramOptions(ProgramOptions* parent, std::string name, std::string summary, std::string usage)
    : impl_(std::make_unique<Impl>()) {
  Impl& up = *parent->impl_;
  impl_->app = up.app->add_subcommand(name, std::move(summary));
  impl_->app->group("Commands");
  impl_->parent = parent;
  impl_->name = std::move(name);
  impl_->formatter = up.formatter;
  impl_->formatter->set_usage(impl_->app, std::move(usage));
  impl_->app->formatter(impl_->formatter);
  impl_->app->set_help_flag("-h,--help", "show this help and exit");
  impl_->app->allow_extras();
  impl_->app->add_option("arguments", impl_->arguments)->group("");
}

ProgramOptions::~ProgramOptions() = default;

void ProgramOptions::set_version(std::string line) {
  impl_->app->set_version_flag("--version", std::move(line), "show the program's name and version and exit");
}

void ProgramOptions::set_footer(std::string text) { impl_->app->footer(std::move(text)); }

void ProgramOptions::add(const OptionSpec& spec, Apply apply) {
  const std::string name(spec.name);
  const std::string where = impl_->where();
  // Each appearance is applied at once, so rows that depend on an earlier option (a log's
  // line count after its name) see the command line in its order.
  auto check = [apply = std::move(apply), where](const std::string& value) {
    std::string problem = apply(value);
    if (!problem.empty()) throw RowError(where, std::move(problem));
  };
  const std::string bare = name.substr(name.find_first_not_of('-'));
  CLI::Option* option;
  if (spec.value_name.empty()) {
    option = impl_->app->add_flag_function(name, [check](std::int64_t) { check(""); }, std::string(spec.help));
    option->disable_flag_override();
    impl_->flags.push_back(bare);
  } else {
    option = impl_->app->add_option_function<std::string>(name, check, std::string(spec.help));
    option->type_name(std::string(spec.value_name));
    impl_->valued.push_back(bare);
  }
  option->trigger_on_parse();
  option->group(std::string(spec.group));
}

ProgramOptions& ProgramOptions::add_command(std::string name, std::string summary, std::string usage) {
  impl_->commands.push_back(
      std::unique_ptr<ProgramOptions>(new ProgramOptions(this, std::move(name), std::move(summary), std::move(usage))));
  return *impl_->commands.back();
}

namespace {

// CLI11 names the option first in its "missing value" and "flag given a value" errors.
std::string option_named_in(const std::string& message) {
  std::string word = message.substr(0, message.find_first_of(": "));
  const auto start = word.find_first_not_of('-');
  return start == std::string::npos ? std::string() : word.substr(start);
}

}  // namespace

ProgramOptions::Result ProgramOptions::parse(const std::vector<std::string>& args) {
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    impl_->app->parse(reversed);
  } catch (const CLI::CallForHelp&) {
    return {Outcome::help, help(), impl_->name};
  } catch (const CLI::CallForAllHelp&) {
    return {Outcome::help, help(), impl_->name};
  } catch (const CompletionRequest&) {
    return {Outcome::help, bash_completion(), impl_->name};
  } catch (const CLI::CallForVersion& version) {
    return {Outcome::version, std::string(version.what()) + "\n", impl_->name};
  } catch (const RowError& refused) {
    return {Outcome::error, refused.what(), refused.where()};
  } catch (const CLI::ArgumentMismatch& mismatch) {
    // A value option at the end without its value, or a flag given one ("--noise=1").
    const std::string bare = option_named_in(mismatch.what());
    const ProgramOptions* command = chosen_command();
    for (const ProgramOptions* line : {command, static_cast<const ProgramOptions*>(this)}) {
      if (!line) continue;
      const Impl& in = *line->impl_;
      if (std::find(in.flags.begin(), in.flags.end(), bare) != in.flags.end())
        return {Outcome::error, "--" + bare + " takes no value", in.where()};
      if (std::find(in.valued.begin(), in.valued.end(), bare) != in.valued.end())
        return {Outcome::error, "--" + bare + " needs a value", in.where()};
    }
    return {Outcome::error, mismatch.what(), impl_->name};
  } catch (const CLI::ParseError& error) {
    return {Outcome::error, error.what(), impl_->name};
  }
  for (const std::string& word : impl_->app->remaining()) {
    if (word == "--") continue;
    if (looks_like_option(word)) return {Outcome::error, "unknown option '" + word + "'", impl_->name};
    return {Outcome::error, (impl_->commands.empty() ? "unexpected argument '" : "unknown command '") + word + "'",
            impl_->name};
  }
  if (const ProgramOptions* command = chosen_command()) {
    for (const std::string& word : command->impl_->app->remaining())
      if (word != "--") return {Outcome::error, "unknown option '" + word + "'", command->impl_->where()};
  }
  return {Outcome::run, {}, {}};
}

const ProgramOptions* ProgramOptions::chosen_command() const {
  for (const auto& command : impl_->commands)
    if (command->impl_->app->parsed()) return command.get();
  return nullptr;
}

const std::string& ProgramOptions::name() const { return impl_->name; }

const std::vector<std::string>& ProgramOptions::arguments() const { return impl_->arguments; }

std::string ProgramOptions::help() const {
  std::string text = impl_->app->help();
  // CLI11 ends a help without a footer with blank lines: one line end is enough.
  while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\n\n") == 0) text.pop_back();
  return text;
}

namespace {

std::string joined(const std::vector<std::string>& words, const std::string& before, const char* between) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : between) + before + word;
  return text;
}

}  // namespace

std::string ProgramOptions::bash_completion() const {
  std::string function = "_" + impl_->name;
  for (char& c : function)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  std::vector<std::string> names;
  for (const auto& command : impl_->commands) names.push_back(command->impl_->name);
  std::string text = "# bash completion for " + impl_->name + ", made by " + impl_->name + " --bash-completion\n" +
                     function + "() {\n"
                     "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} command= i\n"
                     "  local options valued words\n";
  if (!names.empty())
    text += "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
            "    case ${COMP_WORDS[i]} in\n"
            "      " + joined(names, "", "|") + ") command=${COMP_WORDS[i]}; break ;;\n"
            "    esac\n"
            "  done\n";
  text += "  case $command in\n";
  auto entry = [&](const ProgramOptions& line, const std::string& label) {
    std::vector<std::string> flags = line.impl_->flags;
    flags.push_back("help");
    if (&line == this) flags.push_back("version");
    text += "    " + label + ") options='" + joined(flags, "--", " ") + " " + joined(line.impl_->valued, "--", " ") +
            "' valued='" + joined(line.impl_->valued, "--", " ") + "'";
    if (&line == this) text += " words='" + joined(names, "", " ") + "'";
    text += " ;;\n";
  };
  entry(*this, "''");
  for (const auto& command : impl_->commands) entry(*command, command->impl_->name);
  text += "  esac\n"
          "  # The value of an option, or an argument: bash's own completion (file names).\n"
          "  case \" $valued \" in *\" $prev \"*) return ;; esac\n"
          "  if [[ $cur == -* ]]; then\n"
          "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
          "  elif [[ -z $command && -n $words ]]; then\n"
          "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
          "  fi\n"
          "}\n"
          "complete -o default -F " + function + " " + impl_->name + "\n";
  return text;
}

}  // namespace vexa
