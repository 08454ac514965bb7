#include "app/line_settings_form.h"

#include "base/control_record.h"

#include "app/main_window_form.h"
#include "base/text_format.h"
#include "base/line_readback.h"

namespace vexa {

namespace {

constexpr int kLabelX = 10, kFieldX = 130, kFieldWidth = 150, kRowHeight = 30;
constexpr Parity kParities[] = {Parity::none, Parity::odd, Parity::even, Parity::mark, Parity::space};
constexpr FlowControl kFlows[] = {FlowControl::none, FlowControl::rts_cts, FlowControl::xon_xoff};

int index_of(const std::vector<std::string>& entries, const std::string& text) {
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i] == text) return static_cast<int>(i);
  return -1;
}

}  // namespace

LineSettingsForm::LineSettingsForm(const Messages& messages, const LineChoice& current)
    : messages_(messages), caption_(messages.message("VtLineTitle")) {
  const LineSettings shown = current.line.value_or(LineSettings{});
  struct Row {
    int id;
    const char* label;
    std::vector<std::string> entries;
    std::string text;
    unsigned style;
  };
  std::vector<std::string> parities, flows;
  for (Parity p : kParities) parities.push_back(parity_word(p, messages));
  for (FlowControl f : kFlows) flows.push_back(flow_word(f, messages));
  std::vector<std::string> speeds = comma_fields(kSpeedList);
  for (const char* more : {"230400", "250000", "460800", "921600"}) speeds.emplace_back(more);
  const Row rows[] = {
      // Any speed the driver takes can be typed (250000 for DMX, 31250 for MIDI).
      {kLineSpeedId, "VtLineSpeedLabel", speeds, std::to_string(current.speed), kStyleNone},
      {kLineDataBitsId, "VtLineDataBitsLabel", {"5", "6", "7", "8"}, std::to_string(shown.data_bits), kStyleDropList},
      {kLineParityId, "VtLineParityLabel", parities, parity_word(shown.parity, messages), kStyleDropList},
      {kLineStopBitsId, "VtLineStopBitsLabel", {"1", "2"}, std::to_string(shown.stop_bits), kStyleDropList},
      {kLineFlowId, "VtLineFlowLabel", flows, flow_word(shown.flow, messages), kStyleDropList},
  };
  int y = 10;
  for (const Row& row : rows) {
    // Labels take ids next to their field's that the dialog uses for nothing else.
    form_.add(control_record(row.id + 100, ControlKind::edit, messages.message(row.label), {kLabelX, y + 2, 115, 20},
                      kStyleReadOnly | kStyleLabel));
    Control& field = form_.add(control_record(row.id, ControlKind::combobox, row.text, {kFieldX, y, kFieldWidth, 200}, row.style));
    field.entries = row.entries;
    field.selection = index_of(row.entries, row.text);
    y += kRowHeight;
  }
  form_.add(control_record(kLineTakenId, ControlKind::edit, "", {kLabelX, y + 10, 390, 20}, kStyleReadOnly));
  y += 50;
  form_.add(control_record(kLineApplyId, ControlKind::push_button, messages.message("VtLineApply"), {130, y, 80, 22}, kStyleNone));
  form_.add(control_record(kLineOkId, ControlKind::push_button, messages.message("Tok"), {220, y, 80, 22}, kStyleNone));
  form_.add(control_record(kLineCancelId, ControlKind::push_button, messages.message("Tcancel"), {310, y, 80, 22}, kStyleNone));
}

std::optional<LineChoice> LineSettingsForm::choice() const {
  const std::string speed_text = form_.text(kLineSpeedId);
  if (speed_text.empty() || speed_text.size() > 10 || speed_text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const long speed = leading_integer(speed_text);
  if (speed < kLowestLineSpeed || speed > kHighestLineSpeed) return std::nullopt;
  LineSettings settings;
  settings.data_bits = static_cast<int>(leading_integer(form_.text(kLineDataBitsId)));
  settings.stop_bits = static_cast<int>(leading_integer(form_.text(kLineStopBitsId)));
  const int parity = index_of(form_.at(kLineParityId).entries, form_.text(kLineParityId));
  const int flow = index_of(form_.at(kLineFlowId).entries, form_.text(kLineFlowId));
  if (parity < 0 || flow < 0 || settings.data_bits < 5 || settings.data_bits > 8 ||
      (settings.stop_bits != 1 && settings.stop_bits != 2))
    return std::nullopt;
  settings.parity = kParities[parity];
  settings.flow = kFlows[flow];
  LineChoice choice;
  choice.speed = speed;
  if (settings != LineSettings{}) choice.line = settings;
  return choice;
}

bool LineSettingsForm::apply_choice(const Apply& apply) {
  const std::optional<LineChoice> chosen = choice();
  if (!chosen) {
    form_.set_text(kLineTakenId, format_message(messages_.message("VtLineBadSpeed"), {form_.text(kLineSpeedId)}));
    return false;
  }
  form_.set_text(kLineTakenId, apply ? apply(*chosen) : std::string());
  return true;
}

LineSettingsForm::Outcome LineSettingsForm::click(int id, const Apply& apply) {
  switch (id) {
    case kLineApplyId:
      apply_choice(apply);
      return Outcome::open;
    case kLineOkId:
      return apply_choice(apply) ? Outcome::close : Outcome::open;
    case kLineCancelId:
      return Outcome::close;
    default:
      return Outcome::open;
  }
}

}  // namespace vexa
