// vexacli terminal: an interactive terminal like picocom. Keystrokes go to the board, what the
// board sends comes out through the terminal rules; Ctrl-] quits.
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <iterator>
#include <ostream>

#include "cli/board_link.h"
#include "cli/commands.h"
#include "cli/command_options.h"
#include "link/link_keys.h"
#include "platform/line_settings.h"
#include "base/cp1252.h"
#include "terminal/key_options.h"
#include "terminal/keyboard.h"

namespace vexa::cli {

namespace {

constexpr unsigned char kQuitKey = 0x1d;  // Ctrl-]
constexpr int kProbeIntervalMs = 100;
constexpr int kDrainAfterEndOfInputMs = 500;

class NoClipboard final : public Clipboard {
 public:
  std::optional<std::string> text() override { return std::nullopt; }
};

constexpr int kEndingSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Puts the controlling terminal in raw mode for as long as it lives, and gives the user's
// settings back also when a signal ends the program (kill, a closed window, kill -INT: in raw
// mode a typed Ctrl-C goes to the board and raises nothing).
class RawInput {
 public:
  RawInput() {
    if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    termios raw = saved_;
    ::cfmakeraw(&raw);
    raw.c_oflag = saved_.c_oflag;  // keep the output's new-line handling
    // The handlers read the saved settings; they are in place before the terminal is raw.
    signal_saved_ = saved_;
    struct sigaction action {};
    action.sa_handler = restore_and_end;
    action.sa_flags = SA_RESETHAND;  // the default action ends the program once the handler returns
    ::sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
      ::sigaction(kEndingSignals[i], &action, &previous_[i]);
    active_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    if (!active_) restore_handlers();
  }
  ~RawInput() {
    if (!active_) return;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    restore_handlers();
  }
  bool active() const { return active_; }

 private:
  static void restore_and_end(int signal_number) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &signal_saved_);  // async-signal-safe
    ::raise(signal_number);  // delivered with the default action as the handler returns
  }
  void restore_handlers() {
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) ::sigaction(kEndingSignals[i], &previous_[i], nullptr);
  }

  // One terminal per process: the settings the signal handlers restore, owned by the RawInput
  // that installed them.
  static inline termios signal_saved_{};
  termios saved_{};
  struct sigaction previous_[std::size(kEndingSignals)] {};
  bool active_ = false;
};

}  // namespace

int run_terminal(CommandContext& context) {
  if (!context.args.empty()) return usage_error(context, "takes no arguments, not '" + context.args[0] + "'");
  // The values were checked by the options' rows: they parse.
  const CommandValues& values = context.values;
  KeyOptions key_options;
  key_options.local_echo = values.has(kEchoOption.spec.name);
  if (auto enter = values.text(kEnterOption.spec.name))
    key_options.enter = parse_enter_mode(*enter).value_or(key_options.enter);
  if (auto backspace = values.text(kBackspaceOption.spec.name))
    key_options.backspace = parse_backspace_mode(*backspace).value_or(key_options.backspace);
  BoardLink board(context.options, context.out);
  if (auto line = values.text(kLineOption.spec.name)) board.session().port().set_line_settings(parse_line_settings(*line));
  board.display().set_hex(values.has(kHexOption.spec.name));
  board.display().set_stamps(values.has(kTimestampsOption.spec.name));
  board.display().set_ansi(values.has(kAnsiOption.spec.name));
  if (!board.connect(context.err, BoardLink::Presence::probed_by_caller)) return 1;
  RawInput raw;
  if (raw.active()) context.err << "Terminal ready; Ctrl-] quits.\r\n";
  LinkKeys keys(board.session().port());
  NoClipboard clipboard;
  TerminalKeyboard keyboard(keys, clipboard, board.terminal(), [] { return false; });
  keyboard.set_options(key_options);

  Utf8Stream typed;
  bool told_unsendable = false;
  auto next_probe = std::chrono::steady_clock::now();
  bool input_open = true;
  auto stop_at = std::chrono::steady_clock::time_point::max();
  while (std::chrono::steady_clock::now() < stop_at) {
    pollfd in{STDIN_FILENO, POLLIN, 0};
    int ready = input_open ? ::poll(&in, 1, kProbeIntervalMs) : 0;
    if (!input_open) ::poll(nullptr, 0, kProbeIntervalMs);
    if (ready > 0) {
      unsigned char keys_read[256];
      ssize_t count = ::read(STDIN_FILENO, keys_read, sizeof keys_read);
      if (count <= 0) {
        // End of piped input: let the board's last answers arrive, then stop.
        input_open = false;
        stop_at = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDrainAfterEndOfInputMs);
      }
      // The user's terminal types UTF-8; the board reads Windows-1252, as the desktop sends it.
      const std::size_t got = count > 0 ? static_cast<std::size_t>(count) : 0;
      const std::u32string typed_now = typed.feed(std::string_view(reinterpret_cast<const char*>(keys_read), got));
      for (char32_t c : typed_now) {
        if (c == kQuitKey) return 0;
        if (keyboard.type_character(c) || told_unsendable) continue;
        context.err << "Not sent: a typed character that the board's code page (Windows-1252) has no byte for; "
                       "such characters are left out."
                    << (raw.active() ? "\r\n" : "\n");
        told_unsendable = true;
      }
    }
    if (std::chrono::steady_clock::now() >= next_probe) {
      board.session().port().probe_port();
      board.terminal().flush();
      next_probe = std::chrono::steady_clock::now() + std::chrono::milliseconds(kProbeIntervalMs);
    }
  }
  return 0;
}

}  // namespace vexa::cli
