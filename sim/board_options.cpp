#include "sim/board_options.h"

#include <cerrno>
#include <charconv>
#include <fstream>
#include <sstream>

#include "base/identity.h"
#include "base/program_options.h"
#include "base/text_format.h"
#include "platform/serial_tty.h"
#include "platform/system_error.h"
#include "sim/log_options.h"

namespace vexa::sim {

namespace {

std::optional<long> whole_number(const std::string& text) {
  long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

using Row = OptionRow<BoardOptions>;
using Value = const std::string&;

// Every option of the board itself; the download side and the logs bring their own rows.
const Row kBoardRows[] = {
    {{"--type", "E|F|S", "Board", "board type (required)"},
     [](BoardOptions& o, std::string_view, Value text) -> std::string {
       if (text.size() != 1 || !is_board_type(text[0])) return "--type must be E, F or S, not '" + text + "'";
       o.kind.type = text[0];
       return {};
     }},
    {{"--firmware", "N", "Board", "firmware version 400..2999 (default 1404)"},
     [](BoardOptions& o, std::string_view, Value text) -> std::string {
       auto number = whole_number(text);
       if (!number || !is_firmware_version(*number))
         return format_text("--firmware must be a version from %d to %d, not '%s'", kLowestFirmware,
                            kHighestFirmware, text.c_str());
       o.kind.firmware = static_cast<int>(*number);
       return {};
     }},
    {{"--name", "NAME", "Board", "board name of 1 to 20 letters and digits (default VexaLog)"},
     [](BoardOptions& o, std::string_view, Value text) -> std::string {
       if (!is_board_name(text))
         return format_text("--name must be 1 to %zu letters and digits, not '%s'", kBoardNameChars, text.c_str());
       o.kind.name = text;
       return {};
     }},
    {{"--conf", "FILE", "Board", "start from a configuration file (key=value lines)"},
     [](BoardOptions& o, std::string_view, Value text) -> std::string {
       if (text.empty()) return "--conf needs a file";
       o.conf_path = text;
       return {};
     }},
    {{"--pty", "PATH", "Link", "serve on a pseudo-terminal; PATH becomes a link to it"},
     [](BoardOptions& o, std::string_view, Value text) -> std::string {
       if (text.empty()) return "--pty needs a path";
       o.pty_path = text;
       return {};
     }},
    {{"--tcp", "HOST:PORT", "Link", "serve on a TCP port (port 0 picks a free one)"},
     [](BoardOptions& o, std::string_view, Value text) -> std::string {
       auto colon = text.rfind(':');
       auto port = colon == std::string::npos ? std::nullopt : whole_number(text.substr(colon + 1));
       if (colon == std::string::npos || colon == 0 || !port || *port < 0 || *port > 65535)
         return "--tcp must be HOST:PORT with a port from 0 to 65535, not '" + text + "'";
       o.tcp_host = text.substr(0, colon);
       o.tcp_port = static_cast<int>(*port);
       return {};
     }},
    {{"--reply-delay", "MS", "Faults", "wait MS milliseconds before each reply"},
     [](BoardOptions& o, std::string_view, Value text) -> std::string {
       auto number = whole_number(text);
       if (!number || *number < 0 || *number > kLongestReplyDelayMs)
         return format_text("--reply-delay must be 0 to %d milliseconds, not '%s'", kLongestReplyDelayMs,
                            text.c_str());
       o.faults.reply_delay_ms = static_cast<int>(*number);
       return {};
     }},
    {{"--drop-reply", "N", "Faults", "never send every N-th reply"},
     [](BoardOptions& o, std::string_view, Value text) -> std::string {
       auto number = whole_number(text);
       if (!number || *number < 1 || *number > 1000000)
         return "--drop-reply must be a count from 1 to 1000000, not '" + text + "'";
       o.faults.drop_every = static_cast<int>(*number);
       return {};
     }},
    {{"--noise", "", "Faults", "send junk lines between reply lines"},
     [](BoardOptions& o, std::string_view, Value) -> std::string {
       o.faults.noise = true;
       return {};
     }},
    {{"--pace", "", "Faults", "send no faster than the board's link speed"},
     [](BoardOptions& o, std::string_view, Value) -> std::string {
       o.faults.pace = true;
       return {};
     }},
    {{"--line-speed", "", "Faults", "on a pty, lose what arrives while its speed is not the board's"},
     [](BoardOptions& o, std::string_view, Value) -> std::string {
       o.faults.line_speed = true;
       return {};
     }},
    {{"--selftest-fail", "LIST", "Self-test", "self-test results that fail, e.g. rtc,res (see below)"},
     [](BoardOptions& o, std::string_view, Value text) { return parse_self_test_failures(text, o.self_test); }},
    {{"--selftest-res-once", "", "Self-test", "the resolution self-test fails the first time only"},
     [](BoardOptions& o, std::string_view, Value) -> std::string {
       o.self_test.resolution_fails_once = true;
       return {};
     }},
    {{"--samba", "", "Download side", "start in the chip's SAM-BA boot monitor"},
     [](BoardOptions& o, std::string_view, Value) -> std::string {
       o.samba.start_in_monitor = true;
       return {};
     }},
};

// The whole command line of vexaboard, filling options as it is parsed.
void add_board_options(ProgramOptions& line, BoardOptions& options) {
  line.set_version(std::string("vexaboard ") + std::to_string(kProgramVersion));
  line.add_rows(kBoardRows, options);
  line.add_rows(vanish_option_rows(), options.vanish);
  line.add_rows(download_option_rows(), options.download);
  line.add_rows(log_option_rows(), options.logs);
  line.set_footer("Self-test names for --selftest-fail: " + self_test_failure_names() +
                  ".\nWithout --samba, \"dl\" then \"samba\" enter the boot monitor (an AT91SAM7S256 at 115200\n"
                  "baud); an S board's \"dl\" leads there unless --loader names a page loader.\n"
                  "Runs until interrupted (SIGINT or SIGTERM).");
}

constexpr const char* kDescription = "A simulated VexaLog board that answers the board's text-line commands.";
constexpr const char* kUsage = "--type E|F|S (--pty PATH | --tcp HOST:PORT) [OPTIONS]";

OptionsResult failure(std::string error) { return {std::nullopt, std::move(error), {}}; }

}  // namespace

std::string board_usage_text() {
  BoardOptions options;
  ProgramOptions line("vexaboard", kDescription, kUsage);
  add_board_options(line, options);
  return line.help();
}

OptionsResult parse_board_options(const std::vector<std::string>& args) {
  BoardOptions options;
  options.kind.type = 0;  // until --type names it: it is required
  ProgramOptions line("vexaboard", kDescription, kUsage);
  add_board_options(line, options);
  const ProgramOptions::Result result = line.parse(args);
  switch (result.outcome) {
    case ProgramOptions::Outcome::error:
      return failure(result.text);
    case ProgramOptions::Outcome::help:
    case ProgramOptions::Outcome::version: {
      BoardOptions shown;
      shown.help = result.outcome == ProgramOptions::Outcome::help;
      shown.version = !shown.help;
      return {shown, {}, result.text};
    }
    case ProgramOptions::Outcome::run:
      break;
  }
  if (options.kind.type == 0) return failure("--type E|F|S is required");
  if (options.pty_path.empty() == options.tcp_host.empty())
    return failure("give exactly one of --pty PATH and --tcp HOST:PORT");
  // An S board has a page loader only when one is named.
  if (!options.download.loader_named)
    options.download.loader.banner =
        options.download.loader.banner && default_download_options(options.kind.type).loader.banner;
  // One flash file: the loader writes its image there, the SAM-BA chip its flash at each reset.
  options.samba.flash_out = options.download.loader.flash_out;
  return {options, {}, {}};
}

std::string load_start_configuration(const BoardOptions& options,
                                     BoardConfiguration& configuration,
                                     std::vector<std::string>& warnings) {
  if (options.conf_path.empty()) return {};
  std::ifstream file(options.conf_path, std::ios::binary);
  if (!file) return "cannot read " + options.conf_path + ": " + system_error_text(errno);
  std::ostringstream text;
  text << file.rdbuf();
  for (std::string& problem : configuration.apply_file_text(text.str()))
    warnings.push_back(options.conf_path + " " + problem);
  return {};
}

}  // namespace vexa::sim
