// Macro values: what a value reads as, written back in its canonical form, reads as the same
// fields (commit(show(v)) == v); the command keeps its limit; the calendar and the interval
// fields convert both ways.

#include "fuzz/fuzz_support.h"
#include "macro/macro_value.h"

using vexa::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const vexa::MacroFields fields = vexa::parse_macro_value(vexa::fuzz::text_of(data, size));
  check(fields.command.size() <= vexa::kMacroCommandChars);
  const vexa::MacroSchedule schedule = vexa::schedule_of(fields);
  const int event = fields.start < 0 ? static_cast<int>(-1 - fields.start) : 0;
  if (fields.start < 0) check(event < static_cast<int>(vexa::kMacroEvents.size()));
  const std::string shown = vexa::format_macro_value(schedule, fields.start, fields.interval, event, fields.command);
  // Times past the digits a time field reads are cut when read again; the board's own stay far
  // below that (its calendar ends in 2098).
  constexpr std::int64_t kReadable = 1'000'000'000'000;
  const bool readable = fields.start < kReadable && fields.interval < kReadable && fields.interval > -kReadable;
  if (schedule != vexa::MacroSchedule::none && readable) {
    // The fields the schedule shows survive; a one-off has no interval, a regular one no start.
    vexa::MacroFields expected = fields;
    if (schedule == vexa::MacroSchedule::without_date) expected.start = expected.interval = 0;
    check(vexa::parse_macro_value(shown) == expected);
  }
  if (fields.interval != 0) check(vexa::join_interval(vexa::split_interval(fields.interval)) == fields.interval);
  if (fields.start >= 0 && readable) {
    const vexa::MacroDate date = vexa::date_of_start(fields.start);
    if (date.year >= vexa::kMacroFirstYear && date.year <= vexa::kMacroLastYear)
      check(vexa::start_of_date(date) == fields.start);
  }
  return 0;
}
