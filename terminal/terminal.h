#pragma once
// The terminal: every character received from the board and every report line reaches the user
// here. Characters are collected in a small pending buffer and appended to the view in one step
// (the flush), so a fast stream does not cost one view update per byte.
//
// Threads: put_char, put_text, print_line, flush and clear come from the receive thread, the
// window thread and worker threads. One lock (the busy lock) guards the pending buffer, the
// new-line flags and the out-box; it is only ever held for work on at most a few hundred
// characters and never while the view is written. A flush moves the pending text to the out-box
// under the lock; the view is then written outside the lock by one writer at a time:
//  - ViewThreads::any: by whichever thread flushes (text buffers and streams);
//  - ViewThreads::owner_only: only by the thread that created the terminal (the window thread).
//    Another thread's flush leaves the text in the out-box and calls wake_owner once until the
//    owner's next flush() takes it, so a fast stream costs the window one update per wake, not
//    one per burst.
// A put that cannot take the lock within 10 + 30 ms is counted and then waits on: a character
// is never dropped from the middle of the stream. The view keeps what the scrollback limit says
// (terminal/scrollback.h). The out-box keeps no more than the view would, dropping its oldest
// text (cut at a line end) together with the view's text, so memory stays bounded when the owner
// falls behind and the view always shows an unbroken tail that ends with the last character put.
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "base/capture_log.h"
#include "base/report_sink.h"
#include "terminal/scrollback.h"
#include "terminal/terminal_view.h"

namespace vexa {

inline constexpr std::size_t kPendingChars = 500;         // pending buffer
inline constexpr std::size_t kPendingReserve = 10;        // room a put leaves before it flushes
inline constexpr std::size_t kLineCutSearchChars = 1000;  // how far an out-box cut looks for a line end
// The most the owner thread shows per flush (cut at a line end), so that the window's event loop
// never waits long on one append while a backlog is shown; the rest follows at the next wake.
inline constexpr std::size_t kOwnerShowChars = 16384;
inline constexpr std::size_t kPrintLineChars = 199;       // 200-character line buffer
inline constexpr std::chrono::milliseconds kFirstBusyWait{10};
inline constexpr std::chrono::milliseconds kSecondBusyWait{30};

struct TerminalCounters {
  int dropped_full = 0;     // characters dropped before the view took them (out-box full)
  int first_waits = 0;      // puts that found the buffer busy
  int second_waits = 0;     // ... and still busy after the first wait
  int dropped_busy = 0;     // characters dropped because the buffer stayed busy
  int skipped_flushes = 0;  // flushes that found the buffer busy
};

// The debug menu's "interns" line: "int: %d %d %d %d %d".
std::string interns_text(const TerminalCounters& counters);

enum class ViewThreads { any, owner_only };

class Terminal : public ReportSink, public CharSink {
 public:
  // log may be null (no capture log). wake_owner (owner_only mode) is called from any thread,
  // without locks held, when text waits for the owner thread's next flush(); it should only
  // post that flush to the owner's event loop.
  explicit Terminal(TerminalView& view, CaptureLog* log = nullptr,
                    ViewThreads threads = ViewThreads::any, std::function<void()> wake_owner = {});
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // One character: NUL ignored; CR, LF, CR LF and CR CR LF each one new line (CR LF in the
  // view), LF CR two; codes 1..31 except TAB as a caret and the letter (ESC too, unless ANSI
  // sequences are on); others as themselves.
  void put_char(unsigned char c) override;
  // Every byte of a burst as put_char, taking the lock once per pending buffer's worth.
  void put_text(std::string_view bytes) override;
  // Appends the pending characters to the view, trimmed to the scrollback limit.
  void flush() override;
  // As flush, but the owner thread shows everything queued at once (a save wants the newest text).
  void flush_all();
  // Empties the view and drops the pending characters.
  void clear();
  // The text (cut at kPrintLineChars) as a line of its own, flushed, and recorded in the
  // capture log with the tag ' '. The line is put in one step, so lines printed by several
  // threads at once never mix.
  void print_line(std::string_view text) override;
  // The line as print_line shows it, without the capture log: a line shown again (a redraw).
  void show_line(std::string_view text);
  void print_linef(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // What the view keeps (the character rule at 15,000 unless set). A smaller limit applies at
  // the next flush.
  void set_scrollback(const ScrollbackLimit& limit);
  ScrollbackLimit scrollback() const;

  // ANSI sequences: ESC goes to the view as itself, and the view is told to show them as
  // colour. Called on the thread that owns the view.
  void set_ansi(bool on);
  bool ansi() const { return pass_escape_.load(); }

  // The view's whole text (board text); on the thread that owns the view.
  std::string view_text() const { return view_.text(view_.length()); }

  TerminalCounters counters() const;
  // The last thing put was a new line (true for a fresh or cleared terminal).
  bool at_line_start() const { return at_line_start_.load(); }
  // Characters put but not yet in the view (pending and out-box).
  std::size_t queued_chars() const;

 private:
  using BusyLock = std::unique_lock<std::mutex>;

  bool acquire_busy(BusyLock& lock);
  static bool try_lock_within(BusyLock& lock, std::chrono::milliseconds wait);
  // The steps below run under the busy lock; true when the pending text was moved on.
  bool put_locked(unsigned char c);
  bool new_line_locked();
  bool make_room_locked();
  void move_pending_locked();
  // With the lock held: writes the out-box to the view, or hands it to the owner. The lock
  // is released while the view is written and held again on return.
  void deliver(BusyLock& lock, bool whole = false);
  // With the lock held: the next part of the out-box for the view, taken out of it.
  std::string take_outbox_locked(bool whole);
  // With the lock held: posts the owner's flush unless one is already on its way.
  void wake_owner_once(BusyLock& lock);
  void show(const std::string& text, bool clear_first, const ScrollbackLimit& limit);
  void trim_outbox_locked();
  bool may_write_view() const;
  void set_line_start(bool on);

  TerminalView& view_;
  CaptureLog* const log_;
  const ViewThreads threads_;
  const std::function<void()> wake_owner_;
  const std::thread::id owner_;

  // Guards everything below that is not atomic. A plain mutex polled with try_lock: the
  // timed lock calls of the standard library escape ThreadSanitizer's view.
  mutable std::mutex busy_;
  std::string pending_;            // at most kPendingChars
  std::string outbox_;             // flushed, not yet in the view; within the scrollback limit
  std::size_t outbox_line_ends_ = 0;
  ScrollbackLimit limit_ = ScrollbackLimit::characters(kViewTrimAtChars);
  bool clear_requested_ = false;   // the view is to be emptied before the out-box is shown
  bool writing_ = false;           // a thread is writing to the view
  bool wake_pending_ = false;      // the owner was woken and has not flushed since
  bool after_cr_ = false;
  std::atomic<bool> at_line_start_{true};
  std::atomic<bool> pass_escape_{false};

  std::atomic<int> dropped_full_{0};
  std::atomic<int> first_waits_{0};
  std::atomic<int> second_waits_{0};
  std::atomic<int> dropped_busy_{0};
  std::atomic<int> skipped_flushes_{0};
};

}  // namespace vexa
