#include "sim/board_clock.h"

#include <cctype>
#include <ctime>

#include "base/text_format.h"

namespace vexa::sim {

namespace {

// Three two-digit fields of exactly six digits.
bool split_six_digits(std::string_view text, int& a, int& b, int& c) {
  if (text.size() != 6) return false;
  for (char ch : text)
    if (!std::isdigit(static_cast<unsigned char>(ch))) return false;
  auto two = [&](std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
  a = two(0);
  b = two(2);
  c = two(4);
  return true;
}

int days_in_month(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::tm BoardClock::now() const {
  std::time_t t = static_cast<std::time_t>(host_.epoch_now() + offset_s_);
  std::tm local{};
  ::localtime_r(&t, &local);
  return local;
}

void BoardClock::set_board_time(std::tm wanted) {
  wanted.tm_isdst = -1;
  std::time_t t = std::mktime(&wanted);
  if (t == static_cast<std::time_t>(-1)) return;
  offset_s_ = static_cast<std::int64_t>(t) - static_cast<std::int64_t>(host_.epoch_now());
}

bool BoardClock::set_time_of_day(std::string_view hhmmss) {
  int hour, minute, second;
  if (!split_six_digits(hhmmss, hour, minute, second)) return false;
  if (hour > 23 || minute > 59 || second > 59) return false;
  std::tm t = now();
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  set_board_time(t);
  return true;
}

bool BoardClock::set_date(std::string_view yymmdd) {
  int yy, month, day;
  if (!split_six_digits(yymmdd, yy, month, day)) return false;
  if (month < 1 || month > 12 || day < 1 || day > days_in_month(2000 + yy, month)) return false;
  std::tm t = now();
  t.tm_year = 100 + yy;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  set_board_time(t);
  return true;
}

std::string BoardClock::report_line() const {
  std::tm t = now();
  return format_text("ti=%02d%02d%02d dt=%02d%02d%02d", t.tm_hour, t.tm_min, t.tm_sec,
                     t.tm_year % 100, t.tm_mon + 1, t.tm_mday);
}

}  // namespace vexa::sim
