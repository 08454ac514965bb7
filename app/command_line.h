#pragma once
// The desktop program's command line: its options, their help text and their parsing.
#include <string>

#include "app/session.h"

namespace vexa {

struct DesktopOptions {
  SessionOptions session;
  char simulate = 0;           // 'E', 'F' or 'S': a simulated board on a pty
  bool open_simulated = true;  // open the simulated board's port at start
  std::string port;            // --port: the link name to start with ("" keeps the settings')
  std::string baud;            // --baud: the speed to start with
};

// Parsed command line of vexaterm; error is set for bad arguments.
struct CommandLine {
  DesktopOptions options;
  bool help = false;
  std::string error;
};

CommandLine parse_command_line(int argc, char** argv);
std::string command_line_help();

}  // namespace vexa
