#include "link/modem_dialer.h"

#include "base/text_format.h"
#include "link/tcp_client.h"

namespace vexa {
namespace {
bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

std::optional<std::string> dial_number(std::string_view text) {
  for (std::size_t start = 0; start < text.size(); ++start) {
    if (start > 0 && !is_blank(text[start - 1])) continue;
    std::size_t end = start;
    while (end < text.size() && is_digit(text[end])) ++end;
    if (end - start >= kDialMinDigits)
      return limited(text.substr(start, end - start), kDialNumberChars);
  }
  return std::nullopt;
}

CallButtonLook call_button_look(CallState state, const Messages& messages) {
  CallButtonLook look;
  look.caption = messages.message("Mphonline");
  switch (state) {
    case CallState::online:
      look.check = ButtonCheck::checked;
      break;
    case CallState::calling:
    case CallState::disconnecting:
      look.check = ButtonCheck::indeterminate;
      break;
    case CallState::offline:
      look.check = ButtonCheck::unchecked;
      break;
  }
  return look;
}

ModemDialer::ModemDialer(BoardPort& port, LinkControl& link, TcpClient& tcp,
                         ModemWindow& window, ReportSink& terminal, const Messages& messages)
    : port_(port),
      link_(link),
      tcp_(tcp),
      window_(window),
      terminal_(terminal),
      messages_(messages),
      call_state_(tcp.shared_call_state()),
      button_(call_button_look(call_state_.load(), messages)) {}

void ModemDialer::update_call_button() { button_ = call_button_look(call_state(), messages_); }

void ModemDialer::take_phone_text() { phone_text_ = limited(window_.phone_field_text(), kPhoneTextChars); }

void ModemDialer::modem_tick(bool clicked) {
  if (port_.is_tcp()) {
    if (clicked) {
      take_phone_text();
      link_.set_tcp_address(phone_text_);
    }
    if (tcp_.tcp_toggle(clicked)) link_.open_link();
    update_call_button();
    return;
  }
  const bool carrier = link_.carrier_detect();
  if (clicked) click_serial();
  if (call_state() == CallState::calling && carrier) {
    set_state(CallState::online);
    window_.set_status(format_text("%s %s", messages_.message("Mphonline").c_str(), phone_text_.c_str()));
  }
  if (call_state() == CallState::disconnecting && countdown_ > 0) {
    if (--countdown_ == 0) {
      terminal_.print_line("ath");
      port_.write_text("ATH\r");
    }
  }
  if (call_state() == CallState::disconnecting && !carrier) {
    set_state(CallState::offline);
    window_.set_status(messages_.message("Mphoffline"));
  }
  update_call_button();
}

void ModemDialer::click_serial() {
  if (call_state() != CallState::offline) {
    set_state(CallState::disconnecting);
    window_.set_status(messages_.message("Mphdisc"));
    terminal_.print_line("+++");
    port_.write_text("+++");  // the modem's escape to command mode: no line end
    countdown_ = kHangUpTicks;
    return;
  }
  take_phone_text();
  const auto number = dial_number(phone_text_);
  if (!number) return;
  if (!link_.serial_open()) link_.open_link();
  if (!link_.serial_open()) return;
  set_state(CallState::calling);
  window_.set_status(format_text("%s %s", messages_.message("Mphcall").c_str(), number->c_str()));
  terminal_.print_line("atd" + *number);
  port_.write_text("atd" + *number + "\r");
}

}  // namespace vexa
