#include "terminal/terminal.h"

#include <algorithm>
#include <cstdarg>
#include <utility>

#include "base/text_format.h"
#include "base/cp1252.h"

namespace vexa {

namespace {
constexpr unsigned char kEscapeChar = 27;
}  // namespace

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

bool Terminal::may_write_view() const {
  return threads_ == ViewThreads::any || std::this_thread::get_id() == owner_;
}

void Terminal::set_line_start(bool on) { at_line_start_.store(on, std::memory_order_relaxed); }

bool Terminal::try_lock_within(BusyLock& lock, std::chrono::milliseconds wait) {
  // The lock is held for a few microseconds at a time, so a short poll finds it free.
  constexpr std::chrono::microseconds kPoll{100};
  const auto deadline = std::chrono::steady_clock::now() + wait;
  do {
    std::this_thread::sleep_for(kPoll);
    if (lock.try_lock()) return true;
  } while (std::chrono::steady_clock::now() < deadline);
  return false;
}

bool Terminal::acquire_busy(BusyLock& lock) {
  if (lock.try_lock()) return true;
  ++first_waits_;
  if (try_lock_within(lock, kFirstBusyWait)) return true;
  ++second_waits_;
  if (try_lock_within(lock, kSecondBusyWait)) return true;
  // Nobody holds the lock while a view is written, only for work on a few hundred characters:
  // a holder this slow is a thread the scheduler put aside, and dropping the character here
  // would cut a hole into the middle of the stream. Wait for it.
  lock.lock();
  return true;
}

void Terminal::move_pending_locked() {
  if (limit_.by_lines()) outbox_line_ends_ += count_line_ends(pending_);  // a pending CR LF is never split
  outbox_ += pending_;
  pending_.clear();
  trim_outbox_locked();
}

void Terminal::trim_outbox_locked() {
  // The view would drop the oldest text at its next trim anyway; the out-box does the same so an
  // owner that falls behind costs no more memory than the view itself. What the view shows is
  // older still than what the out-box drops: it goes too, so the view stays one unbroken tail of
  // the stream.
  if (limit_.by_lines() && outbox_line_ends_ >= limit_.backlog_lines()) {
    const std::size_t cut = after_line_ends(outbox_, limit_.excess_lines(outbox_line_ends_));
    outbox_.erase(0, cut);
    outbox_line_ends_ = limit_.lines();
    dropped_full_ += static_cast<int>(cut);
    clear_requested_ = true;
  }
  // The older half by characters (the character rule, or the line rule's ceiling), cut at a line
  // end where one is near.
  const std::size_t trim_at = limit_.trim_chars();
  bool cut_by_chars = false;
  while (outbox_.size() >= trim_at) {
    std::size_t cut = limit_.half_chars();
    const std::size_t line_end = outbox_.find("\r\n", cut - 2);
    if (line_end != std::string::npos && line_end + 2 - cut <= kLineCutSearchChars) cut = line_end + 2;
    outbox_.erase(0, cut);
    dropped_full_ += static_cast<int>(cut);
    clear_requested_ = true;
    cut_by_chars = true;
  }
  if (cut_by_chars && limit_.by_lines()) outbox_line_ends_ = count_line_ends(outbox_);
}

void Terminal::set_scrollback(const ScrollbackLimit& limit) {
  BusyLock lock(busy_);
  limit_ = limit;
  outbox_line_ends_ = limit_.by_lines() ? count_line_ends(outbox_) : 0;
  trim_outbox_locked();
}

ScrollbackLimit Terminal::scrollback() const {
  std::lock_guard lock(busy_);
  return limit_;
}

bool Terminal::make_room_locked() {
  if (pending_.size() + kPendingReserve <= kPendingChars) return false;
  move_pending_locked();
  return true;
}

bool Terminal::new_line_locked() {
  after_cr_ = false;
  const bool moved = make_room_locked();
  pending_ += "\r\n";
  set_line_start(true);
  return moved;
}

bool Terminal::put_locked(unsigned char c) {
  if (c == 0) return false;
  if (c == '\r') {
    if (after_cr_) return false;  // CR CR LF is one new line
    const bool moved = new_line_locked();
    after_cr_ = true;
    return moved;
  }
  if (c == '\n') {
    if (std::exchange(after_cr_, false)) return false;  // the LF of CR LF
    return new_line_locked();
  }
  after_cr_ = false;
  const bool moved = make_room_locked();
  set_line_start(false);
  if (c < 32 && c != '\t' && !(c == kEscapeChar && pass_escape_.load(std::memory_order_relaxed))) {
    pending_ += '^';
    pending_ += static_cast<char>(c + 64);
  } else {
    pending_ += static_cast<char>(c);
  }
  return moved;
}

void Terminal::set_ansi(bool on) {
  if (pass_escape_.exchange(on) != on) view_.set_ansi(on);
}

void Terminal::put_char(unsigned char c) {
  if (c == 0) return;
  BusyLock lock(busy_, std::defer_lock);
  if (!acquire_busy(lock)) {
    ++dropped_busy_;
    return;
  }
  if (put_locked(c)) deliver(lock);
}

void Terminal::put_text(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::string_view chunk = bytes.substr(0, kPendingChars);
    bytes.remove_prefix(chunk.size());
    BusyLock lock(busy_, std::defer_lock);
    if (!acquire_busy(lock)) {
      dropped_busy_ += static_cast<int>(chunk.size());
      continue;
    }
    bool moved = false;
    for (char c : chunk) moved |= put_locked(static_cast<unsigned char>(c));
    if (moved) deliver(lock);
  }
}

