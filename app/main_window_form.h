#pragma once
// The main window as data: its control table (tool row, tab control, tab windows, status row),
// the tabs, the layout rules, the title, the status row's clock and stopwatch, and the duties
// of the 100 ms timer. The front end creates the widgets from the table and calls layout() and
// timer_tick(); everything here runs without a display.
#include <ctime>
#include <string>
#include <vector>

#include "base/form.h"
#include "base/messages.h"

namespace vexa {

class Settings;

struct MainWindowOptions {
  bool reduced_variant = false;  // `armcdt`
  bool debug = false;            // `debug`
  bool family_product = true;    // the product name is "VexaLog"
};

struct TabInfo {
  int logical = 0;  // 0 terminal, 1 configuration, 2 inputs, 3 macros, 4 upload, 5 compile
  std::string key;
  std::string caption;
};

inline constexpr const char* kSpeedList = "300,600,1200,2400,4800,9600,14400,19200,28800,38400,57600,115200";
inline constexpr int kToolRowY = 4;
inline constexpr int kTabTop = 29;
inline constexpr int kMinWindowSide = 200;

// "%s Terminal %d", or "ARM Compile Download Terminal %d" in the reduced variant.
std::string main_window_title(const std::string& product_name, bool reduced_variant);

// The stopwatch of button 774, counting tenths of seconds of the day.
class Stopwatch {
 public:
  enum class State { stopped, running, start_requested, stop_requested };
  // The button: a start request when stopped, a stop request otherwise.
  void press();
  // The timer: carries out a request and returns the button text.
  std::string tick(long now_tenths);
  State state() const { return state_; }
  long elapsed() const { return elapsed_; }

 private:
  State state_ = State::stopped;
  long start_ = 0;
  long elapsed_ = 0;
};

// "%d.%d" (seconds, tenths) below 10000 tenths, else "%d" (seconds).
std::string stopwatch_text(long tenths);
// Tenths of seconds since midnight UTC, of a time point given as seconds and milliseconds.
long tenths_of_day(long long epoch_seconds, int milliseconds);

// What the layout reads from the windows around it.
struct LayoutInput {
  int client_width = 0;
  int client_height = 0;
  int outer_width = 0;    // stored as WindowWidth / WindowHeight
  int outer_height = 0;
  int config_content_height = 0;  // 0: no rows
  int inputs_rows = 1, inputs_row_height = 20;
  int inputs_selected_kind = 0;  // 0 an input, 9001 plan view, 9002 bar view
  int macro_rows = 1, macro_row_height = 20;
};

struct LayoutResult {
  int tab_width = 0, tab_height = 0;  // the tab control's client size (W, T)
  int terminal_top = 30;
  int inputs_offset = 46;
  int macro_offset = 25;
  bool bar_view_became_visible = false;
};

// The periodic work the timer hands to the rest of the program.
class TimerDuties {
 public:
  virtual ~TimerDuties() = default;
  virtual bool link_open() = 0;
  // The factory test's 100 ms step; true when it ends the tick.
  virtual bool factory_tick() { return false; }
  virtual void supervise_phone_and_modem() {}
  virtual void commit_current_tab() {}
  virtual bool reading_enabled() { return true; }
  virtual void probe_port() {}
};

class MainWindowForm {
 public:
  MainWindowForm(const MainWindowOptions& options, const Messages& messages);

  Form& form() { return form_; }
  const Form& form() const { return form_; }
  const MainWindowOptions& options() const { return options_; }

  // The tabs of control 811 by position.
  const std::vector<TabInfo>& tabs() const { return tabs_; }
  int logical_tab_at(int position) const;
  int position_of_logical(int logical) const;  // -1 when the tab does not exist
  int current_tab() const { return current_tab_; }
  void set_current_tab(int logical) { current_tab_ = logical; }

  // The x of the time button and the link controls after it (98, or 10 reduced).
  int tool_x() const { return options_.reduced_variant ? 10 : 98; }
  // The icon buttons (id, image) in creation order.
  const std::vector<std::pair<int, int>>& icon_buttons() const { return icons_; }

  // Places every control for the window's client size and the tab in front; stores the outer
  // size in settings when given.
  LayoutResult layout(const LayoutInput& input, Settings* settings = nullptr);

  // The narrowest client area that holds the tool row and the status row whole, as the
  // controls are now (texts wider than the table's widths make it wider).
  int minimum_client_width() const;

  // The link opened or closed: the name display replaces the port selector, 803 follows.
  void show_link_state(bool open, const std::string& link_name);
  // The speed selector is for serial ports only: hidden while the link name is "tcp/ip".
  void show_speed_selector(const std::string& link_name);

  // One 100 ms tick; a tick while the previous one still runs returns at once (false).
  bool timer_tick(TimerDuties& duties, const std::tm& local, long now_tenths);
  Stopwatch& stopwatch() { return stopwatch_; }

 private:
  void add_controls(const Messages& messages);

  MainWindowOptions options_;
  Form form_;
  std::vector<TabInfo> tabs_;
  std::vector<std::pair<int, int>> icons_;
  int current_tab_ = 0;
  bool inputs_rule_fixed_ = false;
  bool bar_view_shown_ = false;
  bool in_tick_ = false;
  Stopwatch stopwatch_;
};

}  // namespace vexa
