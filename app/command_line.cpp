#include "app/command_line.h"

#include <cctype>
#include <string_view>

#include "app/identity.h"

namespace vexa {

std::string command_line_help() {
  return "Usage: vexaterm [options]\n"
         "\n"
         "The VexaLog terminal and configuration program.\n"
         "\n"
         "Options:\n"
         "  --simulate E|F|S    start with a simulated board of that type on a pseudo-terminal,\n"
         "                      selected as the port at the board's speed and opened\n"
         "  --help              show this text\n";
}

CommandLine parse_command_line(int argc, char** argv) {
  CommandLine line;
  if (argc > 0 && argv[0]) line.options.session.argv0 = running_program_path(argv[0]);
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      line.help = true;
    } else if (a == "--simulate" || a.rfind("--simulate=", 0) == 0) {
      std::string value;
      if (a == "--simulate") {
        if (i + 1 >= argc) {
          line.error = "vexaterm: --simulate needs a board type: E, F or S";
          return line;
        }
        value = argv[++i];
      } else {
        value = a.substr(11);
      }
      if (value.size() != 1 || std::string_view("EFSefs").find(value[0]) == std::string_view::npos) {
        line.error = "vexaterm: --simulate wants E, F or S, not '" + value + "'";
        return line;
      }
      line.options.simulate = static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])));
    } else if (a.rfind("-platform", 0) == 0 || a.rfind("-style", 0) == 0) {
      ++i;  // Qt's own options
    } else {
      line.error = "vexaterm: unknown option '" + a + "' (see vexaterm --help)";
      return line;
    }
  }
  return line;
}

}  // namespace vexa