void Terminal::flush() {
  BusyLock lock(busy_, std::defer_lock);
  if (!lock.try_lock() && !try_lock_within(lock, kFirstBusyWait)) {
    ++skipped_flushes_;
    // The owner may have been woken for this flush: ask again so the text is not stranded.
    if (threads_ == ViewThreads::owner_only && may_write_view() && wake_owner_) wake_owner_();
    return;
  }
  if (!pending_.empty()) move_pending_locked();
  deliver(lock);
}

void Terminal::flush_all() {
  BusyLock lock(busy_);
  if (!pending_.empty()) move_pending_locked();
  deliver(lock, true);
}

std::string Terminal::take_outbox_locked(bool whole) {
  std::size_t cut = outbox_.size();
  if (!whole && threads_ == ViewThreads::owner_only && cut > kOwnerShowChars) {
    const std::size_t line_end = outbox_.rfind("\r\n", kOwnerShowChars - 2);
    cut = line_end != std::string::npos ? line_end + 2 : kOwnerShowChars;
    if (outbox_[cut - 1] == '\r') ++cut;  // a new line's CR and LF stay together
  }
  std::string text;
  if (cut == outbox_.size()) {
    text = std::move(outbox_);
    outbox_.clear();
    outbox_line_ends_ = 0;
  } else {
    text = outbox_.substr(0, cut);
    outbox_.erase(0, cut);
    if (limit_.by_lines()) outbox_line_ends_ -= count_line_ends(text);
  }
  return text;
}

void Terminal::deliver(BusyLock& lock, bool whole) {
  if (outbox_.empty() && !clear_requested_) return;
  if (!may_write_view()) {
    wake_owner_once(lock);
    return;
  }
  if (writing_) return;  // the thread writing now takes the out-box before it stops
  writing_ = true;
  bool more = false;
  do {
    std::string text = take_outbox_locked(whole);
    const bool clear_first = std::exchange(clear_requested_, false);
    const ScrollbackLimit limit = limit_;
    wake_pending_ = false;
    lock.unlock();
    show(text, clear_first, limit);
    lock.lock();
    more = !outbox_.empty() || clear_requested_;
    // The owner thread shows one out-box per flush: while a board streams, the out-box refills
    // as fast as it is shown, and looping here would hold the window's event loop for as long.
  } while (more && threads_ == ViewThreads::any);
  writing_ = false;
  if (more) wake_owner_once(lock);
}

void Terminal::wake_owner_once(BusyLock& lock) {
  if (std::exchange(wake_pending_, true)) return;  // one wake until the owner flushes
  lock.unlock();
  if (wake_owner_) wake_owner_();
  lock.lock();
}

void Terminal::show(const std::string& text, bool clear_first, const ScrollbackLimit& limit) {
  if (clear_first) view_.clear();
  if (text.empty()) return;
  if (!limit.by_lines()) {
    // The older half goes before the text is added, as often as it takes: an owner that fell
    // behind may show a whole out-box at once, and the newest text must never be what is dropped.
    const std::size_t length = view_.length();
    if (const std::size_t drop = limit.excess_chars(length)) view_.drop_front(drop);
    view_.append(text);
    return;
  }
  // Whole lines go from the oldest end, as many as came in, so the view holds the same number
  // of lines from one burst to the next.
  view_.append(text);
  if (const std::size_t lines = limit.excess_lines(view_.line_ends())) view_.drop_front_lines(lines);
  if (const std::size_t drop = limit.excess_chars(view_.length())) view_.drop_front(drop);
}

void Terminal::clear() {
  BusyLock lock(busy_);
  pending_.clear();
  outbox_.clear();
  outbox_line_ends_ = 0;
  clear_requested_ = true;
  set_line_start(true);  // an empty view: the next report needs no new line first
  deliver(lock);
}

void Terminal::print_line(std::string_view text) {
  show_line(text);
  if (log_) log_->log_record(' ', utf8_prefix(text, kPrintLineChars) + "\n");
}

void Terminal::show_line(std::string_view text) {
  // A report line is the program's own UTF-8 text; the view holds board text.
  const std::string line = limited(utf8_to_cp1252(text), kPrintLineChars);
  {
    BusyLock lock(busy_, std::defer_lock);
    if (acquire_busy(lock)) {
      if (!at_line_start_.load(std::memory_order_relaxed)) new_line_locked();
      for (char c : line) put_locked(static_cast<unsigned char>(c));
      new_line_locked();
      move_pending_locked();
      deliver(lock);
    } else {
      dropped_busy_ += static_cast<int>(line.size());
    }
  }
}

void Terminal::print_linef(const char* format, ...) {
  va_list args;
  va_start(args, format);
  // Unlimited here: print_line cuts at a character count, and a byte cut could split a character.
  const std::string line = vformat_text(std::string::npos, format, args);
  va_end(args);
  print_line(line);
}

TerminalCounters Terminal::counters() const {
  return {dropped_full_.load(), first_waits_.load(), second_waits_.load(), dropped_busy_.load(),
          skipped_flushes_.load()};
}

std::size_t Terminal::queued_chars() const {
  std::lock_guard lock(busy_);
  return pending_.size() + outbox_.size();
}

}  // namespace vexa
