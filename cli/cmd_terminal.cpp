// vexacli terminal: an interactive terminal like picocom. Keystrokes go to the board, what the
// board sends comes out through the terminal rules; Ctrl-] quits.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <ostream>

#include "cli/board_link.h"
#include "cli/commands.h"
#include "terminal/keyboard.h"

namespace vexa::cli {

namespace {

constexpr unsigned char kQuitKey = 0x1d;  // Ctrl-]
constexpr int kProbeIntervalMs = 100;
constexpr int kDrainAfterEndOfInputMs = 500;

class PortKeys final : public KeyboardLink {
 public:
  explicit PortKeys(SerialLink& port) : port_(port) {}
  bool write_char(unsigned char c) override { return port_.write_char(static_cast<char>(c)); }
  bool write_text(std::string_view bytes) override { return port_.write_text(bytes); }

 private:
  SerialLink& port_;
};

class NoClipboard final : public Clipboard {
 public:
  std::optional<std::string> text() override { return std::nullopt; }
};

// Puts the controlling terminal in raw mode for as long as it lives.
class RawInput {
 public:
  RawInput() {
    if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    termios raw = saved_;
    ::cfmakeraw(&raw);
    raw.c_oflag = saved_.c_oflag;  // keep the output's new-line handling
    active_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
  }
  ~RawInput() {
    if (active_) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
  }
  bool active() const { return active_; }

 private:
  termios saved_{};
  bool active_ = false;
};

}  // namespace

int run_terminal(CommandContext& context) {
  if (!context.args.empty()) {
    context.err << "vexacli terminal: takes no arguments\n";
    return 2;
  }
  BoardLink board(context.options, context.out);
  if (!board.connect(context.err)) return 1;
  RawInput raw;
  if (raw.active()) context.err << "Terminal ready; Ctrl-] quits.\r\n";
  PortKeys keys(board.session().port());
  NoClipboard clipboard;
  TerminalKeyboard keyboard(keys, clipboard, board.terminal(), [] { return false; });

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
      for (ssize_t i = 0; i < count; ++i) {
        if (keys_read[i] == kQuitKey) return 0;
        keyboard.key_command(keys_read[i]);
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
