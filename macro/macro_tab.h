#pragma once
// The macro tab (logical tab 3): one sub-tab per board macro and a form that edits the shown
// macro's schedule and command. The form holds a macro only while it is shown; leaving the tab
// or another sub-tab commits it into the configuration table, and Apply sends it to the board.
#include <string>
#include <vector>

#include "base/form.h"
#include "base/tab.h"
#include "base/messages.h"
#include "config/board_identity.h"
#include "config/config_exchange.h"
#include "config/configuration.h"
#include "macro/macro_value.h"
#include "platform/clock.h"
#include "base/report_sink.h"

namespace vexa {

namespace macro_id {
inline constexpr int kNoMacros = 700;
inline constexpr int kTypeNone = 710, kTypeWithoutDate = 711, kTypeOnce = 712, kTypeRegularly = 713,
                     kTypeFrom = 714, kTypeOn = 715;
inline constexpr int kEvent = 716;
inline constexpr int kYear = 720, kMonth = 722, kDay = 724, kHour = 726, kMinute = 728, kSecond = 730;
inline constexpr int kYearLabel = 721, kMsLabel = 733;  // labels are the odd ids 721..733
inline constexpr int kNow = 734, kClearDate = 735;
inline constexpr int kAll = 740, kIntervalDays = 741, kIntervalHours = 742, kIntervalMinutes = 743,
                     kIntervalSeconds = 744, kIntervalMs = 745, kClearInterval = 746;
inline constexpr int kCommand = 750;
inline constexpr int kApply = 751;  // also the id of the label "Command"
}  // namespace macro_id

inline constexpr int kLastMacroYear = 2039;  // the end of the year list
inline constexpr int kMacroComboDropHeight = 200;

class MacroTab final : public Tab {
 public:
  // report: where a refused form is said so.
  MacroTab(Configuration& configuration, BoardIdentity& identity, ConfigExchange& sender,
           const Messages& messages, ReportSink& report, const Clock& clock = SystemClock::instance());

  Form& form() override { return form_; }
  const Form& form() const { return form_; }

  // The sub-tabs for the connected board ("m0" ...), the "no macros" text, the visibility.
  void refresh_macro_tab();
  const std::vector<std::string>& sub_tabs() const { return sub_tabs_; }
  int macro_count() const { return static_cast<int>(sub_tabs_.size()); }
  int selected() const { return selected_; }
  // Another sub-tab was chosen: the shown macro is committed and the chosen one shown.
  void select_macro(int index);

  // Loads the current macro from the configuration table into the form.
  void show_macro();
  // Stores the form into the configuration table as the current macro's value. A start date
  // the board cannot hold (beyond 2068-01-19 03:14:07) is refused with a report line and
  // nothing is stored: returns false then.
  bool commit_macro();
  // A control of the form (radio buttons, "now", the two clear buttons, Apply).
  void command(const Command& command) override;

  std::string current_key() const;
  MacroSchedule checked_schedule() const;

 private:
  void build();
  void check_schedule(MacroSchedule schedule);
  void update_visibility();
  void set_number(int id, long long value);
  long field_number(int id) const;

  Configuration& configuration_;
  BoardIdentity& identity_;
  ConfigExchange& sender_;
  const Messages& messages_;
  ReportSink& report_;
  const Clock& clock_;
  Form form_;
  std::vector<std::string> sub_tabs_;
  int selected_ = 0;
};

}  // namespace vexa
