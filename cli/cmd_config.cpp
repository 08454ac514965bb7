// vexacli's configuration commands: get-conf, put-conf, compare, erase and set-time.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <thread>

#include "cli/board_link.h"
#include "base/program_options.h"
#include "cli/command_options.h"
#include "cli/commands.h"
#include "cli/line_watch.h"
#include "config/board_identity.h"
#include "config/time_command.h"
#include "platform/atomic_file.h"
#include "platform/serial_tty.h"
#include "platform/system_error.h"

namespace vexa::cli {
namespace {

// A board that never stops talking is taken as done after this long.
constexpr std::int64_t kMaxListenMs = 120000;

// The core's configuration side, with a watch that hears every received line after the
// exchange has taken it. The receive thread is stopped before the watch goes.
class ConfigSession {
 public:
  ConfigSession(const CommonOptions& options, std::ostream& out) : board_(options, out) {
    identity().add_listener(&seen_);
    watch_lines_ = board_.session().consumers().add(line_place::configuration, watch_);
  }
  ~ConfigSession() {
    board_.session().stop();
    watch_lines_.reset();
    identity().remove_listener(&seen_);
    board_.terminal().flush();
  }

  bool connect(std::ostream& err) { return board_.connect(err); }

  // Asks for the configuration and absorbs the reply until the board has been quiet for
  // quiet_ms. False when no line came within the reply time-out.
  bool fetch_configuration(int quiet_ms, std::ostream& err, std::string_view command) {
    const std::uint64_t before = watch_.lines();
    if (!exchange().request_configuration()) return false;
    return wait_quiet(before, quiet_ms, err, command);
  }

  bool wait_quiet(std::uint64_t before, int quiet_ms, std::ostream& err, std::string_view command) {
    const std::int64_t start = steady_ms();
    while (watch_.lines() == before) {
      if (steady_ms() - start > kReplyWaitMs) {
        board_.terminal().flush();
        err << "vexacli " << command << ": the board did not answer within "
            << kReplyWaitMs / 1000 << " s\n";
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    while (steady_ms() - watch_.last_ms() < quiet_ms && steady_ms() - start < kMaxListenMs)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    board_.terminal().flush();
    return true;
  }

  BoardLink& board() { return board_; }
  Configuration& config() { return board_.core().configuration(); }
  BoardIdentity& identity() { return board_.core().board(); }
  ConfigExchange& exchange() { return board_.core().exchange(); }
  ConfigFiles& files() { return board_.core().files(); }
  bool identity_seen() const { return seen_.seen(); }
  std::uint64_t lines_seen() const { return watch_.lines(); }

 private:
  BoardLink board_;
  QuietWatch watch_;
  IdentitySeen seen_;
  LineRegistration watch_lines_;
};

// --target must be an identity line; checked before the link is opened.
bool target_usable(const CommandContext& context) {
  if (context.options.target.empty() || parse_identity_line(context.options.target)) return true;
  usage_error(context, "--target wants an identity line such as \"" + context.options.identity.target_s +
                           "\", not '" + context.options.target + "'");
  return false;
}

void apply_target(ConfigSession& session, const CommandContext& context) {
  if (!context.options.target.empty()) session.identity().accept_identity(context.options.target);
}

int quiet_ms_of(const CommandContext& context) {
  return context.values.whole(kQuietMsOption.spec.name, kDefaultQuietMs);
}

bool no_more_args(const CommandContext& context, std::size_t allowed, std::string_view what) {
  if (context.args.size() <= allowed) return true;
  usage_error(context, what);
  return false;
}

}  // namespace

int run_get_conf(CommandContext& context) {
  if (!target_usable(context) || !no_more_args(context, 1, "give at most one FILE")) return kUsageExitStatus;
  ConfigSession session(context.options, context.out);
  apply_target(session, context);
  if (!session.connect(context.err)) return 1;
  if (!session.fetch_configuration(quiet_ms_of(context), context.err, "get-conf")) return 1;
  if (context.args.empty()) {
    if (session.config().has_any_value()) return 0;
    session.board().terminal().print_line(session.board().messages().message("Mnoconf"));
    return 1;
  }
  GivenPathChooser chooser(context.args[0]);
  return session.files().save_configuration(chooser) ? 0 : 1;
}

int run_put_conf(CommandContext& context) {
  if (!target_usable(context)) return kUsageExitStatus;
  if (context.args.size() != 1) return usage_error(context, "give exactly one FILE");
  // A file that cannot be read stops the command before it talks to the board.
  if (const int error = readable_file_error(context.args[0])) {
    context.err << "vexacli put-conf: cannot read " << context.args[0] << ": " << system_error_text(error)
                << "; nothing was sent\n";
    return 1;
  }
  ConfigSession session(context.options, context.out);
  if (!session.connect(context.err)) return 1;
  if (context.options.target.empty()) {
    // The keys to send depend on the board: ask it who it is, as "Load from board" does.
    if (!session.fetch_configuration(quiet_ms_of(context), context.err, "put-conf")) return 1;
    if (!session.identity_seen())
      context.err << "vexacli put-conf: the board sent no identity line; sending for \""
                  << session.identity().line() << "\"\n";
  } else {
    apply_target(session, context);
  }
  GivenPathChooser chooser(context.args[0]);
  if (!session.files().load_configuration(chooser)) return 1;
  return session.exchange().download_configuration() ? 0 : 1;
}

int run_compare(CommandContext& context) {
  if (!target_usable(context)) return kUsageExitStatus;
  if (context.args.size() != 1) return usage_error(context, "give exactly one FILE");
  ConfigSession session(context.options, context.out);
  apply_target(session, context);
  if (!session.connect(context.err)) return 1;
  if (!session.fetch_configuration(quiet_ms_of(context), context.err, "compare")) return 1;
  GivenPathChooser chooser(context.args[0]);
  int errors = 0;
  if (!session.files().compare_configuration(chooser, &errors)) return 1;
  return errors == 0 ? 0 : 1;
}

int run_erase(CommandContext& context) {
  if (!target_usable(context) || !no_more_args(context, 0, "takes no arguments")) return kUsageExitStatus;
  ConfigSession session(context.options, context.out);
  apply_target(session, context);
  if (!session.connect(context.err)) return 1;
  // The reply is the factory configuration, absorbed like any "conf" reply.
  const std::uint64_t before = session.lines_seen();
  if (!session.exchange().erase_to_factory()) return 1;
  return session.wait_quiet(before, quiet_ms_of(context), context.err, "erase") ? 0 : 1;
}

int run_set_time(CommandContext& context) {
  if (!no_more_args(context, 1, "give at most one mode: now, hour-earlier or next-second")) return kUsageExitStatus;
  TimeMode mode = TimeMode::now;
  if (!context.args.empty()) {
    const std::string& word = context.args[0];
    if (word == "now") mode = TimeMode::now;
    else if (word == "hour-earlier") mode = TimeMode::hour_earlier;
    else if (word == "next-second") mode = TimeMode::next_second;
    else return usage_error(context, "the mode is now, hour-earlier or next-second, not '" + word + "'");
  }
  BoardLink board(context.options, context.out);
  if (!board.connect(context.err)) return 1;
  const std::string command = time_command(SystemClock::instance(), mode, "");
  board.terminal().print_line(command);
  const bool written = board.session().write_text(command + "\n");
  board.terminal().flush();
  return written ? 0 : 1;
}

}  // namespace vexa::cli
