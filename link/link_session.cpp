#include "link/link_session.h"

#include <chrono>
#include <thread>

#include "base/text_format.h"
#include "base/cp1252.h"

namespace vexa {

LinkSession::LinkSession(ReportSink& reports, CharSink& echo, const Messages& messages, CaptureLog* log)
    : reports_(reports),
      messages_(messages),
      tcp_(reports, messages),
      port_(reports, messages, tcp_, log),
      receiver_(port_, tcp_, echo, consumers_, replies_, flags_, log) {}

LinkSession::~LinkSession() {
  stop();
  replies_.wake_all();
}

void LinkSession::start() { receiver_.start(); }

void LinkSession::stop() {
  // A connect blocked on the receive thread would hold up the join.
  tcp_.abort_connect();
  receiver_.stop();
}

bool LinkSession::open(std::string_view link_name, std::string_view speed_text, int tcp_wait_ms) {
  port_.select(link_name, speed_text);
  const std::uint64_t connects_before = receiver_.connects_done();
  if (!port_.open_link(false)) return false;
  if (link_name != kTcpLinkName) return true;
  // The receive thread connects; the request is taken at once, the connect may block longer.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(tcp_wait_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (tcp_.connected()) return true;
    if (receiver_.connects_done() != connects_before) return tcp_.connected();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return tcp_.connected();
}

bool LinkSession::close() {
  const bool serial = port_.close_link();
  const bool tcp = tcp_.tcp_close();
  return serial || tcp;
}

bool LinkSession::write_text(std::string_view text) {
  last_write_mark_.store(replies_.mark());
  return port_.write_text(text);
}

bool LinkSession::wait_line_after(std::uint64_t mark, std::string_view expected) {
  expected = expected.substr(0, std::min(expected.find('\r'), expected.find('\n')));
  auto line = replies_.line_after(mark, reply_timeout_ms_.load());
  if (!line) {
    reports_.print_line(format_message(messages_.message("MnoReply"), {1, kWaitTimeoutCode}));
    return false;
  }
  if (equal_nocase(*line, expected)) return true;
  reports_.print_line(format_text("expected: %.*s got: %s", static_cast<int>(expected.size()),
                                  expected.data(), cp1252_to_utf8(*line).c_str()));
  return false;
}

bool LinkSession::wait_line(std::string_view expected) {
  return wait_line_after(last_write_mark_.load(), expected);
}

bool LinkSession::send_and_wait_ok(std::string_view command) {
  if (command.empty()) return true;
  if (!flags_.echo_suppressed.load()) reports_.print_line(command);
  const std::uint64_t mark = replies_.mark();
  last_write_mark_.store(mark);
  std::string text(command);
  text.push_back('\n');
  // A failed write has said why; the wait still runs and ends with the missing reply, as for
  // any command the board never got.
  port_.write_text(text);
  return wait_line_after(mark, "Ok");
}

void LinkSession::send_line(std::string_view text) {
  reports_.print_line(text);
  std::string copy = limited(text, kSendLineChars);
  copy.push_back('\n');
  write_text(copy);
}

}  // namespace vexa
