#include "cli/cli_app.h"

#include <charconv>
#include <ostream>

#include "app/identity.h"
#include "cli/command.h"
#include "cli/start_settings.h"

namespace vexa::cli {

namespace {

struct OptionRule {
  std::string_view name;
  std::string_view help;
};

constexpr OptionRule kOptionHelp[] = {
    {"--port PATH|COMn", "the serial port (COMn stands for /dev/ttyS(n-1))"},
    {"--tcp \"ADDR PORT\"", "a board behind a TCP/IP link instead of a port"},
    {"--baud N", "the port speed (default: the settings' speed)"},
    {"--lang e|f|d", "language of the report lines: English, French, German"},
    {"--log 0|1|2", "capture log: off, plain, with time stamps"},
    {"--target IDENTITY", "take the board identity from this line, e.g. \"VexaLog S v1404\""},
    {"--settings DIR", "folder of the settings and log files (default: the working directory)"},
    {"--help", "show this text"},
    {"--version", "show the product name and version"},
};

bool parse_int(const std::string& text, int& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string usage_text() {
  std::string text =
      "Usage: vexacli [options] command [arguments]\n"
      "\n"
      "VexaTerm without windows: talks to a VexaLog board from scripts.\n"
      "\nOptions:\n";
  for (const auto& rule : kOptionHelp) {
    std::string name(rule.name);
    name.resize(std::max<std::size_t>(name.size() + 2, 22), ' ');
    text += "  " + name + std::string(rule.help) + "\n";
  }
  text += "\nCommands:\n";
  for (const auto& command : command_table()) {
    text += "  " + std::string(command.name);
    if (!command.usage.empty()) text += " " + std::string(command.usage);
    text += "\n      " + std::string(command.summary) + "\n";
  }
  return text;
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const std::string& program_path) {
  CommonOptions options;
  GivenOptions given;
  std::size_t i = 0;
  auto value_of = [&](const std::string& name, std::string& value) {
    if (i + 1 >= args.size()) {
      err << "vexacli: option " << name << " needs a value (see vexacli --help)\n";
      return false;
    }
    value = args[++i];
    return true;
  };
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) != 0) break;
    std::string value;
    if (a == "--help" || a == "-h") {
      out << usage_text();
      return 0;
    } else if (a == "--version") {
      out << make_identity(program_path, ".").product_name << " " << kProgramVersion << "\n";
      return 0;
    } else if (a == "--port") {
      if (!value_of(a, options.port)) return 2;
    } else if (a == "--tcp") {
      if (!value_of(a, options.tcp)) return 2;
    } else if (a == "--target") {
      if (!value_of(a, options.target)) return 2;
    } else if (a == "--settings") {
      if (!value_of(a, options.settings_dir)) return 2;
    } else if (a == "--baud") {
      int baud = 0;
      if (!value_of(a, value)) return 2;
      if (!parse_int(value, baud) || baud <= 0) {
        err << "vexacli: --baud wants a positive number, not '" << value << "'\n";
        return 2;
      }
      given.baud = baud;
    } else if (a == "--lang") {
      if (!value_of(a, value)) return 2;
      if (value.size() != 1 || std::string_view("efd").find(value[0]) == std::string_view::npos) {
        err << "vexacli: --lang wants e, f or d, not '" << value << "'\n";
        return 2;
      }
      given.language = value[0];
    } else if (a == "--log") {
      if (!value_of(a, value)) return 2;
      int mode = -1;
      if (!parse_int(value, mode) || mode < 0 || mode > 2) {
        err << "vexacli: --log wants 0, 1 or 2, not '" << value << "'\n";
        return 2;
      }
      given.log_mode = mode;
    } else {
      err << "vexacli: unknown option '" << a << "' (see vexacli --help)\n";
      return 2;
    }
  }
  if (i >= args.size()) {
    out << usage_text();
    return 0;
  }
  const Command* command = find_command(args[i]);
  if (!command) {
    err << "vexacli: unknown command '" << args[i] << "' (see vexacli --help)\n";
    return 2;
  }
  apply_start_settings(options, given, program_path);
  CommandContext context{options, {args.begin() + static_cast<long>(i) + 1, args.end()}, out, err};
  return command->run(context);
}

}  // namespace vexa::cli
