// vexacli send LINE [--wait-ok] [--listen SECONDS]: one command line to the board.
#include <charconv>
#include <chrono>
#include <ostream>
#include <thread>

#include "cli/board_link.h"
#include "cli/commands.h"

namespace vexa::cli {

namespace {

bool parse_seconds(const std::string& text, double& seconds) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  return ec == std::errc() && end == text.data() + text.size() && seconds >= 0 && seconds <= 86400;
}

}  // namespace

int run_send(CommandContext& context) {
  const bool wait_ok = take_flag(context.args, "--wait-ok");
  double listen_s = 0;
  if (auto listen = take_option(context.args, "--listen")) {
    if (!parse_seconds(*listen, listen_s)) {
      context.err << "vexacli send: --listen wants seconds (0 to 86400), not '" << *listen << "'\n";
      return 2;
    }
  }
  if (context.args.size() != 1) {
    context.err << "vexacli send: give exactly one LINE (quote it when it holds blanks)\n";
    return 2;
  }
  BoardLink board(context.options, context.out);
  if (!board.connect(context.err)) return 1;
  const std::string& line = context.args[0];
  bool ok;
  if (wait_ok) {
    ok = board.session().send_and_wait_ok(line);
  } else {
    board.terminal().print_line(line);
    ok = board.session().port().write_text(line + "\n");
  }
  if (listen_s > 0) std::this_thread::sleep_for(std::chrono::duration<double>(listen_s));
  board.terminal().flush();
  return ok ? 0 : 1;
}

}  // namespace vexa::cli
