#pragma once
// The command line of vexaboard, read into options without touching anything else.
#include <optional>
#include <string>
#include <vector>

#include "sim/board_kind.h"
#include "sim/board_server.h"
#include "sim/self_test.h"
#include "sim/logged_file.h"
#include "sim/download_side.h"
#include "sim/vanish_options.h"

namespace vexa::sim {

struct BoardOptions {
  BoardKind kind;
  std::string pty_path;   // one of pty_path and tcp_host is set
  std::string tcp_host;
  int tcp_port = 0;
  std::string conf_path;  // empty: the factory standard
  FaultOptions faults;
  SelfTestOptions self_test;
  SambaOptions samba;
  std::vector<LogFileSpec> logs;  // logged files the board keeps
  DownloadSideOptions download;
  VanishOptions vanish;
  bool help = false;     // "--help": print the help (OptionsResult::text), nothing else
  bool version = false;  // "--version": likewise with the version line
};

struct OptionsResult {
  std::optional<BoardOptions> options;  // nothing when the command line is wrong
  std::string error;                    // why not, one line
  std::string text;                     // what "--help" or "--version" prints
};

// Reads "--type E|F|S (--pty PATH | --tcp HOST:PORT) [options]" as board_usage_text() lists
// them; "--opt=value" works too. "--help" or "--version" alone is enough.
OptionsResult parse_board_options(const std::vector<std::string>& args);

std::string board_usage_text();

// The configuration the options start from: the factory standard, then the --conf file over
// it. Messages for keys the board does not have go to warnings; an unreadable file is an
// error (returned text, configuration untouched).
std::string load_start_configuration(const BoardOptions& options,
                                     BoardConfiguration& configuration,
                                     std::vector<std::string>& warnings);

}  // namespace vexa::sim
