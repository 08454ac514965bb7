#pragma once
// The board's real-time clock: the host clock plus an offset that "ti=" and "dt=" set.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace vexa::sim {

class BoardClock {
 public:
  explicit BoardClock(const Clock& host) : host_(host) {}

  // "ti=HHMMSS": the time of day, keeping the board's date. False for a malformed value.
  bool set_time_of_day(std::string_view hhmmss);
  // "dt=YYMMDD" (year 2000 + YY): the date, keeping the board's time of day.
  bool set_date(std::string_view yymmdd);

  // The board's local calendar time now.
  std::tm now() const;
  // "ti=HHMMSS dt=YYMMDD", the board's report of its clock.
  std::string report_line() const;

  std::int64_t offset_seconds() const { return offset_s_; }

 private:
  void set_board_time(std::tm wanted);

  const Clock& host_;
  std::int64_t offset_s_ = 0;
};

}  // namespace vexa::sim
