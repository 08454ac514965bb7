#pragma once
// Dialing a board behind a telephone modem with Hayes commands, supervising the carrier line
// and hanging up. With the link "tcp/ip" the same button opens and closes the TCP connection.
// Everything here runs on the window thread (call button and the 100 ms timer).
#include <optional>
#include <string>
#include <string_view>

#include "app/messages.h"
#include "link/call_state.h"
#include "terminal/report_sink.h"

namespace vexa {

inline constexpr std::size_t kPhoneTextChars = 99;   // phone text and the phone field
inline constexpr std::size_t kDialNumberChars = 99;  // 100-character dial buffer
inline constexpr std::size_t kDialMinDigits = 4;
inline constexpr int kHangUpTicks = 11;  // "+++", then "ATH" on the tenth 100 ms tick after it

// The link as the dialer needs it.
class ModemPort {
 public:
  virtual ~ModemPort() = default;
  // The link name is "tcp/ip".
  virtual bool is_tcp() = 0;
  // The TCP client's call button action.
  virtual void tcp_toggle(bool clicked) = 0;
  virtual bool is_open() = 0;
  // Opens the serial port as the open button would; true when it is open afterwards.
  virtual bool open() = 0;
  // The receive-line-signal-detect (DCD) modem status line.
  virtual bool carrier_detect() = 0;
  // Writes text to the link as it stands.
  virtual bool write_text(std::string_view text) = 0;
};

enum class ButtonCheck : int { unchecked = 0, checked = 1, indeterminate = 2 };

// What the three-state call button shows.
struct CallButtonLook {
  ButtonCheck check = ButtonCheck::unchecked;
  std::string caption;
  bool enabled = true;
  bool operator==(const CallButtonLook&) const = default;
};

CallButtonLook call_button_look(CallState state, const Messages& messages);

// The main window parts the dialer reads and sets.
class ModemWindow {
 public:
  virtual ~ModemWindow() = default;
  // The phone number field's text.
  virtual std::string phone_field_text() = 0;
  // Status field 770; also prints the text as a terminal line.
  virtual void set_status(std::string_view text) = 0;
  virtual void show_call_button(const CallButtonLook& look) = 0;
};

// The number to dial: the first word (at the start or after a blank) that begins with at least
// four decimal digits, cut after its leading digits; nothing when no word does.
std::optional<std::string> dial_number(std::string_view text);

class ModemDialer {
 public:
  ModemDialer(ModemPort& port, ModemWindow& window, ReportSink& terminal, const Messages& messages,
              SharedCallState& call_state);

  // clicked: the call button (true) or the 100 ms timer (false).
  void modem_tick(bool clicked);
  // Sets the call button's look from the call state (the TCP client calls it too).
  void update_call_button();

  CallState call_state() const { return call_state_.load(); }
  int hang_up_countdown() const { return countdown_; }
  // The phone text of the last call started.
  const std::string& phone_text() const { return phone_text_; }

 private:
  void click();
  void set_state(CallState state) { call_state_.store(state); }

  ModemPort& port_;
  ModemWindow& window_;
  ReportSink& terminal_;
  const Messages& messages_;
  SharedCallState& call_state_;
  int countdown_ = 0;
  std::string phone_text_;
};

}  // namespace vexa
