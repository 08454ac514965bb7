#include "macro/macro_value.h"

#include <limits>

#include "base/text_format.h"

namespace vexa {

namespace {

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kMaxDigitsValue = std::numeric_limits<std::int64_t>::max() / 3600000 / 10;

}  // namespace

std::optional<std::int64_t> read_time_field(std::string_view text, std::size_t* used) {
  std::size_t i = 0;
  if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
  std::int64_t number = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    if (number < kMaxDigitsValue) number = number * 10 + (text[i] - '0');  // stays far from overflow
  std::int64_t ms;
  std::string_view unit = text.substr(i);
  if (unit.substr(0, 2) == "ms") {
    ms = number;
    i += 2;
  } else if (!unit.empty() && unit[0] == 'h') {
    ms = number * 3600000;
    ++i;
  } else if (!unit.empty() && unit[0] == 'm') {
    ms = number * 60000;
    ++i;
  } else if (!unit.empty() && unit[0] == 's') {
    ms = number * 1000;
    ++i;
  } else {
    ms = number * 1000;
  }
  if (used) *used = i;
  return ms;
}

MacroFields parse_macro_value(std::string_view value) {
  MacroFields fields;
  for (std::size_t e = 0; e < kMacroEvents.size(); ++e) {
    const std::string_view name = kMacroEvents[e];
    if (value.size() > name.size() && value.substr(0, name.size()) == name && value[name.size()] == ',') {
      fields.start = -1 - static_cast<std::int64_t>(e);
      fields.command = limited(value.substr(name.size() + 1), kMacroCommandChars);
      return fields;
    }
  }
  std::size_t used = 0;
  const std::optional<std::int64_t> t1 = read_time_field(value, &used);
  if (!t1) return fields;
  fields.start = *t1 / 1000;
  std::string_view rest = value.substr(std::min(value.size(), used + 1));
  const std::optional<std::int64_t> t2 = read_time_field(rest, &used);
  if (!t2) {
    fields.start = 0;
    return fields;
  }
  fields.interval = *t2 % 1000 == 0 ? *t2 / 1000 : -*t2;
  fields.command = limited(rest.substr(std::min(rest.size(), used + 1)), kMacroCommandChars);
  return fields;
}

MacroSchedule schedule_of(const MacroFields& fields) {
  if (fields.command.empty()) return MacroSchedule::none;
  if (fields.start < 0) return MacroSchedule::on_event;
  if (fields.start != 0 && fields.interval != 0) return MacroSchedule::regularly_from;
  if (fields.interval != 0) return MacroSchedule::regularly;
  if (fields.start != 0) return MacroSchedule::once;
  return MacroSchedule::without_date;
}

bool is_board_leap_year(int year) { return year % 4 == 0; }

int board_month_days(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && is_board_leap_year(year)) return 29;
  return kDays[(month - 1) % 12];
}

MacroDate date_of_start(std::int64_t start) {
  if (start < 0) start = 0;
  MacroDate date;
  date.second = static_cast<int>(start % 60);
  date.minute = static_cast<int>(start / 60 % 60);
  date.hour = static_cast<int>(start / 3600 % 24);
  std::int64_t days = start / kDay;
  date.year = kMacroFirstYear;
  for (;;) {
    const int length = is_board_leap_year(date.year) ? 366 : 365;
    if (days < length) break;
    days -= length;
    ++date.year;
  }
  date.month = 1;
  while (date.month < 12 && days >= board_month_days(date.year, date.month)) {
    days -= board_month_days(date.year, date.month);
    ++date.month;
  }
  date.day = static_cast<int>(days) + 1;
  return date;
}

std::int64_t start_of_date(const MacroDate& date) {
  std::int64_t days = 0;
  const bool year_in_range = date.year >= kMacroFirstYear && date.year <= kMacroLastYear;
  if (year_in_range)
    for (int y = kMacroFirstYear; y < date.year; ++y) days += is_board_leap_year(y) ? 366 : 365;
  const int year = year_in_range ? date.year : kMacroFirstYear;
  if (date.month >= 1 && date.month <= 12)
    for (int m = 1; m < date.month; ++m) days += board_month_days(year, m);
  days += date.day - 1;
  return days * kDay + static_cast<std::int64_t>(date.hour) * 3600 + date.minute * 60 + date.second;
}

MacroInterval split_interval(std::int64_t interval) {
  MacroInterval split;
  std::int64_t seconds = interval;
  if (interval < 0) {
    split.milliseconds = static_cast<int>(-interval % 1000);
    seconds = -interval / 1000;
  }
  split.seconds = static_cast<int>(seconds % 60);
  split.minutes = static_cast<int>(seconds / 60 % 60);
  split.hours = static_cast<int>(seconds / 3600 % 24);
  split.days = seconds / kDay;
  return split;
}

std::int64_t join_interval(const MacroInterval& interval) {
  const std::int64_t seconds = interval.days * kDay + static_cast<std::int64_t>(interval.hours) * 3600 +
                               interval.minutes * 60 + interval.seconds;
  if (interval.milliseconds > 0) return -(interval.milliseconds + seconds * 1000);
  return seconds;
}

std::string format_macro_value(MacroSchedule schedule, std::int64_t start, std::int64_t interval,
                               int event_index, std::string_view command) {
  const std::string text(command);
  switch (schedule) {
    case MacroSchedule::none: return {};
    case MacroSchedule::on_event: {
      const std::size_t e = event_index >= 0 && event_index < static_cast<int>(kMacroEvents.size())
                                ? static_cast<std::size_t>(event_index)
                                : 0;
      return std::string(kMacroEvents[e]) + "," + text;
    }
    case MacroSchedule::without_date: start = 0; interval = 0; break;
    case MacroSchedule::once: interval = 0; break;
    case MacroSchedule::regularly: start = 0; break;
    case MacroSchedule::regularly_from: break;
  }
  if (interval < 0)
    return format_text("%lld,%lldms,", static_cast<long long>(start), static_cast<long long>(-interval)) + text;
  return format_text("%lld,%lld,", static_cast<long long>(start), static_cast<long long>(interval)) + text;
}

int macro_count(char type_letter, int firmware_version) {
  if (type_letter >= 'S') return 20;
  if (type_letter >= 'F' && firmware_version >= 603) return 10;
  return 0;
}

}  // namespace vexa
