// vexaboard: a simulated board on a pseudo-terminal or a TCP port, until SIGINT or SIGTERM.
#include <signal.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "base/program_options.h"
#include "sim/board_options.h"
#include "sim/board_server.h"

int main(int argc, char** argv) {
  using namespace vexa::sim;
  std::vector<std::string> args(argv + 1, argv + argc);
  OptionsResult parsed = parse_board_options(args);
  if (!parsed.options) {
    std::fputs(vexa::usage_error_text("vexaboard", parsed.error).c_str(), stderr);
    return vexa::kUsageExitStatus;
  }
  const BoardOptions& options = *parsed.options;
  if (options.help || options.version) {
    std::fputs(parsed.text.c_str(), stdout);
    return 0;
  }

  BoardConfiguration configuration(options.kind);
  std::vector<std::string> warnings;
  std::string problem = load_start_configuration(options, configuration, warnings);
  if (!problem.empty()) {
    std::fprintf(stderr, "vexaboard: %s\n", problem.c_str());
    return 2;
  }
  for (const std::string& warning : warnings)
    std::fprintf(stderr, "vexaboard: warning: %s\n", warning.c_str());

  // The signals are taken by sigwait below, never by a handler, so the server thread (which
  // inherits this mask) is never interrupted by them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  BoardServer server(std::move(configuration), options.faults);
  server.with_board([&](SimulatedBoard& board) {
    board.self_test().set_options(options.self_test);
    for (const LogFileSpec& log : options.logs) board.uploads().add_file(log);
    board.download_side().configure(options.download);
  });
  SambaOptions samba = options.samba;
  samba.announce = true;
  server.set_samba_options(std::move(samba));
  server.set_vanish(options.vanish);
  problem = options.pty_path.empty() ? server.start_tcp(options.tcp_host, options.tcp_port)
                                     : server.start_pty(options.pty_path);
  if (!problem.empty()) {
    std::fprintf(stderr, "vexaboard: %s\n", problem.c_str());
    return 1;
  }
  std::printf("vexaboard: %s listening on %s\n", options.kind.identity_line().c_str(),
              server.listening_text().c_str());
  std::fflush(stdout);

  int received = 0;
  sigwait(&signals, &received);
  server.stop();
  return 0;
}
