#pragma once
// The protocol engine of a simulated board: received bytes in, reply lines out.
//
// Framing: LF or CR ends a command line (an empty line is ignored, so CR LF counts once);
// NUL bytes are dropped; a line keeps at most kCommandLineChars characters. Commands on one
// line are separated by ';' and run in order, except that a macro assignment (m<n>=...) takes
// the rest of the line, ';' included. Nothing is echoed.
//
// Every non-empty command line gets exactly one status line, always its last reply line:
// "Ok" when the whole line was accepted, otherwise one "Error ..." line and nothing of the
// line is carried out (the line is checked before any of its commands runs). So a host that
// sends assignment lines waits for one "Ok" each, and a host that absorbs the lines of "conf"
// finds the "Ok" harmless (it carries no assignment) and can also take it as the end mark.
//
//   conf                 identity line ('VexaLog S v1404'), assignment lines, "Ok"
//   z                    back to the factory standard, "Ok"
//   ti                   "ti=HHMMSS dt=YYMMDD" (the board clock), "Ok"
//   key=value ...        assignments, several per command separated by blanks; "Ok"
//   ti=HHMMSS dt=YYMMDD  sets the clock (either part alone too), "Ok"
//   a<n>, a?, a 2, a 5,200   live values of the inputs (sim/live_inputs.h), "Ok"
//
// Error lines (a host's assignment reader stores nothing from them: when one quotes an '=', the
// text before it starts with "Error ", which is no key):
//   "Error unknown key <key>"      the key does not exist on this type/firmware, or a
//                                  '.name'/'.type' suffix (those are host-side only)
//   "Error read only <key>"        a statistics counter
//   "Error bad time <key>"         a malformed ti= or dt= value
//   "Error bad assignment <text>"  text in an assignment command that is no assignment
//   "Error unknown command <text>"
//   "Error line too long"
// Reply lines go out ended by CR LF.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "sim/board_clock.h"
#include "sim/board_configuration.h"
#include "sim/self_test.h"
#include "sim/board_uploads.h"
#include "sim/download_side.h"

namespace vexa::sim {

inline constexpr std::size_t kCommandLineChars = 1000;  // the board's input line buffer
inline constexpr std::size_t kErrorDetailChars = 40;    // of the text an error line quotes
inline constexpr std::string_view kReplyLineEnd = "\r\n";

// The reply to one command line: its lines without line ends, the status line last.
struct BoardReply {
  std::vector<std::string> lines;
  std::string raw = {};  // bytes sent before the lines as they stand (loader and card replies)
  bool operator==(const BoardReply&) const = default;
};

class SimulatedBoard {
 public:
  explicit SimulatedBoard(BoardKind kind, const Clock& clock = SystemClock::instance());
  explicit SimulatedBoard(BoardConfiguration configuration,
                          const Clock& clock = SystemClock::instance());

  // Takes received bytes; returns the replies of the command lines they completed, in order.
  std::vector<BoardReply> feed(std::string_view bytes);
  // The same as one byte string, each line ended by CR LF.
  std::string feed_text(std::string_view bytes);
  // Runs one command line (without its line end).
  BoardReply execute_line(std::string_view line);

  // The production self-test's commands and its made-up failures.
  SelfTest& self_test() { return self_test_; }

  // Forgets a half-received line (the host went away).
  void discard_partial_line();

  const BoardConfiguration& configuration() const { return configuration_; }
  BoardConfiguration& configuration() { return configuration_; }
  const BoardClock& clock() const { return clock_; }
  // Logged files, their listings and the speed command.
  BoardUploads& uploads() { return uploads_; }
  const BoardUploads& uploads() const { return uploads_; }
  // The speed of the port the host talks to: the loader's while it runs, else the one "bi=" set,
  // else the configured.
  long link_speed() const {
    if (download_.loader().active()) return download_.loader().row().speed;
    return uploads_.speed() > 0 ? uploads_.speed() : configuration_.link_speed();
  }
  DownloadSide& download_side() { return download_; }
  const DownloadSide& download_side() const { return download_; }

 private:
  BoardConfiguration configuration_;
  BoardClock clock_;
  SelfTest self_test_;
  BoardUploads uploads_;
  DownloadSide download_;
  std::string partial_;
  bool overflowed_ = false;
};

// The commands of a line in the order they run: split at ';' except that a macro, name or type
// assignment takes the rest of the line; blank ones dropped.
std::vector<std::string_view> split_commands(std::string_view line);

// The bytes of a reply: each line followed by CR LF.
std::string reply_text(const BoardReply& reply);

}  // namespace vexa::sim
