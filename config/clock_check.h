#pragma once
// Diagnostic comparison of the board clock with the PC clock: while the debug line-feed
// switch is on, each received "ti=HHMMSS" line prints the difference, and a line with " x"
// prints the average since the last such line.
#include <atomic>
#include <cstdint>
#include <string_view>

#include "base/report_sink.h"

#include "platform/clock.h"

namespace vexa {

// PC local time of day with millisecond resolution (the calendar Clock has whole seconds).
// Owns the running sums. Lines come from the receive thread only; the switch is flipped by
// the window thread, hence the atomic flag owned by whoever owns the switch.
class BoardClockCheck {
 public:
  BoardClockCheck(ReportSink& report, const std::atomic<bool>& line_feed_switch,
                  const Clock& pc_time = SystemClock::instance());

  // True when the line was a clock line taken here (only while the switch is on).
  bool check_board_clock(std::string_view line);

  std::int64_t sum_ms() const { return sum_ms_; }
  std::int64_t count() const { return count_; }

 private:
  ReportSink& report_;
  const std::atomic<bool>& switch_on_;
  const Clock& pc_time_;
  std::int64_t sum_ms_ = 0;
  std::int64_t count_ = 0;
};

}  // namespace vexa
