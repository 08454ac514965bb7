#include "analog/analog_tab.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdlib>

#include "analog/analog_conversions.h"
#include "analog/c_number.h"
#include "analog/calibration_export.h"
#include "analog/calibration_solver.h"
#include "analog/input_types.h"
#include "analog/propose_table.h"
#include "analog/trimmed_number.h"
#include "base/messages.h"
#include "base/settings.h"
#include "base/text_format.h"
#include "config/config_exchange.h"
#include "config/analog_presence.h"
#include "config/configuration.h"
#include "link/board_channel.h"
#include "platform/clock.h"

namespace vexa {

namespace {

using namespace analog_id;

constexpr std::size_t kBuiltForChars = 100;
constexpr std::size_t kLiveLineChars = 998;
constexpr int kPollTicks = 10;
constexpr std::int64_t kAlarmEditGuardMs = 100;
constexpr std::size_t kMultiplierChars = 10;

struct ControlRow {
  int id;
  ControlKind kind;
  unsigned style;
  const char* key;      // message key of the caption, or null
  const char* literal;  // literal caption
  Rect rect;
};

constexpr unsigned kLabel = kStyleStatic | kStyleReadOnly;
constexpr unsigned kField = kStyleBorder;
constexpr unsigned kNumber = kStyleBorder | kStyleRightAlign;
constexpr unsigned kShown = kStyleBorder | kStyleReadOnly;
constexpr unsigned kShownNumber = kStyleBorder | kStyleReadOnly | kStyleRightAlign;

// The controls of the tab; comma fields of MOPmmax are filled in afterwards.
const ControlRow kControls[] = {
    {kKey, ControlKind::edit, kLabel, nullptr, "a??", {10, 11, 40, 16}},
    {kName, ControlKind::edit, kField, nullptr, "", {60, 10, 200, 18}},
    {kTypeList, ControlKind::combobox, kStyleDropList, nullptr, "", {5, 33, 300, 500}},
    {kDescription, ControlKind::tab_window, kStyleRichText | kStyleReadOnly | kStyleStaticEdge | kStyleMultiLine,
     nullptr, "", {5, 33, 500, 100}},
    {kPicture, ControlKind::owner_drawn, kStyleNone, nullptr, "", {500, 33, 100, 100}},
    {kOperationLabel, ControlKind::edit, kLabel, "TAcalc", nullptr, {10, 143, 50, 16}},
    {kTimesLabel, ControlKind::edit, kLabel, nullptr, "*", {60, 143, 10, 16}},
    {kMultiplier, ControlKind::edit, kField, nullptr, "", {70, 143, 80, 18}},
    {kPlusLabel, ControlKind::edit, kLabel, nullptr, "+", {150, 143, 10, 16}},
    {kOffset, ControlKind::edit, kField, nullptr, "", {160, 143, 80, 18}},
    {kDecimals, ControlKind::edit, kShownNumber, nullptr, "", {250, 143, 80, 18}},
    {kMoreDecimals, ControlKind::push_button, kStyleNone, nullptr, "+", {330, 143, 16, 9}},
    {kFewerDecimals, ControlKind::push_button, kStyleNone, nullptr, "-", {330, 152, 16, 9}},
    {kClearOperation, ControlKind::owner_drawn, kStyleBorder, nullptr, "", {360, 143, 16, 16}},
    {kOperationCountLabel, ControlKind::edit, kLabel, "TKraw", nullptr, {60, 163, 100, 16}},
    {kOperationValueLabel, ControlKind::edit, kLabel, "TKval", nullptr, {220, 163, 80, 16}},
    {kOperationTempLabel, ControlKind::edit, kLabel, "TKtemp", nullptr, {220, 163, 100, 16}},
    {kLowAlarm, ControlKind::edit, kLabel, "MAmin", nullptr, {10, 181, 50, 18}},
    {kLowAlarmCount, ControlKind::edit, kNumber, nullptr, "0", {60, 181, 60, 18}},
    {kLowAlarm + kMillivoltField, ControlKind::edit, kShownNumber, nullptr, "", {130, 181, 80, 18}},
    {kLowAlarmScaled, ControlKind::edit, kNumber, nullptr, "", {220, 181, 100, 18}},
    {kAlarmNone, ControlKind::check_button, kStyleRadio, "MDalarmn", nullptr, {10, 181, 100, 16}},
    {kAlarmZero, ControlKind::check_button, kStyleRadio, "MDalarm0", nullptr, {110, 181, 100, 16}},
    {kAlarmOne, ControlKind::check_button, kStyleRadio, "MDalarm1", nullptr, {210, 181, 100, 16}},
    {kAbcLabel, ControlKind::edit, kLabel, nullptr, "Expression", {10, 181, 85, 18}},
    {kAbc, ControlKind::edit, kField, nullptr, "", {70, 181, 140, 18}},
    {kHighAlarm, ControlKind::edit, kLabel, "MAmax", nullptr, {10, 201, 50, 18}},
    {kHighAlarmCount, ControlKind::edit, kNumber, nullptr, "0", {60, 201, 60, 18}},
    {kHighAlarm + kMillivoltField, ControlKind::edit, kShownNumber, nullptr, "", {130, 201, 80, 18}},
    {kHighAlarmScaled, ControlKind::edit, kNumber, nullptr, "", {220, 201, 100, 18}},
    {kApply, ControlKind::push_button, kStyleNone, "TKappl", nullptr, {10, 226, 80, 18}},
    {kLiveLine, ControlKind::edit, kShown, nullptr, "", {95, 226, 250, 18}},
    {kListen, ControlKind::check_button, kStyleNone, "TKlisten", nullptr, {355, 226, 60, 18}},
    {kDiffLabel, ControlKind::edit, kLabel, "MOPdiff", nullptr, {420, 143, 50, 18}},
    {kDiff, ControlKind::check_button, kStyleNone, nullptr, "", {470, 143, 40, 16}},
    {kPivotLabel, ControlKind::edit, kLabel, "MOPpivot", nullptr, {420, 163, 50, 18}},
    {kPivot, ControlKind::edit, kNumber, nullptr, "", {470, 163, 60, 18}},
    {kLcdLabel, ControlKind::edit, kLabel, "MOPlcdT", nullptr, {420, 183, 50, 18}},
    {kLcd, ControlKind::edit, kNumber, nullptr, "1", {470, 183, 60, 18}},
    {kStoreLabel, ControlKind::edit, kLabel, nullptr, "", {420, 203, 50, 18}},
    {kStoreAvg, ControlKind::check_button, kStyleNone, nullptr, "", {470, 203, 40, 16}},
    {kStoreMin, ControlKind::check_button, kStyleNone, nullptr, "", {510, 203, 40, 16}},
    {kStoreMax, ControlKind::check_button, kStyleNone, nullptr, "", {550, 203, 40, 16}},
    {kHelp, ControlKind::edit, kShown | kStyleStaticEdge | kStyleMultiLine, nullptr, "", {5, 256, 500, 50}},
    {kPointsCountLabel, ControlKind::edit, kLabel, "TKraw", nullptr, {10, 331, 100, 16}},
    {kPointsAbcLabel, ControlKind::edit, kLabel, "TKabc", nullptr, {10, 331, 100, 16}},
    {kPointsScaledLabel, ControlKind::edit, kLabel, "TKcal", nullptr, {170, 331, 80, 16}},
    {kPointsTempLabel, ControlKind::edit, kLabel, "TKtemp", nullptr, {170, 331, 80, 16}},
    {kPointsValueLabel, ControlKind::edit, kLabel, "TKval", nullptr, {280, 331, 60, 16}},
    {kPoint1Count, ControlKind::edit, kNumber, nullptr, "0", {10, 351, 60, 18}},
    {kPoint1 + kMillivoltField, ControlKind::edit, kShownNumber, nullptr, "", {80, 351, 80, 18}},
    {kPoint1 + kScaledField, ControlKind::edit, kShownNumber, nullptr, "", {170, 351, 100, 18}},
    {kPoint1Wanted, ControlKind::edit, kNumber, nullptr, "0", {280, 351, 80, 18}},
    {kCatch1, ControlKind::push_button, kStyleNone, "TKcatch", nullptr, {370, 351, 80, 18}},
    {kPropose1, ControlKind::combobox, kStyleDropList, nullptr, "", {460, 351, 80, 300}},
    {kPoint2Count, ControlKind::edit, kNumber, nullptr, "0", {10, 371, 60, 18}},
    {kPoint2 + kMillivoltField, ControlKind::edit, kShownNumber, nullptr, "", {80, 371, 80, 18}},
    {kPoint2 + kScaledField, ControlKind::edit, kShownNumber, nullptr, "", {170, 371, 100, 18}},
    {kPoint2Wanted, ControlKind::edit, kNumber, nullptr, "0", {280, 371, 80, 18}},
    {kCatch2, ControlKind::push_button, kStyleNone, "TKcatch", nullptr, {370, 371, 80, 18}},
    {kPropose2, ControlKind::combobox, kStyleDropList, nullptr, "", {460, 371, 80, 300}},
    {kCalculate, ControlKind::push_button, kStyleNone, "TKcaca", nullptr, {10, 397, 80, 18}},
    {kTable, ControlKind::push_button, kStyleNone, "TKtable", nullptr, {100, 397, 80, 18}},
};

// Which input types show the type-dependent controls (kFirstTypedControl..kLastTypedControl),
// and what else a control needs. The first rule whose ids hold a control's id decides.
enum ShowNeed : unsigned {
  kNeedsNothing = 0,
  kNeedsAlarms = 1u << 0,      // a board with alarms (not E class, new enough firmware)
  kNeedsSClass = 1u << 1,
  kNeedsEvenInput = 1u << 2,   // differential pairs start on even inputs
  kNeedsProposals = 1u << 3,   // the type has a propose table for this board class
};

struct ShowRule {
  int first, last;        // the control ids the rule covers
  std::string_view types;  // the type letters that show them,
  bool every_type_but;     // or, when set, the only ones that do not
  unsigned needs;
};

constexpr ShowRule kShowRules[] = {
    {kDiff, kDiffLabel, "-z", true, kNeedsSClass | kNeedsEvenInput},
    {kPivot, kStoreLabel, "-z", true, kNeedsSClass},
    {kAlarmNone, kAlarmOne, "d", false, kNeedsAlarms},
    {kAbcLabel, kAbc, "v", false, kNeedsNothing},
    {kLowAlarm + kMillivoltField, kLowAlarm + kMillivoltField, "ac", false, kNeedsAlarms},
    {kHighAlarm + kMillivoltField, kHighAlarm + kMillivoltField, "ac", false, kNeedsAlarms},
    {kOperationCountLabel, kOperationValueLabel, "ac", false, kNeedsAlarms},
    {kOperationTempLabel, kOperationTempLabel, "kp", false, kNeedsAlarms},
    {kLowAlarm, kOperationTempLabel, "ackp", false, kNeedsAlarms},
    {kPoint1 + kMillivoltField, kPoint1 + kMillivoltField, "ackp", false, kNeedsNothing},
    {kPoint2 + kMillivoltField, kPoint2 + kMillivoltField, "ackp", false, kNeedsNothing},
    {kPointsCountLabel, kPointsCountLabel, "ackp", false, kNeedsNothing},
    {kPointsScaledLabel, kPointsScaledLabel, "acv", false, kNeedsNothing},
    {kPointsTempLabel, kPointsTempLabel, "kp", false, kNeedsNothing},
    {kPointsAbcLabel, kPointsAbcLabel, "v", false, kNeedsNothing},
    {kPropose1, kPropose2, "ackpv", false, kNeedsProposals},
    {kFirstTypedControl, kLastTypedControl, "ackpv", false, kNeedsNothing},
};

bool one_of(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }

// A text that begins with an integer (after blanks), as the C conversion reads it.
std::optional<long> leading_count(std::string_view text) {
  std::size_t position = 0;
  const ReadNumber<long> n = read_integer(text, position);
  if (!n.consumed) return std::nullopt;
  return n.value;
}

}  // namespace

AnalogTab::AnalogTab(AnalogTabLinks links) : links_(std::move(links)) { build_form(); }

void AnalogTab::build_form() {
  for (const ControlRow& row : kControls) {
    Control c;
    c.id = row.id;
    c.kind = row.kind;
    c.style = row.style;
    c.caption = row.key ? links_.messages.message(row.key) : row.literal;
    c.rect = row.rect;
    form_.add(std::move(c));
  }
  const std::vector<std::string> store = comma_fields(links_.messages.message("MOPmmax"));
  const int fields[] = {kStoreLabel, kStoreAvg, kStoreMin, kStoreMax};
  for (std::size_t k = 0; k < std::size(fields); ++k) form_.set_text(fields[k], k < store.size() ? store[k] : "");
}

AnalogBoard AnalogTab::board() const {
  const BoardIdentityData id = links_.identity.current();
  return AnalogBoard{id.type_letter, id.firmware_version};
}

void AnalogTab::create() {
  AnalogPresence& presence = links_.configuration.presence();
  if (presence.present_inputs().empty())
    presence.reset_to_first(board().board_class() == BoardClass::e ? 8 : 16);
  rebuild_tabs(false);
  reparse();
  refresh();
}

int AnalogTab::selected_number() const {
  if (selected_ < 0 || selected_ >= static_cast<int>(tabs_.size())) return -1;
  return tabs_[static_cast<std::size_t>(selected_)].number;
}

void AnalogTab::rebuild_tabs(bool force) {
  const std::string line = limited(links_.identity.line(), kBuiltForChars);
  if (!force && line == built_for_) return;
  built_for_ = line;
  const int full_scale = board().adc().full_scale;
  form_.set_text(kPoint1Count, "0");
  form_.set_text(kPoint1Wanted, "0");
  form_.set_text(kPoint2Count, format_text("%d", full_scale));
  form_.set_text(kPoint2Wanted, format_text("%d", full_scale));
  const int before = selected_number();
  tabs_.clear();
  for (int n : links_.configuration.presence().present_inputs()) tabs_.push_back({n, format_text("a%d", n)});
  tabs_.push_back({kPlanTab, links_.messages.message("MtabAnnaPlan")});
  tabs_.push_back({kDataTab, links_.messages.message("MtabAnnaBar")});
  selected_ = 0;
  for (std::size_t i = 0; i < tabs_.size(); ++i)
    if (tabs_[i].number == before) selected_ = static_cast<int>(i);
  listened_input_ = selected_number() < kFirstViewTab ? selected_number() : -1;
  reparse();
  if (tabs_listener_) tabs_listener_();
}

void AnalogTab::select_tab(int index) {
  if (index < 0 || index >= static_cast<int>(tabs_.size()) || index == selected_) return;
  store();
  selected_ = index;
  const int n = selected_number();
  listened_input_ = n < kFirstViewTab ? n : -1;
  if (n < kFirstViewTab) reparse();
}

void AnalogTab::set_section_current(bool current) { section_current_ = current; }

const InputType* AnalogTab::current_type() const { return links_.types.entry(current_type_); }

char AnalogTab::type_letter() const {
  const InputType* type = current_type();
  return type ? read_type_prefix(type->mode).letter : '-';
}

TypePrefix AnalogTab::type_prefix() const {
  const InputType* type = current_type();
  return type ? read_type_prefix(type->mode) : TypePrefix{};
}

// --- expression ---

void AnalogTab::reparse() {
  const int n = selected_number();
  if (n < 0 || n >= kFirstViewTab) return;
  const std::string key = format_text("a%d", n);
  form_.set_text(kKey, key);
  const auto record = links_.configuration.find_parameter(key);
  const std::string value = record ? record->value : "";
  expression_ = parse_analog_expression(value, record ? std::string_view(record->name) : std::string_view{});
  fields_from_expression();
  fill_types();
  select_type(value, record ? record->type : "");
  refresh();
  update_visibility();
}

void AnalogTab::fields_from_expression() {
  const AnalogExpression& e = expression_;
  form_.set_text(kName, e.name);
  form_.set_text(kLowAlarmCount, format_text("%d", e.low_alarm));
  form_.set_text(kHighAlarmCount, format_text("%d", e.high_alarm));
  form_.set_checked(kAlarmNone, e.digital_alarm == DigitalAlarm::none);
  form_.set_checked(kAlarmZero, e.digital_alarm == DigitalAlarm::on_zero);
  form_.set_checked(kAlarmOne, e.digital_alarm == DigitalAlarm::on_one);
  form_.set_text(kAbc, e.abc_expression);
  form_.set_checked(kDiff, e.diff);
  form_.set_text(kPivot, e.pivot ? format_text("%d", e.pivot) : "");
  form_.set_text(kLcd, format_text("%d", e.lcd));
  form_.set_checked(kStoreAvg, e.store_mask & kStoreAverage);
  form_.set_checked(kStoreMin, e.store_mask & kStoreMinimum);
  form_.set_checked(kStoreMax, e.store_mask & kStoreMaximum);
}

void AnalogTab::expression_from_fields() {
  AnalogExpression& e = expression_;
  e.name = limited(form_.text(kName), kAnalogTextChars);
  e.low_alarm = static_cast<int>(leading_integer(form_.text(kLowAlarmCount)));
  e.high_alarm = static_cast<int>(leading_integer(form_.text(kHighAlarmCount)));
  if (type_letter() == 'd') {
    e.digital_alarm = form_.checked(kAlarmZero)  ? DigitalAlarm::on_zero
                      : form_.checked(kAlarmOne) ? DigitalAlarm::on_one
                                                 : DigitalAlarm::none;
  }
  e.abc_expression = limited(form_.text(kAbc), kAnalogTextChars);
  e.diff = form_.checked(kDiff);
  e.pivot = static_cast<int>(leading_integer(form_.text(kPivot)));
  e.lcd = static_cast<int>(leading_integer(form_.text(kLcd)));
  e.store_mask = (form_.checked(kStoreAvg) ? kStoreAverage : 0u) | (form_.checked(kStoreMin) ? kStoreMinimum : 0u) |
                 (form_.checked(kStoreMax) ? kStoreMaximum : 0u);
}

void AnalogTab::store() {
  const int n = selected_number();
  if (!section_current_ || n < 0 || n >= kFirstViewTab) return;
  expression_from_fields();
  const InputType* type = current_type();
  const InputTypeChoice choice{type ? std::string_view(type->mode) : std::string_view{},
                               type ? std::string_view(type->title) : std::string_view{}};
  const std::string key = format_text("a%d", n);
  if (type_letter() == '-') {
    // An unused input over an empty value stays empty: only its type text goes.
    const auto index = links_.configuration.find_index(key);
    if (index && links_.configuration.parameter_value(key).value_or(std::string()).empty()) {
      links_.configuration.store_type(*index, "");
      return;
    }
  }
  const PrintedExpression printed = print_analog_expression(key, expression_, choice, board());
  if (!links_.configuration.set_parameter(key, printed.value)) return;
  if (auto index = links_.configuration.find_index(key)) {
    links_.configuration.store_name(*index, printed.name);
    links_.configuration.store_type(*index, printed.type_title);
  }
}

void AnalogTab::apply() {
  store();
  const std::string key = form_.text(kKey);
  const auto record = links_.configuration.find_parameter(key);
  if (!record) return;
  const std::string line = key + "=" + (record->value.empty() ? std::string("-") : record->value);
  links_.sender.send_assignment_line(line);
}

// --- refresh and visibility ---

void AnalogTab::refresh(int edited) {
  const AnalogBoard b = board();
  const BoardClass cls = b.board_class();
  AnalogScaling& s = expression_.scaling;

  std::string multiplier;
  if (cls == BoardClass::e) {
    multiplier = format_text("%d", s.int_multiplier);
  } else if (cls == BoardClass::f) {
    const double m = s.real_multiplier;
    multiplier = format_text(m >= 1.0 || m <= -1.0 ? "%f" : "%.8f", m);
  } else {
    append_trimmed_number(multiplier, s.real_multiplier, TrimmedMode::zero_as_digit);
  }
  limit_text(multiplier, kMultiplierChars);
  if (edited != kMultiplier && form_.text(kMultiplier) != multiplier) form_.set_text(kMultiplier, multiplier);

  std::string offset;
  if (cls == BoardClass::s) append_trimmed_number(offset, s.real_offset, TrimmedMode::zero_as_nothing);
  else offset = format_text("%d", s.int_offset);
  if (edited != kOffset && form_.text(kOffset) != offset) form_.set_text(kOffset, offset);

  const int max_decimals = b.adc().max_decimals;
  if (s.decimals > max_decimals) s.decimals = static_cast<std::uint8_t>(max_decimals);
  const std::string pattern = s.decimals == 0 ? "#" : std::string("#.########").substr(0, 2 + s.decimals);
  form_.set_text(kDecimals, pattern);

  const TypePrefix prefix = type_prefix();
  const std::int64_t now = links_.clock.monotonic_ms();
  for (int row : {kPoint1, kPoint2, kLowAlarm, kHighAlarm}) {
    const auto count = leading_count(form_.text(row + kCountField));
    if (!count) continue;
    const bool alarm = row == kLowAlarm || row == kHighAlarm;
    std::string mv, value;
    if (!(alarm && *count == 0)) {
      mv = millivolts_text(static_cast<double>(*count), cls);
      value = format_real_value(static_cast<double>(*count), s, cls, prefix, alarm);
    }
    if (edited != row + kMillivoltField) form_.set_text(row + kMillivoltField, mv);
    if (!alarm) {
      if (edited != row + kScaledField) form_.set_text(row + kScaledField, value);
      continue;
    }
    if (edited == row + kScaledField || now - last_user_alarm_edit_ < kAlarmEditGuardMs) continue;
    form_.set_text(row + kScaledField, value);
    (row == kLowAlarm ? last_low_text_ : last_high_text_) = value;
  }
}

void AnalogTab::update_visibility() {
  const char t = type_letter();
  const AnalogBoard b = board();
  const BoardClass cls = b.board_class();
  const bool alarms = cls != BoardClass::e && b.firmware_version >= kAlarmFirmware;
  const int n = selected_number();
  const InputType* type = current_type();
  const bool has_propose = type && !propose_list(type->propose, cls).empty();
  for (const Control& c : form_.controls()) {
    if (c.id < kFirstTypedControl || c.id > kLastTypedControl) continue;
    const ShowRule& rule = *std::find_if(std::begin(kShowRules), std::end(kShowRules),
                                         [&](const ShowRule& r) { return c.id >= r.first && c.id <= r.last; });
    bool shown = one_of(t, rule.types) != rule.every_type_but;
    if (rule.needs & kNeedsAlarms) shown = shown && alarms;
    if (rule.needs & kNeedsSClass) shown = shown && cls == BoardClass::s;
    if (rule.needs & kNeedsEvenInput) shown = shown && n >= 0 && n % 2 == 0;
    if (rule.needs & kNeedsProposals) shown = shown && has_propose;
    form_.set_shown(c.id, shown);
  }
  std::vector<std::string> entries;
  if (has_propose)
    for (const ProposeEntry& e : propose_list(type->propose, cls)) entries.push_back(e.text);
  form_.set_entries(kPropose1, entries);
  form_.set_entries(kPropose2, entries);
  form_.set_selection(kPropose1, -1);
  form_.set_selection(kPropose2, -1);
  form_.set_text(kHelp, help_text(t));
}

std::string AnalogTab::help_text(char t) const {
  const Messages& m = links_.messages;
  if (t == 'k') return m.message("TKtxT1") + "\r\n" + m.message("TKtxT2") + "\r\n" + m.message("TKtxT3");
  if (t == 'p') return m.message("TKtxP1") + "\r\n" + m.message("TKtxP2") + "\r\n" + m.message("TKtxP3");
  const std::string first = m.message(t == 'v' ? "TKtxV1" : "TKtxt1");
  return first + m.message("TKtxt2") + "\r\n" + m.message("TKtxt4") + m.message("TKtxt5");
}

// --- type list, description and picture ---

void AnalogTab::fill_types() {
  const int n = selected_number();
  type_list_ = fill_type_list(links_.types, board().type_letter, n);
  form_.set_entries(kTypeList, type_list_.titles);
}

void AnalogTab::select_type(const std::string& value, const std::string& type_text) {
  const InputTypeSelection chosen = select_type_for_value(links_.types, type_list_, value, type_text);
  current_type_ = chosen.entry;
  form_.set_selection(kTypeList, chosen.position);
  form_.set_text(kTypeList, chosen.position >= 0 ? type_list_.titles[static_cast<std::size_t>(chosen.position)] : "");
  show_description();
  picture_changed();
}

void AnalogTab::show_description() {
  description_ = show_type_description(current_type(), links_.settings.debug(), links_.messages);
  form_.set_text(kDescription, description_.text);
}

void AnalogTab::picture_changed() {
  if (picture_listener_) picture_listener_();
}

bool AnalogTab::draw_picture(Painter& p, PictureSheets& sheets) {
  return draw_input_picture(p, sheets, marks_, current_type(), board().type_letter, selected_number());
}

void AnalogTab::type_chosen(int position) {
  const InputTypeSelection chosen = choose_type(type_list_, position);
  current_type_ = chosen.entry;
  show_description();
  form_.set_checked(kDiff, false);
  expression_.diff = false;
  picture_changed();
  expression_.scaling = AnalogScaling{};
  if (const InputType* type = current_type()) {
    const AnalogExpression defaults = parse_analog_expression(type->mode);
    expression_.scaling = defaults.scaling;
    if (type->mode.find(",d=") != std::string::npos) {
      expression_.diff = defaults.diff;
      form_.set_checked(kDiff, defaults.diff);
    }
  }
  refresh();
  update_visibility();
}

// --- commands ---

void AnalogTab::read_operation(int id) {
  const std::string text = form_.text(kMultiplier);
  const std::string offset_text = form_.text(kOffset);
  AnalogScaling& s = expression_.scaling;
  if (id == kOffset) {
    const auto i = static_cast<std::int32_t>(leading_integer(offset_text));
    const float r = narrow_to_float(std::strtod(offset_text.c_str(), nullptr));
    if (i == s.int_offset && r == s.real_offset) return;
    s.int_offset = i;
    s.real_offset = std::isfinite(r) ? r : 0;
    refresh(kOffset);
    return;
  }
  const auto i = static_cast<std::int32_t>(leading_integer(text));
  const float r = narrow_to_float(std::strtod(text.c_str(), nullptr));
  if (i == s.int_multiplier && r == s.real_multiplier) return;
  s.int_multiplier = i;
  s.real_multiplier = std::isfinite(r) ? r : 0;
  refresh(kMultiplier);
}

void AnalogTab::typed_alarm(int id) {
  const std::string text = form_.text(id);
  std::string& last = id == kLowAlarmScaled ? last_low_text_ : last_high_text_;
  if (text == last) return;
  const double real = std::strtod(text.c_str(), nullptr);
  const int count = truncate_to_int32(real_to_raw(std::isfinite(real) ? real : 0, expression_.scaling));
  last_user_alarm_edit_ = links_.clock.monotonic_ms();
  form_.set_text(id - kScaledField + kCountField, format_text("%d", count));
  refresh(id);
}

void AnalogTab::catch_row(int row) {
  if (row == 0) row = pending_catch_;
  if (row == 0) return;
  if (!line_available_) {
    pending_catch_ = row;
    return;
  }
  const std::string line = form_.text(kLiveLine);
  line_available_ = false;
  pending_catch_ = 0;
  const std::size_t colon = line.find(':');
  if (colon == std::string::npos) {
    form_.set_text(row + kCountField, "");
    form_.set_text(row + kMillivoltField, "");
    form_.set_text(row + kScaledField, "");
    refresh(row + kCountField);
    return;
  }
  std::size_t i = colon + 1;
  while (i < line.size() && line[i] == ' ') ++i;
  const std::size_t count_start = i;
  std::size_t position = i;
  read_integer(line, position);
  const std::string count = line.substr(count_start, position - count_start);
  i = position;
  if (i < line.size()) ++i;  // the character after the count ends it
  while (i < line.size() && line[i] == ' ') ++i;
  std::size_t blank = line.find(' ', i);
  const std::string mv = line.substr(i, blank == std::string::npos ? std::string::npos : blank - i);
  std::string value;
  if (blank != std::string::npos && blank + 1 < line.size() && line[blank + 1] == '=') value = line.substr(blank + 2);
  form_.set_text(row + kCountField, count);
  refresh(row + kCountField);
  form_.set_text(row + kMillivoltField, mv);
  form_.set_text(row + kScaledField, value);
}

void AnalogTab::command(const Command& c) {
  take_live_lines();
  const int id = c.id;
  switch (id) {
    case kTypeList:
      if (c.notification == kNotifySelectionChanged) type_chosen(static_cast<int>(c.param));
      return;
    case kApply:
      apply();
      return;
    case kListen:
      if (c.notification == kNotifyClicked || c.notification == kNotifyEditChanged)
        form_.set_checked(kListen, !(pending_catch_ != 0 || form_.checked(kListen)));
      return;
    case kMultiplier:
    case kOffset:
      read_operation(id);
      return;
    case kPoint1Wanted:
    case kPoint2Wanted:
      read_operation(kMultiplier);
      refresh(id);
      return;
    case kMoreDecimals:
      if (expression_.scaling.decimals < board().adc().max_decimals) ++expression_.scaling.decimals;
      refresh();
      return;
    case kFewerDecimals:
      if (expression_.scaling.decimals > 0) --expression_.scaling.decimals;
      refresh();
      return;
    case kClearOperation:
      expression_.scaling = AnalogScaling{};
      refresh();
      return;
    case kAlarmNone:
    case kAlarmZero:
    case kAlarmOne:
      for (int r : {kAlarmNone, kAlarmZero, kAlarmOne}) form_.set_checked(r, r == id);
      return;
    case kPoint1Count:
    case kPoint2Count:
    case kLowAlarmCount:
    case kHighAlarmCount:
      refresh(id);
      return;
    case kLowAlarmScaled:
    case kHighAlarmScaled:
      typed_alarm(id);
      return;
    case kCatch1:
      catch_row(kPoint1);
      return;
    case kCatch2:
      catch_row(kPoint2);
      return;
    case kPropose1:
    case kPropose2: {
      if (c.notification != kNotifySelectionChanged) return;
      const InputType* type = current_type();
      if (!type) return;
      const auto raw = propose_choice(type->propose, static_cast<int>(c.param));
      if (!raw) return;
      const int field = id == kPropose1 ? kPoint1Count : kPoint2Count;
      form_.set_text(field, format_text("%lld", *raw));
      refresh(field);
      return;
    }
    case kCalculate: {
      const std::string r1 = form_.text(kPoint1Count), r2 = form_.text(kPoint2Count);
      const std::string v1 = form_.text(kPoint1Wanted), v2 = form_.text(kPoint2Wanted);
      solve_scaling({r1, r2, v1, v2}, type_prefix(), board(), expression_.scaling, links_.report);
      refresh();
      return;
    }
    case kTable:
      if (links_.chooser && links_.report)
        export_calibration_table({expression_.scaling, type_prefix(), board().board_class()}, *links_.chooser,
                                 links_.opener, *links_.report, links_.messages);
      return;
    case kDiff:
    case kStoreAvg:
    case kStoreMin:
    case kStoreMax:
      if (c.notification == kNotifyClicked || c.notification == kNotifyEditChanged)
        form_.set_checked(id, !form_.checked(id));
      return;
    default:
      return;
  }
}

// --- listening ---

void AnalogTab::on_line(std::string_view line) {
  poll_ticks_ = 0;
  const int n = listened_input_.load();
  if (n < 0) return;
  std::size_t found = line.find(format_text(" a%d:", n));
  if (found == std::string_view::npos) found = line.find(format_text(" a%02d:", n));
  if (found == std::string_view::npos) return;
  std::string_view piece = line.substr(found + 1);
  const std::size_t next = piece.find(" a");
  if (next != std::string_view::npos) piece = piece.substr(0, next);
  std::lock_guard lock(inbox_mutex_);
  inbox_ = limited(piece, kLiveLineChars);
  inbox_input_ = n;
}

void AnalogTab::take_live_lines() {
  std::optional<std::string> line;
  int input = -1;
  {
    std::lock_guard lock(inbox_mutex_);
    line.swap(inbox_);
    input = inbox_input_;
  }
  if (line && input == selected_number()) listen_step(&*line);
}

void AnalogTab::listen_step(const std::string* line) {
  const int n = selected_number();
  if (n != last_input_) {
    form_.set_text(kLiveLine, "");
    last_input_ = n;
    line_available_ = false;
  }
  if (!section_current_ || n < 0 || n >= kFirstViewTab) form_.set_checked(kListen, false);
  const bool listening = pending_catch_ != 0 || form_.checked(kListen);
  if (line) {
    form_.set_text(kLiveLine, *line);
    line_available_ = true;
    catch_row(0);
    return;
  }
  const int ticks = ++poll_ticks_;
  if (!listening || ticks <= kPollTicks || n < 0 || n >= kFirstViewTab) return;
  if (!links_.link_open || !links_.link_open()) return;
  const AnalogBoard b = board();
  links_.channel.send_line(b.firmware_version >= kAlarmFirmware ? format_text("a%d", n) : std::string("a?"));
  poll_ticks_ = 0;
}

bool AnalogTab::tick_100ms() {
  // Not forced: the same identity again keeps the tabs and the calibration points.
  if (identity_seen_.exchange(false)) rebuild_tabs(false);
  if (links_.configuration.presence().take_changed()) rebuild_tabs(true);
  take_live_lines();
  listen_step(nullptr);
  return false;
}

void AnalogTab::target_changed(const BoardIdentityData& identity) {
  links_.configuration.presence().reset_to_first(board_class(identity.type_letter) == BoardClass::e ? 8 : 16);
  identity_seen_ = true;
}

}  // namespace vexa
