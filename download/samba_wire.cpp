#include "download/samba_wire.h"

#include <cstdlib>

#include "base/text_format.h"

namespace vexa {

namespace {

constexpr int kAutoBaudPauseMs = 100;
constexpr char kAutoBaudByte = '\x80';

}  // namespace

SambaWire::SambaWire(BoardPort& port, ReportSink& report, const Messages& messages,
                     const Clock& clock, bool verbose, CharSink* echo)
    : port_(port), report_(report), messages_(messages), clock_(clock), verbose_(verbose), echo_(echo) {}

void SambaWire::auto_baud_sync() {
  if (verbose_) report_.print_line(format_text("%ld: \x80\x80#", port_.speed()));
  port_.write_bytes(std::string_view(&kAutoBaudByte, 1));
  sleep(kAutoBaudPauseMs);
  port_.write_bytes(std::string_view(&kAutoBaudByte, 1));
  sleep(kAutoBaudPauseMs);
  port_.write_bytes("#");
  sleep(kAutoBaudPauseMs);
}

bool SambaWire::wait_for_prompt(std::string* buffer, std::size_t size, int waits, bool quiet) {
  if (buffer) buffer->clear();
  bool found = false;
  for (;;) {
    int c = port_.read_byte(0);
    if (c < 0) {
      // The budget is per call: bytes that come do not buy more waiting.
      if (waits <= 0) break;
      --waits;
      c = port_.read_byte(kPromptWaitMs);
    }
    if (c < 0 || c == '\r' || c == '\n') continue;
    if (verbose_ && echo_) echo_->put_char(static_cast<unsigned char>(c));
    if (c == '>') {
      found = true;
      break;
    }
    if (buffer && size > 0 && buffer->size() < size - 1) buffer->push_back(static_cast<char>(c));
  }
  if (verbose_ && echo_) echo_->flush();
  if (!found && !quiet) report_.print_line(messages_.message("MnoDown"));
  return found;
}

bool SambaWire::monitor_command(std::string_view command) {
  const std::string text = limited(command, kCommandChars);
  if (verbose_) report_.print_line(text);
  port_.write_bytes(text);
  return wait_for_prompt(nullptr, 0, kCommandWaits, false);
}

int SambaWire::hunt(int wanted, int tries) {
  int first_other = -1;
  for (int i = 0; i < tries; ++i) {
    const int got = port_.read_byte(kHuntWaitMs) & 0xFF;  // a time-out reads as 0xFF
    if (got == (wanted & 0xFF)) return 0;
    if (first_other < 0 && got != 0) first_other = got;
    if (verbose_) report_.print_line(format_text("hunt %02x got %02x", wanted & 0xFF, got));
  }
  return first_other < 0 ? 0xFF : first_other;
}

bool status_reply_ready(std::string_view reply) {
  const auto x = reply.find('x');
  if (x == std::string_view::npos) return false;
  // strtoul wants a terminated text: the reply is at most 99 characters.
  const std::string digits(reply.substr(x + 1));
  const unsigned long value = std::strtoul(digits.c_str(), nullptr, 16);
  return (value & 0x01) != 0;
}

bool SambaWire::wait_flash_ready() {
  for (int poll = 0; poll < kReadyPolls; ++poll) {
    port_.write_bytes("wFFFFFF68,4#");
    std::string reply;
    if (!wait_for_prompt(&reply, kStatusReplyChars, kCommandWaits, false)) return false;
    // A reply without 'x' (a prompt that belonged to an earlier command) counts as not ready.
    if (status_reply_ready(reply)) return true;
  }
  return false;
}

}  // namespace vexa
