#include "app/command_line.h"

#include <cctype>
#include <string_view>

#include "base/identity.h"

namespace vexa {

std::string command_line_help() {
  return "Usage: vexaterm [options]\n"
         "\n"
         "The VexaLog terminal and configuration program.\n"
         "\n"
         "Options:\n"
         "  --simulate E|F|S    start with a simulated board of that type on a pseudo-terminal,\n"
         "                      selected as the port at the board's speed and opened\n"
         "  --port PATH         start on this port (a device path, COMn, a gateway's\n"
         "                      rfc2217://HOST:PORT or tcp/ip) and open it\n"
         "  --baud N            start at this speed in bits per second\n"
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
    } else if (a == "--port" || a.rfind("--port=", 0) == 0 || a == "--baud" || a.rfind("--baud=", 0) == 0) {
      const bool is_port = a.rfind("--port", 0) == 0;
      const std::string name = is_port ? "--port" : "--baud";
      std::string value;
      if (a == name) {
        if (i + 1 >= argc) {
          line.error = "vexaterm: " + name + (is_port ? " needs a port: a device path, COMn, rfc2217://HOST:PORT or tcp/ip" : " needs a speed");
          return line;
        }
        value = argv[++i];
      } else {
        value = a.substr(name.size() + 1);
      }
      // The value becomes a settings line: no line ends, and a speed of digits only.
      if (value.empty() || value.find_first_of("\r\n") != std::string::npos ||
          (!is_port && (value.size() > 10 || value.find_first_not_of("0123456789") != std::string::npos ||
                        value.find_first_not_of('0') == std::string::npos))) {
        line.error = "vexaterm: " + name + (is_port ? " wants a port name, not '" : " wants a speed such as 115200 or 250000, not '") +
                     value + "'";
        return line;
      }
      auto& slot = is_port ? line.options.port : line.options.baud;
      slot = value;
      line.options.session.settings_text += (is_port ? "COM=" : "Baud=") + value + "\n";
    } else if (a.rfind("-platform", 0) == 0 || a.rfind("-style", 0) == 0) {
      ++i;  // Qt's own options
    } else {
      line.error = "vexaterm: unknown option '" + a + "' (see vexaterm --help)";
      return line;
    }
  }
  // A simulated board takes the place of the port: the user's is selected, not opened.
  line.options.session.open_at_start = !line.options.port.empty() && !line.options.simulate;
  return line;
}

}  // namespace vexa
