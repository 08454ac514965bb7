#pragma once
// The analog tab: the expression of one analog input as a form (type, operation, alarms,
// calibration points, S class options), the input tabs of the analog section, listening to the
// board's live value of the input and catching it into a calibration row, and Apply.
//
// Everything but on_line runs on the window thread. on_line (receive thread) only hands the
// matching piece of a live line over through a locked inbox, which the 100 ms tick (or any
// command) takes in; the poll counter is atomic.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analog/analog_board.h"
#include "analog/analog_expression.h"
#include "analog/input_marks.h"
#include "analog/input_type_description.h"
#include "analog/input_type_list.h"
#include "base/form.h"
#include "base/tab.h"
#include "config/board_identity.h"
#include "link/line_consumer.h"

namespace vexa {

class BoardChannel;
class Configuration;
class ConfigExchange;
class Clock;
class DocumentOpener;
class FileChooser;
class InputTypeTable;
class Messages;
class ReportSink;
class Settings;

// The analog section's labels are the form's fixed texts.
inline constexpr unsigned kStyleStatic = kStyleLabel;

// Numbers of the view tabs after the input tabs.
inline constexpr int kPlanTab = 9001;
inline constexpr int kDataTab = 9002;
inline constexpr int kFirstViewTab = 9000;

namespace analog_id {
inline constexpr int kKey = 700, kName = 701, kTypeList = 710, kDescription = 711, kPicture = 712;
inline constexpr int kApply = 720, kListen = 721, kLiveLine = 722;
// The operation: count * multiplier + offset with decimals, and its labels.
inline constexpr int kMultiplier = 750, kOffset = 751, kDecimals = 752, kMoreDecimals = 753,
                     kFewerDecimals = 754, kClearOperation = 755;
inline constexpr int kOperationLabel = 760, kTimesLabel = 761, kPlusLabel = 762;
inline constexpr int kOperationCountLabel = 850, kOperationValueLabel = 851, kOperationTempLabel = 852;
inline constexpr int kAlarmNone = 770, kAlarmZero = 771, kAlarmOne = 772;
inline constexpr int kAbcLabel = 780, kAbc = 786;
inline constexpr int kHelp = 800;
// A calibration point or alarm row: the row's number (an alarm's label) and its fields after it.
inline constexpr int kPoint1 = 810, kPoint2 = 820, kLowAlarm = 830, kHighAlarm = 840;
inline constexpr int kCountField = 1;       // the count in raw units
inline constexpr int kWantedField = 2;      // a point's value, as the user wants it shown
inline constexpr int kScaledField = 3;      // the count through the operation (an alarm's is typed)
inline constexpr int kMillivoltField = 4;   // the count in millivolts
inline constexpr int kPoint1Count = kPoint1 + kCountField, kPoint1Wanted = kPoint1 + kWantedField;
inline constexpr int kPoint2Count = kPoint2 + kCountField, kPoint2Wanted = kPoint2 + kWantedField;
inline constexpr int kLowAlarmCount = kLowAlarm + kCountField, kLowAlarmScaled = kLowAlarm + kScaledField;
inline constexpr int kHighAlarmCount = kHighAlarm + kCountField, kHighAlarmScaled = kHighAlarm + kScaledField;
inline constexpr int kCatch1 = 815, kCatch2 = 825;
inline constexpr int kPointsCountLabel = 860, kPointsScaledLabel = 861, kPointsValueLabel = 862,
                     kPointsTempLabel = 863, kPointsAbcLabel = 864;
inline constexpr int kPropose1 = 880, kPropose2 = 881;
inline constexpr int kCalculate = 885, kTable = 886;
// S class options.
inline constexpr int kDiff = 890, kDiffLabel = 891, kPivot = 892, kPivotLabel = 893, kLcd = 894, kLcdLabel = 895;
inline constexpr int kStoreAvg = 896, kStoreMin = 897, kStoreMax = 898, kStoreLabel = 899;
// The controls from here to there show or hide with the input type.
inline constexpr int kFirstTypedControl = kMultiplier, kLastTypedControl = kStoreLabel;
}  // namespace analog_id

struct AnalogTabLinks {
  Configuration& configuration;
  BoardIdentity& identity;
  const InputTypeTable& types;
  const Messages& messages;
  const Settings& settings;  // `debug` shows the hidden description lines
  ConfigExchange& sender;    // Apply's parameter line
  BoardChannel& channel;     // polls
  std::function<bool()> link_open;
  const Clock& clock;
  FileChooser* chooser = nullptr;  // the calibration table export (none: Table does nothing)
  DocumentOpener* opener = nullptr;
  ReportSink* report = nullptr;    // the export's messages and the solver's trace
};

struct AnalogTabEntry {
  int number = 0;  // input number, or kPlanTab / kDataTab
  std::string label;
};

class AnalogTab final : public Tab, public LineConsumer, public TargetChangeListener {
 public:
  explicit AnalogTab(AnalogTabLinks links);
  AnalogTab(const AnalogTab&) = delete;
  AnalogTab& operator=(const AnalogTab&) = delete;

