#include "link/serial_link.h"

#include "base/text_format.h"

namespace vexa {

SerialLink::SerialLink(ReportSink& reports, const Messages& messages, TcpClient& tcp, CaptureLog* log)
    : reports_(reports), messages_(messages), tcp_(tcp), log_(log), serial_(reports, messages, receiver_wake_, log) {}

void SerialLink::select(std::string_view link_name, std::string_view speed_text) {
  std::lock_guard lock(state_mutex_);
  link_name_ = limited(link_name, kLinkNameChars);
  speed_text_ = limited(speed_text, kSelectorChars);
}

std::string SerialLink::link_name() const {
  std::lock_guard lock(state_mutex_);
  return link_name_;
}

std::string SerialLink::speed_text() const {
  std::lock_guard lock(state_mutex_);
  return speed_text_;
}

void SerialLink::set_tcp_address(std::string_view text) {
  std::lock_guard lock(state_mutex_);
  tcp_address_ = std::string(text);
}

std::string SerialLink::tcp_address() const {
  std::lock_guard lock(state_mutex_);
  return tcp_address_;
}

bool SerialLink::link_is_open() const { return serial_.is_open() || tcp_.connected(); }

std::string SerialLink::description() const {
  std::string name;
  std::string speed_text;
  {
    std::lock_guard lock(state_mutex_);
    name = link_name_;
    speed_text = speed_text_;
  }
  return serial_.describe(resolve_port_name(name), leading_integer(speed_text));
}

bool SerialLink::reconfigure(long speed) {
  {
    std::lock_guard lock(state_mutex_);
    speed_text_ = limited(std::to_string(speed), kSelectorChars);
  }
  return serial_.reconfigure(speed);
}

bool SerialLink::open_link(bool reconnect) {
  std::string name;
  std::string speed_text;
  {
    std::lock_guard lock(state_mutex_);
    name = link_name_;
    speed_text = speed_text_;
  }
  if (name == kTcpLinkName) {
    tcp_connect_request_.store(true);
    wake_receiver();
    return true;
  }
  return serial_.open(resolve_port_name(name), leading_integer(speed_text), reconnect);
}

bool SerialLink::write_bytes(const char* bytes, std::size_t length) {
  if (tcp_.connected()) {
    std::lock_guard lock(write_mutex_);
    return tcp_.tcp_send(bytes, length);
  }
  return serial_.write(bytes, length);
}

bool SerialLink::write_text(std::string_view text) {
  if (!link_is_open()) {
    reports_.print_line(messages_.message("MerNoOp"));
    return false;
  }
  if (log_) log_->log_board_text('>', text);
  return write_bytes(text.data(), text.size());
}

bool SerialLink::write_char(char c) {
  if (c == '\0') return false;
  return write_text(std::string_view(&c, 1));
}

int SerialLink::link_read_byte(int wait_ms) {
  if (!serial_.is_open()) return tcp_.tcp_read_byte(wait_ms);
  return serial_.read_byte(wait_ms);
}

bool SerialLink::wait_readable(int wait_ms) {
  // A wake (stop, pause, a port opened) ends the wait at once, whatever it waits on.
  if (receiver_wake_.drain()) return false;
  const int wake = receiver_wake_.descriptor();
  bool readable = false;
  if (serial_.is_open()) {
    if (serial_.has_buffered()) return true;
    readable = serial_.wait_readable(wait_ms, wake);
  } else if (tcp_.connected()) {
    readable = tcp_.wait_readable(wait_ms, wake);
  } else {
    receiver_wake_.wait(wait_ms);
    return false;
  }
  receiver_wake_.drain();
  return readable;
}

void SerialLink::wake_receiver() { receiver_wake_.signal(); }

void SerialLink::probe_port() {
  if (serial_.probe()) open_link(true);
}

}  // namespace vexa
