#pragma once
// Dialing a board behind a telephone modem with Hayes commands, supervising the carrier line
// and hanging up. With the link "tcp/ip" the same button opens and closes the TCP connection.
// Everything here runs on the window thread (call button and the 100 ms timer).
#include <optional>
#include <string>
#include <string_view>

#include "base/board_port.h"
#include "base/messages.h"
#include "link/call_state.h"
#include "link/link_control.h"
#include "base/report_sink.h"

namespace vexa {

class TcpClient;

inline constexpr std::size_t kPhoneTextChars = 99;   // phone text and the phone field
inline constexpr std::size_t kDialNumberChars = 99;  // 100-character dial buffer
inline constexpr std::size_t kDialMinDigits = 4;
inline constexpr int kHangUpTicks = 11;  // "+++", then "ATH" on the tenth 100 ms tick after it

enum class ButtonCheck : int { unchecked = 0, checked = 1, indeterminate = 2 };

// What the three-state call button shows.
struct CallButtonLook {
  ButtonCheck check = ButtonCheck::unchecked;
  std::string caption;
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
};

// The number to dial: the first word (at the start or after a blank) that begins with at least
// four decimal digits, cut after its leading digits; nothing when no word does.
std::optional<std::string> dial_number(std::string_view text);

class ModemDialer {
 public:
  // The call state is the TCP client's, so both halves of the button see one state.
  // The Hayes commands go to port as its text writes (logged with '>').
  ModemDialer(BoardPort& port, LinkControl& link, TcpClient& tcp,
              ModemWindow& window, ReportSink& terminal, const Messages& messages);

  // clicked: the call button (true) or the 100 ms timer (false).
  void modem_tick(bool clicked);
  // Sets the call button's look from the call state.
  void update_call_button();
  // The look the window shows on the call button (control 712), as of the last update.
  const CallButtonLook& call_button() const { return button_; }

  CallState call_state() const { return call_state_.load(); }
  int hang_up_countdown() const { return countdown_; }
  // The phone text taken by the last click (the `phone` setting).
  const std::string& phone_text() const { return phone_text_; }

 private:
  void click_serial();
  void take_phone_text();
  void set_state(CallState state) { call_state_.store(state); }

  BoardPort& port_;
  LinkControl& link_;
  TcpClient& tcp_;
  ModemWindow& window_;
  ReportSink& terminal_;
  const Messages& messages_;
  SharedCallState& call_state_;
  CallButtonLook button_;
  int countdown_ = 0;
  std::string phone_text_;
};

}  // namespace vexa