  Form& form() override { return form_; }
  const Form& form() const { return form_; }

  // Creation: tabs (not forced), reparse, refresh.
  void create();

  // --- input tabs ---
  // Rebuilds when forced or when the board identity changed since the last build.
  void rebuild_tabs(bool force);
  const std::vector<AnalogTabEntry>& tabs() const { return tabs_; }
  int selected_tab() const { return selected_; }
  // The number the selected tab carries (-1 without tabs).
  int selected_number() const;
  // The user selects a tab: the edited expression is stored first, then the new input parsed.
  void select_tab(int index);
  // Called after each rebuild of the tabs (the section rebuilds its tab bar).
  void set_tabs_listener(std::function<void()> listener) { tabs_listener_ = std::move(listener); }
  // Whether the analog section is the main window's current tab.
  void set_section_current(bool current);
  bool section_current() const { return section_current_; }

  // --- expression ---
  // The selected input's parameter into the fields (the configuration tab's rebuild calls it).
  void reparse();
  // The fields into the parameter table (not sent); nothing outside the section or on a view.
  void store();
  // Refresh of the fields; edited: the control being typed into (its text is left alone).
  void refresh(int edited = 0);
  void update_visibility();

  // --- commands and timer ---
  void command(const Command& command) override;
  bool tick_100ms() override;
  // Receive thread: every complete line.
  void on_line(std::string_view line) override;
  // Any thread: a new board (the input presence is reset to its first inputs).
  void target_changed(const BoardIdentityData& identity) override;

  // --- type and picture ---
  const InputTypeList& type_list() const { return type_list_; }
  const InputType* current_type() const;
  const TypeDescription& description() const { return description_; }
  // Called after the picture or description changed (the widget repaints).
  void set_picture_listener(std::function<void()> listener) { picture_listener_ = std::move(listener); }
  bool draw_picture(Painter& p, PictureSheets& sheets);
  // The settings the picture's font comes from (`fontvar`, `fontvarsize`).
  const Settings& settings() const { return links_.settings; }

  // --- state for tests and the widget ---
  const AnalogExpression& expression() const { return expression_; }
  AnalogBoard board() const;
  bool listening() const { return form_.checked(analog_id::kListen); }
  int pending_catch() const { return pending_catch_; }
  bool line_available() const { return line_available_; }
  void take_live_lines();
  // The help text of a type letter.
  std::string help_text(char type_letter) const;

 private:
  void build_form();
  void fill_types();
  void select_type(const std::string& value, const std::string& type_text);
  void set_current_type(int entry);
  void show_description();
  void listen_step(const std::string* line);
  void catch_row(int row);
  void read_operation(int id);
  void read_calibration(int row);
  void typed_alarm(int id);
  void type_chosen(int position);
  void apply();
  void fields_from_expression();
  void expression_from_fields();
  char type_letter() const;
  TypePrefix type_prefix() const;
  void picture_changed();

  AnalogTabLinks links_;
  Form form_;
  std::vector<AnalogTabEntry> tabs_;
  int selected_ = -1;
  bool section_current_ = false;
  std::function<void()> tabs_listener_;
  std::function<void()> picture_listener_;

  AnalogExpression expression_;
  InputTypeList type_list_;
  int current_type_ = -1;
  TypeDescription description_;
  MarkState marks_;

  std::string built_for_ = "\x01 no board";
  int last_input_ = -1;
  bool line_available_ = false;
  int pending_catch_ = 0;
  std::atomic<int> poll_ticks_{0};
  std::int64_t last_user_alarm_edit_ = -1000000;
  std::string last_low_text_, last_high_text_;

  std::atomic<int> listened_input_{-1};  // the input on_line looks for
  std::atomic<bool> identity_seen_{false};  // an identity line was accepted (any thread)
  std::mutex inbox_mutex_;
  std::optional<std::string> inbox_;  // the newest live piece for listened_input_
  int inbox_input_ = -1;
};

}  // namespace vexa
