#pragma once
// The terminal: every character received from the board and every report line reaches the user
// here. Characters are collected in a small pending buffer and appended to the view in one step
// (the flush), so a fast stream does not cost one view update per byte.
//
// Threads: put_char, print_line and flush come from the receive thread, the window thread and
// worker threads. The pending buffer, the new-line flags and the counters are guarded by one
// lock (the busy lock), held only for a few instructions at a time; a put that cannot take it
// within 10 + 30 ms drops its character, a flush that finds it taken leaves the text pending.
// The view itself is touched only by flush and clear:
//  - ViewThreads::any: by whichever thread calls them, one at a time under the view lock
//    (text buffers and streams);
//  - ViewThreads::owner_only: only by the thread that created the terminal (the window thread);
//    a flush or clear on another thread hands its work over and calls wake_owner, and the
//    owner's next flush() does it.
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "app/capture_log.h"
#include "terminal/report_sink.h"
#include "terminal/terminal_view.h"

namespace vexa {

inline constexpr std::size_t kPendingChars = 500;         // pending buffer
inline constexpr std::size_t kPendingReserve = 10;        // room a put leaves before it flushes
inline constexpr std::size_t kViewTrimAtChars = 15000;    // the view is trimmed from this length
inline constexpr std::size_t kViewTrimDropChars = 7500;   // the older part a trim drops
inline constexpr std::size_t kTrimBufferChars = 15999;    // 16000-character trim scratch
inline constexpr std::size_t kPrintLineChars = 199;       // 200-character line buffer
inline constexpr std::chrono::milliseconds kFirstBusyWait{10};
inline constexpr std::chrono::milliseconds kSecondBusyWait{30};

struct TerminalCounters {
  int dropped_full = 0;     // characters dropped for a full pending buffer
  int first_waits = 0;      // puts that found the buffer busy
  int second_waits = 0;     // ... and still busy after the first wait
  int dropped_busy = 0;     // ... and still busy after the second: dropped
  int skipped_flushes = 0;  // flushes that found the buffer busy
};

// The debug menu's "interns" line: "int: %d %d %d %d %d".
std::string interns_text(const TerminalCounters& counters);

enum class ViewThreads { any, owner_only };

class Terminal : public ReportSink, public CharSink {
 public:
  // log may be null (no capture log). wake_owner is called (from any thread, without locks
  // held) when owner-only work is waiting for the owner thread's next flush().
  explicit Terminal(TerminalView& view, CaptureLog* log = nullptr,
                    ViewThreads threads = ViewThreads::any, std::function<void()> wake_owner = {});
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // One character: NUL ignored; CR, LF, CR LF and CR CR LF each one new line (CR LF in the
  // view), LF CR two; codes 1..31 except TAB as a caret and the letter; others as themselves.
  void put_char(unsigned char c) override;
  // Every byte of a text through put_char.
  void put_text(std::string_view bytes);
  // Appends the pending characters to the view, trimming the view's older half first when it
  // holds kViewTrimAtChars or more.
  void flush() override;
  // Empties the view and drops the pending characters.
  void clear();
  // The text (cut at kPrintLineChars) as a line of its own, flushed, and recorded in the
  // capture log with the tag ' '.
  void print_line(std::string_view text) override;
  void print_linef(const char* format, ...) __attribute__((format(printf, 2, 3)));

  TerminalCounters counters() const;
  // The last thing put was a new line (true for a fresh or cleared terminal).
  bool at_line_start() const { return at_line_start_.load(); }

 private:
  // Steps shared by put_char and the new lines print_line forces.
  void put(unsigned char c, bool forced_new_line);
  bool acquire_busy(std::unique_lock<std::timed_mutex>& lock);
  bool may_touch_view() const;
  // Under the busy lock: moves the pending text to the owner hand-over.
  void hand_over_pending();
  void show(std::string_view text, bool clear_first);

  TerminalView& view_;
  CaptureLog* const log_;
  const ViewThreads threads_;
  const std::function<void()> wake_owner_;
  const std::thread::id owner_;

  std::mutex view_mutex_;    // one flush or clear at a time writes to the view
  std::timed_mutex busy_;    // guards everything below that is not atomic
  std::string pending_;      // at most kPendingChars
  std::string handed_over_;  // owner-only mode: flushed on another thread, not yet shown
  bool clear_requested_ = false;
  bool after_cr_ = false;
  std::atomic<bool> owner_work_{false};  // hand-over or clear waiting for the owner
  std::atomic<std::size_t> pending_size_{0};
  std::atomic<bool> at_line_start_{true};

  std::atomic<int> dropped_full_{0};
  std::atomic<int> first_waits_{0};
  std::atomic<int> second_waits_{0};
  std::atomic<int> dropped_busy_{0};
  std::atomic<int> skipped_flushes_{0};
};

}  // namespace vexa
