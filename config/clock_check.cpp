#include "config/clock_check.h"

#include <ctime>
#include <string>

#include "base/text_format.h"

namespace vexa {

BoardClockCheck::BoardClockCheck(ReportSink& report, const std::atomic<bool>& line_feed_switch,
                                 const Clock& pc_time)
    : report_(report), switch_on_(line_feed_switch), pc_time_(pc_time) {}

namespace {

// Two characters of "HHMMSS" read as a number; what is missing or not a digit reads as 0.
int two_digits(std::string_view text, std::size_t at) {
  if (at >= text.size()) return 0;
  return static_cast<int>(leading_integer(text.substr(at, 2)));
}

}  // namespace

bool BoardClockCheck::check_board_clock(std::string_view line) {
  if (!switch_on_.load()) return false;
  if (line.substr(0, 3) != "ti=") return false;
  std::string_view hms = line.substr(3, 6);
  std::int64_t board_ms =
      (two_digits(hms, 0) * 3600LL + two_digits(hms, 2) * 60LL + two_digits(hms, 4)) * 1000;
  std::int64_t pc_ms = pc_time_.local_ms_of_day();
  std::int64_t difference = pc_ms - board_ms;
  report_.print_line(format_text("time tgt=%.3f pc=%.3f delta=%.3f", board_ms / 1000.0,
                                 pc_ms / 1000.0, difference / 1000.0));
  sum_ms_ += difference;
  ++count_;
  if (line.find(" x") != std::string_view::npos) {
    std::int64_t average = sum_ms_ / count_;
    report_.print_line(
        format_text("time delta=%.3f %.3f", average / 1000.0, average / 1000.0 + 3600));
    sum_ms_ = 0;
    count_ = 0;
  }
  return true;
}

}  // namespace vexa
