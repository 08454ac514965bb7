#pragma once
// Board macro values and their schedule: reading a value into start, interval and command,
// the board's calendar (seconds since 2000-01-01 00:00:00, every year divisible by 4 a leap
// year), and writing the value back in its canonical forms:
//   "S,I,command"  "S,Nms,command" (an interval with a millisecond part)  "onEvent,command"
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexa {

inline constexpr std::size_t kMacroCommandChars = 99;   // of a stored value's command
inline constexpr std::size_t kMacroEditChars = 199;     // read from the command field
inline constexpr int kMacroFirstYear = 2000;
inline constexpr int kMacroLastYear = 2098;

inline constexpr std::array<std::string_view, 6> kMacroEvents = {
    "onReset", "onAlarm", "onAlarmend", "onStop", "onGo", "onDiskerror"};

enum class MacroSchedule { none, without_date, once, regularly, regularly_from, on_event };

// A value as read: start in seconds (-1 - event index for an event macro), interval in
// seconds or, when negative, in milliseconds; the command.
struct MacroFields {
  std::int64_t start = 0;
  std::int64_t interval = 0;
  std::string command;
  bool operator==(const MacroFields&) const = default;
};

// A time field: decimal digits with an optional unit ("ms", 'h', 'm', 's'; none = seconds),
// in milliseconds; nothing when text does not start with a digit. used: characters read.
std::optional<std::int64_t> read_time_field(std::string_view text, std::size_t* used = nullptr);

MacroFields parse_macro_value(std::string_view value);
// The schedule the fields show: none without a command, then by start and interval.
MacroSchedule schedule_of(const MacroFields& fields);

struct MacroDate {
  int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  bool operator==(const MacroDate&) const = default;
};
struct MacroInterval {
  std::int64_t days = 0;
  int hours = 0, minutes = 0, seconds = 0, milliseconds = 0;
  bool operator==(const MacroInterval&) const = default;
};

bool is_board_leap_year(int year);
int board_month_days(int year, int month);
// The calendar date of a start (negative counts as 0).
MacroDate date_of_start(std::int64_t start);
// Seconds since 2000 of a date as typed: years outside 2000..2098 count as 2000, months
// outside 1..12 as January; days, hours, minutes and seconds are taken as they are.
std::int64_t start_of_date(const MacroDate& date);
// An interval in seconds, or in milliseconds when negative, split into its fields.
MacroInterval split_interval(std::int64_t interval);
// The interval of the fields: seconds, or minus the milliseconds when there is a millisecond
// part.
std::int64_t join_interval(const MacroInterval& interval);

// The value of a schedule (event_index for on_event): the canonical form.
std::string format_macro_value(MacroSchedule schedule, std::int64_t start, std::int64_t interval,
                               int event_index, std::string_view command);

// Macros a board has: 20 from type letter 'S' on, 10 for 'F'..'R' from firmware 603, else 0.
int macro_count(char type_letter, int firmware_version);

}  // namespace vexa
