#include "terminal/terminal.h"

#include <cstdarg>

#include "app/text_format.h"

namespace vexa {

std::string interns_text(const TerminalCounters& c) {
  return format_text("int: %d %d %d %d %d", c.dropped_full, c.first_waits, c.second_waits,
                     c.dropped_busy, c.skipped_flushes);
}

Terminal::Terminal(TerminalView& view, CaptureLog* log, ViewThreads threads,
                   std::function<void()> wake_owner)
    : view_(view),
      log_(log),
      threads_(threads),
      wake_owner_(std::move(wake_owner)),
      owner_(std::this_thread::get_id()) {
  pending_.reserve(kPendingChars);
}

bool Terminal::may_touch_view() const {
  return threads_ == ViewThreads::any || std::this_thread::get_id() == owner_;
}

bool Terminal::acquire_busy(std::unique_lock<std::timed_mutex>& lock) {
  if (lock.try_lock()) return true;
  ++first_waits_;
  if (lock.try_lock_for(kFirstBusyWait)) return true;
  ++second_waits_;
  if (lock.try_lock_for(kSecondBusyWait)) return true;
  ++dropped_busy_;
  return false;
}

void Terminal::put_char(unsigned char c) {
  if (c == 0) return;
  put(c, false);
}

void Terminal::put_text(std::string_view bytes) {
  for (char c : bytes) put_char(static_cast<unsigned char>(c));
}

void Terminal::put(unsigned char c, bool forced_new_line) {
  if (pending_size_.load() + kPendingReserve > kPendingChars) flush();
  std::unique_lock lock(busy_, std::defer_lock);
  if (!acquire_busy(lock)) return;

  bool new_line = forced_new_line;
  if (forced_new_line) {
    after_cr_ = false;
  } else if (c == '\r') {
    if (after_cr_) return;
    after_cr_ = true;
    new_line = true;
  } else if (c == '\n') {
    const bool folded = after_cr_;
    after_cr_ = false;
    if (folded) return;
    new_line = true;
  } else {
    after_cr_ = false;
  }

  // Still full: the flush above found the buffer busy.
  if (pending_.size() + kPendingReserve > kPendingChars) {
    ++dropped_full_;
    return;
  }
  at_line_start_ = false;
  if (new_line) {
    pending_ += "\r\n";
    at_line_start_ = true;
  } else if (c < 32 && c != '\t') {
    pending_ += '^';
    pending_ += static_cast<char>(c + 64);
  } else {
    pending_ += static_cast<char>(c);
  }
  pending_size_ = pending_.size();
}

void Terminal::hand_over_pending() {
  handed_over_ += pending_;
  pending_.clear();
  pending_size_ = 0;
  // The view would drop the older half anyway; keep the hand-over bounded like the view.
  while (handed_over_.size() >= kViewTrimAtChars) handed_over_.erase(0, kViewTrimDropChars);
  owner_work_ = true;
}

void Terminal::flush() {
  const bool direct = may_touch_view();
  if (pending_size_.load() == 0 && !(direct && owner_work_.load())) return;

  std::unique_lock view_lock(view_mutex_, std::defer_lock);
  if (direct) view_lock.lock();  // taken before the busy lock, so appends keep their order
  std::string text;
  bool clear_first = false;
  {
    std::unique_lock lock(busy_, std::try_to_lock);
    if (!lock) {
      ++skipped_flushes_;
      return;
    }
    if (!direct) {
      if (pending_.empty()) return;
      hand_over_pending();
      lock.unlock();
      if (wake_owner_) wake_owner_();
      return;
    }
    text = std::move(handed_over_);
    handed_over_.clear();
    text += pending_;
    pending_.clear();
    pending_size_ = 0;
    clear_first = clear_requested_;
    clear_requested_ = false;
    owner_work_ = false;
  }
  show(text, clear_first);
}

void Terminal::show(std::string_view text, bool clear_first) {
  if (clear_first) view_.clear();
  if (text.empty()) return;
  if (view_.length() >= kViewTrimAtChars) {
    const std::string kept = view_.text(kTrimBufferChars);
    view_.set_text(kept.size() > kViewTrimDropChars
                       ? std::string_view(kept).substr(kViewTrimDropChars)
                       : std::string_view());
  }
  view_.append(text);
}

void Terminal::clear() {
  const bool direct = may_touch_view();
  std::unique_lock view_lock(view_mutex_, std::defer_lock);
  if (direct) view_lock.lock();
  {
    std::lock_guard lock(busy_);
    pending_.clear();
    pending_size_ = 0;
    handed_over_.clear();
    clear_requested_ = !direct;
    owner_work_ = !direct;
    at_line_start_ = true;  // an empty view: the next report needs no new line first
  }
  if (direct) {
    view_.clear();
  } else {
    view_lock.unlock();
    if (wake_owner_) wake_owner_();
  }
}

void Terminal::print_line(std::string_view text) {
  const std::string line = limited(text, kPrintLineChars);
  if (!at_line_start_) put(0, true);
  for (char c : line) put_char(static_cast<unsigned char>(c));
  put(0, true);
  flush();
  if (log_) log_->log_record(' ', line + "\n");
}

void Terminal::print_linef(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string line = vformat_text(kPrintLineChars, format, args);
  va_end(args);
  print_line(line);
}

TerminalCounters Terminal::counters() const {
  return {dropped_full_.load(), first_waits_.load(), second_waits_.load(), dropped_busy_.load(),
          skipped_flushes_.load()};
}

}  // namespace vexa
