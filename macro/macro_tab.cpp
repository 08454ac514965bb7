#include "macro/macro_tab.h"

#include <cstdint>

#include "base/control_record.h"
#include "base/text_format.h"

namespace vexa {

using namespace macro_id;

namespace {

constexpr int kTypeIds[] = {kTypeNone, kTypeWithoutDate, kTypeOnce, kTypeRegularly, kTypeFrom, kTypeOn};
constexpr const char* kTypeKeys[] = {"MMtypeNil", "MMtypeNev", "MMtypeOnce", "MMtypeReg", "MMtypeFrom", "MMtypeOn"};
constexpr int kIntervalIds[] = {kIntervalDays, kIntervalHours, kIntervalMinutes, kIntervalSeconds, kIntervalMs};

struct NumberList {
  int id;
  int x, y, width;
  int first, last, step;
};

// The number lists of the date and interval rows (the year list is made from the clock).
constexpr NumberList kLists[] = {
    {kMonth, 80, 158, 40, 1, 12, 1},           {kDay, 130, 158, 40, 1, 31, 1},
    {kHour, 200, 158, 40, 0, 23, 1},           {kMinute, 250, 158, 40, 0, 59, 1},
    {kSecond, 300, 158, 40, 0, 59, 1},         {kIntervalDays, 130, 182, 40, 1, 31, 1},
    {kIntervalHours, 200, 182, 40, 0, 23, 1},  {kIntervalMinutes, 250, 182, 40, 0, 59, 1},
    {kIntervalSeconds, 300, 182, 40, 0, 59, 1}, {kIntervalMs, 350, 182, 50, 0, 900, 100},
};

std::vector<std::string> numbers(int first, int last, int step) {
  std::vector<std::string> out;
  for (int n = first; n <= last; n += step) out.push_back(format_text("%d", n));
  return out;
}

Control control(int id, ControlKind kind, Rect rect, std::string caption = {}, unsigned style = kStyleNone) {
  return control_record(id, kind, std::move(caption), rect, style);
}

// Static texts are read-only fields without a frame.
Control label(int id, Rect rect, std::string caption) {
  return control(id, ControlKind::edit, rect, std::move(caption), kStyleReadOnly);
}

bool hidden_for(MacroSchedule type, int id) {
  switch (type) {
    case MacroSchedule::none: return id >= 720 && id <= 750;
    case MacroSchedule::without_date:
    case MacroSchedule::on_event: return id >= 720 && id <= 749;
    case MacroSchedule::once: return id >= 740 && id <= 749;
    case MacroSchedule::regularly:
      return id >= 720 && id <= 739 && id != 725 && id != 727 && id != 729 && id != 731;
    case MacroSchedule::regularly_from: return false;
  }
  return false;
}

}  // namespace

MacroTab::MacroTab(Configuration& configuration, BoardIdentity& identity, ConfigExchange& sender,
                   const Messages& messages, ReportSink& report, const Clock& clock)
    : configuration_(configuration),
      identity_(identity),
      sender_(sender),
      messages_(messages),
      report_(report),
      clock_(clock) {
  build();
  refresh_macro_tab();
  show_macro();
}

void MacroTab::build() {
  form_.add(label(kNoMacros, {10, 4, 200, 16}, {}));
  for (int i = 0; i < 6; ++i)
    form_.add(control(kTypeIds[i], ControlKind::check_button, {10, 26 + 18 * i, i == 5 ? 150 : 200, 16},
                      messages_.message(kTypeKeys[i])));
  Control events = control(kEvent, ControlKind::combobox, {160, 116, 120, kMacroComboDropHeight});
  for (std::string_view e : kMacroEvents) events.entries.emplace_back(e);
  events.selection = 0;
  events.caption = events.entries[0];
  form_.add(std::move(events));

  const std::vector<std::string> heads = comma_fields(messages_.message("MMdate"));
  constexpr int kLabelX[] = {10, 80, 130, 200, 250, 300, 350};
  for (int i = 0; i < 7; ++i)
    form_.add(label(721 + 2 * i, {kLabelX[i], 142, i == 6 ? 50 : 40, 16},
                    i < static_cast<int>(heads.size()) ? heads[i] : std::string()));

  const std::tm now = clock_.local_now();
  const int this_year = now.tm_year + 1900;
  Control year = control(kYear, ControlKind::combobox, {10, 158, 60, kMacroComboDropHeight});
  year.entries = numbers(this_year, kLastMacroYear, 1);
  form_.add(std::move(year));
  // The label of the interval row lies under its first field: it comes first.
  form_.add(label(kAll, {50, 186, 100, 16}, messages_.message("MMtypeAll")));
  for (const NumberList& list : kLists) {
    Control c = control(list.id, ControlKind::combobox, {list.x, list.y, list.width, kMacroComboDropHeight});
    c.entries = numbers(list.first, list.last, list.step);
    form_.add(std::move(c));
  }
  set_number(kYear, this_year);
  set_number(kMonth, now.tm_mon + 1);

  form_.add(control(kNow, ControlKind::push_button, {410, 158, 80, 18}, messages_.message("MMtoday")));
  form_.add(control(kClearDate, ControlKind::owner_drawn, {510, 158, 16, 16}));
  form_.add(control(kClearInterval, ControlKind::owner_drawn, {510, 182, 16, 16}));
  form_.add(control(kCommand, ControlKind::edit, {10, 230, 500, 18}, {}, kStyleBorder));
  // Apply and the label "Command" share their id; the button comes first, so look-ups by id
  // find the control that sends the command. The label is always shown with the button.
  form_.add(control(kApply, ControlKind::push_button, {10, 258, 80, 18}, messages_.message("TKappl")));
  form_.add(label(kApply, {10, 212, 100, 16}, messages_.message("MMcmd")));
}

std::string MacroTab::current_key() const {
  if (sub_tabs_.empty() || selected_ < 0) return {};
  return format_text("m%d", selected_);
}

void MacroTab::refresh_macro_tab() {
  sub_tabs_.clear();
  const int count = vexa::macro_count(identity_.type_letter(), identity_.firmware_version());
  for (int i = 0; i < count; ++i) sub_tabs_.push_back(format_text("m%d", i));
  if (selected_ >= count) selected_ = 0;
  form_.set_text(kNoMacros, count == 0 ? messages_.message("MMnomacs") : std::string());
  update_visibility();
}

void MacroTab::select_macro(int index) {
  if (index < 0 || index >= macro_count() || index == selected_) return;
  commit_macro();
  selected_ = index;
  show_macro();
}

void MacroTab::set_number(int id, long long value) {
  const std::string text = format_text("%lld", value);
  form_.set_text(id, text);
  int selection = -1;
  if (const Control* c = form_.find(id))
    for (std::size_t i = 0; i < c->entries.size(); ++i)
      if (c->entries[i] == text) selection = static_cast<int>(i);
  form_.set_selection(id, selection);
}

long MacroTab::field_number(int id) const { return leading_integer(form_.text(id)); }

MacroSchedule MacroTab::checked_schedule() const {
  for (int i = 0; i < 6; ++i)
    if (form_.checked(kTypeIds[i])) return static_cast<MacroSchedule>(i);
  return MacroSchedule::none;
}

void MacroTab::check_schedule(MacroSchedule schedule) {
  for (int i = 0; i < 6; ++i) form_.set_checked(kTypeIds[i], static_cast<int>(schedule) == i);
}

void MacroTab::show_macro() {
  form_.set_text(kNoMacros, macro_count() == 0 ? messages_.message("MMnomacs") : std::string());
  const std::string key = current_key();
  const std::string value = key.empty() ? std::string() : configuration_.parameter_value(key).value_or(std::string());
  const MacroFields fields = parse_macro_value(value);
  form_.set_text(kCommand, fields.command);
  const MacroSchedule schedule = schedule_of(fields);
  check_schedule(schedule);
  const int event = schedule == MacroSchedule::on_event ? static_cast<int>(-1 - fields.start) : 0;
  form_.set_selection(kEvent, event);
  form_.set_text(kEvent, kMacroEvents[static_cast<std::size_t>(event)]);

  const MacroDate date = date_of_start(fields.start);
  set_number(kYear, date.year);
  set_number(kMonth, date.month);
  set_number(kDay, date.day);
  set_number(kHour, date.hour);
  set_number(kMinute, date.minute);
  set_number(kSecond, date.second);

  const MacroInterval interval = split_interval(fields.interval);
  set_number(kIntervalMs, interval.milliseconds);
  set_number(kIntervalSeconds, interval.seconds);
  set_number(kIntervalMinutes, interval.minutes);
  set_number(kIntervalHours, interval.hours);
  set_number(kIntervalDays, interval.days);
  update_visibility();
}

bool MacroTab::commit_macro() {
  const std::string key = current_key();
  if (key.empty()) return true;
  const std::string command = limited(form_.text(kCommand), kMacroEditChars);
  if (command.empty() && configuration_.parameter_value(key).value_or(std::string()).empty()) return true;

  MacroDate date;
  date.year = static_cast<int>(field_number(kYear));
  date.month = static_cast<int>(field_number(kMonth));
  date.day = static_cast<int>(field_number(kDay));
  date.hour = static_cast<int>(field_number(kHour));
  date.minute = static_cast<int>(field_number(kMinute));
  date.second = static_cast<int>(field_number(kSecond));
  MacroInterval interval;
  interval.days = field_number(kIntervalDays);
  interval.hours = static_cast<int>(field_number(kIntervalHours));
  interval.minutes = static_cast<int>(field_number(kIntervalMinutes));
  interval.seconds = static_cast<int>(field_number(kIntervalSeconds));
  interval.milliseconds = static_cast<int>(field_number(kIntervalMs));

  int event = form_.at(kEvent).selection;
  if (event < 0)
    for (std::size_t e = 0; e < kMacroEvents.size(); ++e)
      if (kMacroEvents[e] == form_.text(kEvent)) event = static_cast<int>(e);
  const MacroSchedule schedule = checked_schedule();
  const std::int64_t start = start_of_date(date);
  // The board reads the start as a signed 32-bit number: a later date would wrap into the past.
  const bool dated = schedule == MacroSchedule::once || schedule == MacroSchedule::regularly_from;
  if (dated && (start > INT32_MAX || start < INT32_MIN)) {
    report_.print_line(format_message(messages_.message("VtMacroLate"), {key, date.year, date.month, date.day,
                                                                         date.hour, date.minute, date.second}));
    return false;
  }
  configuration_.set_parameter(key, format_macro_value(schedule, start, join_interval(interval), event, command));
  return true;
}

void MacroTab::update_visibility() {
  const MacroSchedule type = checked_schedule();
  const bool none = macro_count() == 0;
  for (const Control& c : form_.controls()) {
    const int id = c.id;
    if (id < 700 || id > 751) continue;
    bool shown;
    if (id == kNoMacros)
      shown = true;
    else if (none)
      shown = false;
    else if (id == kApply)
      shown = true;
    else if (id == kEvent)
      shown = type == MacroSchedule::on_event;
    else if (id == kMsLabel)
      shown = type == MacroSchedule::regularly || type == MacroSchedule::regularly_from;
    else
      shown = !hidden_for(type, id);
    form_.set_shown(id, shown);
  }
}

void MacroTab::command(const Command& command) {
  const int id = command.id;
  if (id >= kTypeNone && id <= kTypeOn) {
    check_schedule(static_cast<MacroSchedule>(id - kTypeNone));
    update_visibility();
    return;
  }
  switch (id) {
    case kNow: {
      const std::tm now = clock_.local_now();
      set_number(kYear, now.tm_year + 1900);
      set_number(kMonth, now.tm_mon + 1);
      set_number(kDay, now.tm_mday);
      set_number(kHour, now.tm_hour);
      set_number(kMinute, now.tm_min);
      set_number(kSecond, now.tm_sec);
      break;
    }
    case kClearDate:
      set_number(kYear, 2000);
      set_number(kMonth, 1);
      set_number(kDay, 1);
      set_number(kHour, 0);
      set_number(kMinute, 0);
      set_number(kSecond, 0);
      break;
    case kClearInterval:
      for (int i : kIntervalIds) set_number(i, 0);
      break;
    case kApply: {
      if (!commit_macro()) break;  // refused: the board keeps what it has
      const std::string key = current_key();
      if (key.empty() || !configuration_.find_parameter(key)) break;
      const std::string value = configuration_.parameter_value(key).value_or(std::string());
      sender_.send_assignment_line(key + "=" + (value.empty() ? std::string("-") : value));
      break;
    }
    case kEvent:
      if (command.notification == kNotifySelectionChanged) form_.set_selection(kEvent, static_cast<int>(command.param));
      break;
    default: break;
  }
}

}  // namespace vexa
