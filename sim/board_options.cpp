#include "sim/board_options.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <sstream>

#include "app/text_format.h"
#include "platform/serial_tty.h"
#include "sim/log_options.h"

namespace vexa::sim {

namespace {

std::optional<long> whole_number(const std::string& text) {
  long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

OptionsResult failure(std::string error) { return {std::nullopt, std::move(error)}; }

}  // namespace

std::string board_usage_text() {
  return std::string(
             "usage: vexaboard --type E|F|S [--firmware N] [--name NAME]\n"
         "                 (--pty PATH | --tcp HOST:PORT) [--conf FILE]\n"
         "                 [--reply-delay MS] [--drop-reply N] [--noise] [--pace]\n"
         "                 [--selftest-fail LIST] [--selftest-res-once]\n"
         "                 [--samba] [--flash-out FILE]\n"
         "A simulated VexaLog board that answers the board's text-line commands.\n"
         "  --type E|F|S       board type\n"
         "  --firmware N       firmware version 400..2999 (default 1404)\n"
         "  --name NAME        board name of 1 to 20 letters and digits (default VexaLog)\n"
         "  --pty PATH         serve on a pseudo-terminal; PATH becomes a link to it\n"
         "  --tcp HOST:PORT    serve on a TCP port (port 0 picks a free one)\n"
         "  --conf FILE        start from a configuration file (key=value lines)\n"
         "  --reply-delay MS   wait MS milliseconds before each reply\n"
         "  --drop-reply N     never send every N-th reply\n"
         "  --noise            send junk lines between reply lines\n"
         "  --pace             send no faster than the board's link speed\n"
         "  --selftest-fail LIST  self-test results that fail: ") +
         self_test_failure_names() + "\n"
         "  --selftest-res-once   the resolution self-test fails the first time only\n"
         "  --samba            start in the chip's SAM-BA boot monitor (otherwise \"dl\",\n"
         "                     then \"samba\" enter it); an AT91SAM7S256 at 115200 baud\n"
         + download_usage_text() + vanish_usage_text() + std::string(kLogOptionsUsage) +
         "  --help             this text\n"
         "Runs until interrupted (SIGINT or SIGTERM).\n";
}

OptionsResult parse_board_options(const std::vector<std::string>& args) {
  BoardOptions options;
  bool have_type = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> inline_value;
    if (auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
      inline_value = name.substr(equals + 1);
      name = name.substr(0, equals);
    }
    auto value = [&]() -> std::optional<std::string> {
      if (inline_value) return inline_value;
      if (i + 1 < args.size()) return args[++i];
      return std::nullopt;
    };
    auto flag = [&]() { return !inline_value; };

    if (name == "--help" || name == "-h") {
      options.help = true;
      return {options, {}};
    }
    if (name == "--samba") {
      if (!flag()) return failure(name + " takes no value");
      options.samba.start_in_monitor = true;
      continue;
    }
    if (name == "--noise" || name == "--pace") {
      if (!flag()) return failure(name + " takes no value");
      (name == "--noise" ? options.faults.noise : options.faults.pace) = true;
      continue;
    }
    if (download_option_takes_value(name) || name.rfind("--card", 0) == 0 ||
        name == "--no-banner" || name == "--script-crlf") {
      std::optional<std::string> given;
      if (download_option_takes_value(name)) given = value();
      else if (inline_value) given = inline_value;
      auto problem = parse_download_option(name, given, options.download);
      if (problem && !problem->empty()) return failure(*problem);
      if (problem) continue;
    }
    if (auto problem = parse_vanish_option(name, is_vanish_option(name) ? value() : inline_value, options.vanish)) {
      if (!problem->empty()) return failure(*problem);
      continue;
    }
    if (name == "--selftest-res-once") {
      if (!flag()) return failure(name + " takes no value");
      options.self_test.resolution_fails_once = true;
      continue;
    }
    if (name == "--selftest-fail") {
      auto list = value();
      if (!list) return failure(name + " needs a value");
      if (std::string problem = parse_self_test_failures(*list, options.self_test); !problem.empty())
        return failure(problem);
      continue;
    }
    if (is_log_option(name)) {
      auto given = value();
      if (!given) return failure(name + " needs a value");
      if (std::string problem = apply_log_option(name, *given, options.logs); !problem.empty())
        return failure(problem);
      continue;
    }
    if (name != "--type" && name != "--firmware" && name != "--name" && name != "--pty" &&
        name != "--tcp" && name != "--conf" && name != "--reply-delay" && name != "--drop-reply")
      return failure("unknown option " + args[i]);
    auto given = value();
    if (!given) return failure(name + " needs a value");
    const std::string& text = *given;

    if (name == "--type") {
      if (text.size() != 1 || !is_board_type(text[0]))
        return failure("--type must be E, F or S, not '" + text + "'");
      options.kind.type = text[0];
      have_type = true;
    } else if (name == "--firmware") {
      auto number = whole_number(text);
      if (!number || !is_firmware_version(*number))
        return failure(format_text("--firmware must be a version from %d to %d, not '%s'",
                                   kLowestFirmware, kHighestFirmware, text.c_str()));
      options.kind.firmware = static_cast<int>(*number);
    } else if (name == "--name") {
      if (!is_board_name(text))
        return failure(format_text("--name must be 1 to %zu letters and digits, not '%s'",
                                   kBoardNameChars, text.c_str()));
      options.kind.name = text;
    } else if (name == "--pty") {
      if (text.empty()) return failure("--pty needs a path");
      options.pty_path = text;
    } else if (name == "--tcp") {
      auto colon = text.rfind(':');
      auto port = colon == std::string::npos ? std::nullopt : whole_number(text.substr(colon + 1));
      if (colon == std::string::npos || colon == 0 || !port || *port < 0 || *port > 65535)
        return failure("--tcp must be HOST:PORT with a port from 0 to 65535, not '" + text + "'");
      options.tcp_host = text.substr(0, colon);
      options.tcp_port = static_cast<int>(*port);
    } else if (name == "--conf") {
      if (text.empty()) return failure("--conf needs a file");
      options.conf_path = text;
    } else if (name == "--reply-delay") {
      auto number = whole_number(text);
      if (!number || *number < 0 || *number > kLongestReplyDelayMs)
        return failure(format_text("--reply-delay must be 0 to %d milliseconds, not '%s'",
                                   kLongestReplyDelayMs, text.c_str()));
      options.faults.reply_delay_ms = static_cast<int>(*number);
    } else {  // --drop-reply
      auto number = whole_number(text);
      if (!number || *number < 1 || *number > 1000000)
        return failure("--drop-reply must be a count from 1 to 1000000, not '" + text + "'");
      options.faults.drop_every = static_cast<int>(*number);
    }
  }
  if (!have_type) return failure("--type E|F|S is required");
  if (options.pty_path.empty() == options.tcp_host.empty())
    return failure("give exactly one of --pty PATH and --tcp HOST:PORT");
  // An S board has a page loader only when one is named.
  const bool loader_named = std::any_of(args.begin(), args.end(), [](const std::string& a) {
    return a == "--loader" || a.rfind("--loader=", 0) == 0;
  });
  if (!loader_named)
    options.download.loader.banner =
        options.download.loader.banner && default_download_options(options.kind.type).loader.banner;
  // One flash file: the loader writes its image there, the SAM-BA chip its flash at each reset.
  options.samba.flash_out = options.download.loader.flash_out;
  return {options, {}};
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
