#pragma once
// The text-line dialogue with the board as the subsystems above the link use it.
#include <string_view>

namespace vexa {

inline constexpr int kReplyWaitMs = 3000;

class BoardChannel {
 public:
  virtual ~BoardChannel() = default;
  // Prints the command (unless echo is suppressed), writes it with LF and waits for "Ok"
  // (any letter case) as the next completed line. An empty command succeeds at once.
  virtual bool send_and_wait_ok(std::string_view command) = 0;
  // True when the next line completed after the call (or held for it) equals expected,
  // ignoring case; otherwise prints the reason and returns false.
  virtual bool wait_line(std::string_view expected) = 0;
  // Prints the text as a terminal line and sends it with LF, without waiting.
  virtual void send_line(std::string_view text) = 0;
  // File transfers: received bytes are not shown and commands not printed while it is on.
  virtual void set_echo_suppressed(bool on) = 0;
};

}  // namespace vexa
