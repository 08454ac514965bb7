#include "app/main_window_form.h"

#include <algorithm>

#include "base/command_ids.h"
#include "base/control_record.h"
#include "base/identity.h"
#include "base/painter.h"
#include "base/settings.h"
#include "base/text_format.h"
#include "link/serial_link.h"

namespace vexa {

std::string main_window_title(const std::string& product_name, bool reduced_variant) {
  if (reduced_variant) return format_text("ARM Compile Download Terminal %d", kProgramVersion);
  return format_text("%s Terminal %d", product_name.c_str(), kProgramVersion);
}

// --- stopwatch ---

std::string stopwatch_text(long tenths) {
  if (tenths < 10000) return format_text("%ld.%ld", tenths / 10, tenths % 10);
  return format_text("%ld", tenths / 10);
}

long tenths_of_day(long long epoch_seconds, int milliseconds) {
  long long seconds = epoch_seconds % 86400;
  if (seconds < 0) seconds += 86400;
  return static_cast<long>(seconds * 10 + milliseconds / 100);
}

void Stopwatch::press() {
  state_ = state_ == State::stopped ? State::start_requested : State::stop_requested;
}

std::string Stopwatch::tick(long now_tenths) {
  auto since_start = [&] {
    long d = now_tenths - start_;
    return d < 0 ? d + 864000 : d;  // passed midnight
  };
  switch (state_) {
    case State::start_requested:
      start_ = now_tenths;
      elapsed_ = 0;
      state_ = State::running;
      break;
    case State::running:
      elapsed_ = since_start();
      break;
    case State::stop_requested:
      elapsed_ = since_start();
      state_ = State::stopped;
      break;
    case State::stopped:
      break;
  }
  return stopwatch_text(elapsed_);
}

// --- the control table ---

MainWindowForm::MainWindowForm(const MainWindowOptions& options, const Messages& messages)
    : options_(options) {
  add_controls(messages);
}

void MainWindowForm::add_controls(const Messages& messages) {
  auto m = [&](const char* key) { return messages.message(key); };
  auto icon = [&](int id, int image, int x, std::string tip) {
    Control c;
    c.id = id;
    c.kind = ControlKind::icon_button;
    c.rect = {x, kToolRowY, kIconButtonSize, kIconButtonSize};
    c.image = image;
    c.tip = std::move(tip);
    form_.add(std::move(c));
    icons_.emplace_back(id, image);
  };
  auto control = [&](int id, ControlKind kind, std::string caption, Rect rect, unsigned style,
                     int parent = 0) {
    Control c = control_record(id, kind, std::move(caption), rect, style);
    c.parent = parent;
    return &form_.add(std::move(c));
  };
  if (!options_.reduced_variant) {
    icon(cmd::kConfGet, 0, 10, m("McGet"));
    icon(cmd::kConfDownload, 1, 32, m("McDown"));
    icon(cmd::kConfSave, 2, 54, m("McSave"));
    icon(cmd::kConfLoad, 3, 76, m("McLoad"));
  }
  const int x = tool_x();
  icon(cmd::kTimeNow, 4, x, m("McTime"));
  control(cmd::kPortSelector, ControlKind::combobox, "", {x + 31, 4, 70, 200}, kStyleNone);
  control(cmd::kPortName, ControlKind::edit, "", {x + 31, 4, 70, 20},
          kStyleReadOnly | kStyleBorder | kStyleHidden);
  Control* speed = control(cmd::kSpeedSelector, ControlKind::combobox, "", {x + 111, 4, 70, 300}, kStyleNone);
  speed->entries = comma_fields(kSpeedList);
  control(cmd::kOpenClose, ControlKind::check_button, m("Mopen"), {x + 191, 6, 60, 16}, kStyleNone);
  icon(cmd::kPhoneBookButton, 5, x + 251, m("Mphbook"));
  control(cmd::kPhoneField, ControlKind::combobox, "", {x + 272, 4, 200, 500}, kStyleNone);
  control(cmd::kCall, ControlKind::check_button, m("Mphonline"), {x + 482, 6, 60, 16}, kStyleNone);
  icon(cmd::kBarView, 7, x + 542, m("McBar"));
  icon(cmd::kEnglish, 8, x + 573, "English");
  icon(cmd::kFrench, 9, x + 594, "Francais");
  icon(cmd::kGerman, 10, x + 615, "Deutsch");
  if (options_.debug) {
    icon(cmd::kFactoryTest, 6, x + 636, "factory test");
    control(cmd::kFactoryLamps, ControlKind::owner_drawn, "", {x + 657, 4, 80, 16}, kStyleNone);
  }
  control(cmd::kStatusText, ControlKind::edit, "", {5, 0, 140, 16}, kStyleReadOnly | kStyleStaticEdge);
  control(cmd::kStatusIdentity, ControlKind::edit, "", {150, 0, 100, 16}, kStyleReadOnly | kStyleStaticEdge);
  control(cmd::kStatusProgress, ControlKind::edit, "0", {255, 0, 80, 16},
          kStyleReadOnly | kStyleStaticEdge | kStyleRightAlign);
  control(cmd::kStatusClock, ControlKind::edit, "", {340, 0, 60, 16},
          kStyleReadOnly | kStyleStaticEdge | kStyleCentre);
  control(cmd::kStopwatch, ControlKind::push_button, "0.0", {405, 0, 40, 16}, kStyleNone);
  control(cmd::kTabControl, ControlKind::tab_control, "", {0, kTabTop, 0, 0}, kStyleNone);
  control(cmd::kTerminal, ControlKind::terminal, "", {10, 30, 0, 0}, kStyleNone, cmd::kTabControl);
  control(cmd::kConfigTab, ControlKind::tab_window, "config", {10, 30, 0, 0}, kStyleHidden, cmd::kTabControl);
  control(cmd::kUploadTab, ControlKind::tab_window, "upload", {10, 30, 0, 0}, kStyleHidden, cmd::kTabControl);
  if (options_.family_product || options_.reduced_variant)
    control(cmd::kCompileTab, ControlKind::tab_window, "compile", {10, 30, 0, 0}, kStyleHidden,
            cmd::kTabControl);
  control(cmd::kInputsSubTabs, ControlKind::tab_control, "", {0, 25, 0, 0}, kStyleHidden, cmd::kTabControl);
  control(cmd::kAnalogWindow, ControlKind::tab_window, "analog", {5, 46, 0, 0}, kStyleNone, cmd::kInputsSubTabs);
  control(cmd::kPlanView, ControlKind::tab_window, "anaplan", {5, 46, 0, 0}, kStyleHidden, cmd::kInputsSubTabs);
  control(cmd::kBarViewWindow, ControlKind::tab_window, "anabar", {5, 46, 0, 0}, kStyleHidden, cmd::kInputsSubTabs);
  control(cmd::kMacroSubTabs, ControlKind::tab_control, "", {0, 25, 0, 0}, kStyleHidden, cmd::kTabControl);
  control(cmd::kMacroWindow, ControlKind::tab_window, "macro", {5, 25, 0, 0}, kStyleNone, cmd::kMacroSubTabs);

  auto tab = [&](int logical, const char* key) { tabs_.push_back({logical, key, m(key)}); };
  tab(0, "MtabTerm");
  if (options_.reduced_variant) {
    tab(5, "MtabComp");
  } else {
    tab(1, "MtabConf");
    tab(2, "MtabAnna");
    tab(3, "MtabMacro");
    tab(4, "MtabUpld");
    if (options_.family_product) tab(5, "MtabComp");
  }
}

int MainWindowForm::logical_tab_at(int position) const {
  if (position < 0 || position >= static_cast<int>(tabs_.size())) return 0;
  return tabs_[static_cast<std::size_t>(position)].logical;
}

int MainWindowForm::position_of_logical(int logical) const {
  for (std::size_t i = 0; i < tabs_.size(); ++i)
    if (tabs_[i].logical == logical) return static_cast<int>(i);
  return -1;
}

// --- layout ---

LayoutResult MainWindowForm::layout(const LayoutInput& in, Settings* settings) {
  LayoutResult r;
  const int computed = in.inputs_rows * in.inputs_row_height + 10;
  if (!inputs_rule_fixed_ && computed < 101) inputs_rule_fixed_ = true;
  r.inputs_offset = inputs_rule_fixed_ ? computed : 46;
  r.macro_offset = in.macro_rows * in.macro_row_height + 5;
  if (settings) {
    settings->set_setting("WindowWidth", "%d", in.outer_width);
    settings->set_setting("WindowHeight", "%d", in.outer_height);
  }

  const int h = in.client_height;
  form_.move(cmd::kStatusText, {5, h - 16, 140, 16});
  form_.move(cmd::kStatusIdentity, {150, h - 16, 100, 16});
  form_.move(cmd::kStatusProgress, {255, h - 16, 80, 16});
  form_.move(cmd::kStatusClock, {340, h - 16, 60, 16});
  form_.move(cmd::kStopwatch, {405, h - 16, 40, 16});
  form_.move(cmd::kFactoryTest, {450, h - 21, 21, 21});
  form_.move(cmd::kFactoryLamps, {475, h - 16, 80, 16});

  const int w = in.client_width;
  const int t = h - 47;
  form_.move(cmd::kTabControl, {0, kTabTop, w, t});
  r.tab_width = w;
  r.tab_height = t;

  const int tab = current_tab_;
  const int kind = in.inputs_selected_kind;
  int top = 30;
  switch (tab) {
    case 1: top = in.config_content_height > 0 ? in.config_content_height + 50 : 80; break;
    case 2: top = kind == cmd::kPlanKind || kind == cmd::kBarKind ? 10000 : r.inputs_offset + 460; break;
    case 3: top = r.macro_offset + 325; break;
    case 4: top = 100000; break;
    case 5: top = 300 + (t - 410 > 0 ? (t - 410) / 2 : 0); break;
    default: top = 30; break;
  }
  top = std::max(std::min(top, t - 110), 30);
  r.terminal_top = top;
  form_.move(cmd::kTerminal, {10, top, w - 20, t - top - 10});

  const Rect window{10, 30, w - 20, top - 40};
  form_.move(cmd::kConfigTab, window);
  form_.move(cmd::kUploadTab, window);
  form_.move(cmd::kCompileTab, window);
  form_.set_shown(cmd::kConfigTab, tab == 1);
  form_.set_shown(cmd::kUploadTab, tab == 4);
  form_.set_shown(cmd::kCompileTab, tab == 5);

  form_.move(cmd::kInputsSubTabs, {0, 25, w, top - 40});
  form_.set_shown(cmd::kInputsSubTabs, tab == 2);
  const bool plan = kind == cmd::kPlanKind, bar = kind == cmd::kBarKind;
  form_.set_shown(cmd::kAnalogWindow, !plan && !bar);
  form_.set_shown(cmd::kPlanView, plan);
  form_.set_shown(cmd::kBarViewWindow, bar);
  const bool bar_visible = bar && tab == 2;
  r.bar_view_became_visible = bar_visible && !bar_view_shown_;
  bar_view_shown_ = bar_visible;
  form_.move(cmd::kAnalogWindow, {5, r.inputs_offset, w - 10, top - 70});
  const Rect view{5, r.inputs_offset, w - 10, top - 42 - r.inputs_offset};
  form_.move(cmd::kPlanView, view);
  form_.move(cmd::kBarViewWindow, view);

  form_.move(cmd::kMacroSubTabs, {0, 25, w, top - 40});
  form_.set_shown(cmd::kMacroSubTabs, tab == 3);
  form_.move(cmd::kMacroWindow, {5, r.macro_offset, w - 10, top - 70});
  form_.fit();  // the status row again holds what its texts need
  return r;
}

int MainWindowForm::minimum_client_width() const {
  // The tool row and the status row, with the tool row's left margin on the right as well.
  int right = 0;
  for (const Control& c : form_.controls())
    if (c.parent == 0 && c.kind != ControlKind::tab_control) right = std::max(right, c.rect.x + c.rect.width);
  return right + 10;
}

void MainWindowForm::show_link_state(bool open, const std::string& link_name) {
  if (open) form_.set_text(cmd::kPortName, link_name);
  form_.set_shown(cmd::kPortName, open);
  form_.set_shown(cmd::kPortSelector, !open);
  form_.set_checked(cmd::kOpenClose, open);
  show_speed_selector(link_name);
}

void MainWindowForm::show_speed_selector(const std::string& link_name) {
  form_.set_shown(cmd::kSpeedSelector, link_name != kTcpLinkName);
}

// --- timer ---

bool MainWindowForm::timer_tick(TimerDuties& duties, const std::tm& local, long now_tenths) {
  if (in_tick_) return false;
  in_tick_ = true;
  struct Leave {
    bool& flag;
    ~Leave() { flag = false; }
  } leave{in_tick_};

  form_.set_text(cmd::kStatusClock,
                 format_text("%.2d:%.2d:%.2d", local.tm_hour, local.tm_min, local.tm_sec));
  form_.set_text(cmd::kStopwatch, stopwatch_.tick(now_tenths));

  // The factory test's countdown and time-outs; its step ends the tick.
  if (duties.factory_tick()) return true;

  form_.set_checked(cmd::kOpenClose, duties.link_open());
  duties.supervise_phone_and_modem();
  duties.commit_current_tab();
  if (!duties.reading_enabled()) return true;
  duties.probe_port();
  return true;
}

}  // namespace vexa
