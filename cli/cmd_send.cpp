// vexacli send LINE [--wait-ok] [--listen SECONDS]: one command line to the board.
#include <chrono>
#include <ostream>
#include <thread>

#include "cli/board_link.h"
#include "cli/command_options.h"
#include "cli/commands.h"

namespace vexa::cli {

int run_send(CommandContext& context) {
  const bool wait_ok = context.values.has(kWaitOkOption.spec.name);
  const double listen_s = context.values.real(kListenOption.spec.name, 0);
  if (context.args.size() != 1) return usage_error(context, "give exactly one LINE (quote it when it holds blanks)");
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
