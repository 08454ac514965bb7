#pragma once
// The production self-test of a freshly built board. The preparation (891) sets the board's
// clock with a type-specific setup list; a countdown later the test start (893) sends the
// commands that make the board check itself; every line the board prints then comes through
// the line handler, which recognises result lines, checks their values against fixed limits,
// colours the seven lamps and, at the end of an 'S' test, gives a verdict by sound. The result
// listing (894) prints the seven states.
//
// The line handler runs on the receive thread; the preparation, test start, listing, timer
// and drawing on the window thread. The states are atomics shared between the two; redraws and
// sounds go through FactoryTestOutput, which hands them to the window thread.
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/board_jobs.h"
#include "base/command_table.h"
#include "base/messages.h"
#include "base/painter.h"
#include "config/board_identity.h"
#include "factory/factory_tests.h"
#include "link/board_channel.h"
#include "link/line_consumer.h"
#include "platform/clock.h"
#include "base/report_sink.h"

namespace vexa {

// What the test asks of the window; called from any thread.
class FactoryTestOutput {
 public:
  virtual ~FactoryTestOutput() = default;
  virtual void redraw_indicator() = 0;
  // The verdict of an 'S' test: every test passed (the system beep) or not ("error.wav").
  virtual void verdict_beep() = 0;
  virtual void verdict_error_sound() = 0;
};

enum class FactoryVerdict { none = 0, passed, rerun, failed };

// One value the line handler checked, for reports.
struct FactoryCheck {
  int test = 0;
  std::string label;
  std::string value;
  std::string low, high;  // the limits; empty where the rule is not a range
  bool passed = false;
};

struct FactoryTestPorts {
  BoardChannel& channel;
  ReportSink& reports;
  const Messages& messages;
  const BoardIdentity& identity;
  BoardJobs& jobs;
  const Clock& clock;
  FactoryTestOutput& output;
};

class FactoryTest final : public LineConsumer, public TargetChangeListener {
 public:
  // present: the indicator exists (the debug setting is on); without it lines are ignored.
  // Runs the board-change reset once, as the main window does at its creation.
  explicit FactoryTest(const FactoryTestPorts& ports, bool present = true);
  FactoryTest(const FactoryTest&) = delete;
  FactoryTest& operator=(const FactoryTest&) = delete;

  // Rows for 891 (prepare), 893 (test start) and 894 (result listing).
  void add_commands(CommandTable& table);

  // 891: takes the board job gate, opens the error window (13 s), sends the clock line with
  // the type's setup list, starts the countdown and resets the states.
  void prepare();
  // 893: opens the error window (5 s) and sends the type's test commands.
  void start_test();
  // 894: "<state> <label>" for each of the seven tests.
  void list_results();
  // The main window's 100 ms duties: the countdown (true when it ran the test start, which ends
  // that tick) and the error window. The gate is given back when the error window after the
  // test start has closed, or at once on Stop.
  bool tick_100ms();

  // The line handler with no line: all states unseen, channel mask and re-run count 0.
  void reset();
  // A board identified itself (force off), the window was created (off) or a firmware download
  // ended (on): resets when forced or when the type letter changed, then remembers it.
  void reset_on_board_change(char letter, bool force);

  // The line handler (receive thread).
  void on_line(std::string_view line) override;
  void target_changed(const BoardIdentityData& identity) override;

  // The lamps of the tests the current board type runs.
  void draw(Painter& painter) const;

  std::array<int, kFactoryTestCount> states() const;
  std::uint32_t channel_mask() const { return channel_mask_.load(); }
  int reruns() const { return reruns_.load(); }
  int error_window() const { return error_window_.load(); }
  int countdown() const { return countdown_.load(); }
  FactoryVerdict last_verdict() const { return static_cast<FactoryVerdict>(last_verdict_.load()); }
  int verdicts() const { return verdicts_.load(); }
  // Whether the test holds the board job gate.
  bool running() const { return ticket_.holds(); }
  // Shortens or lengthens a running countdown (the command line program's option).
  void set_countdown(int ticks) { countdown_.store(ticks); }
  // The latest check of each value, in the order first seen.
  std::vector<FactoryCheck> checks() const;

 private:
  enum class Phase { idle, prepared, testing };

  void set_state(int test, int state);
  int state(int test) const { return states_[static_cast<std::size_t>(test)].load(); }
  bool range_check(const std::string& label, int test, long value, long low, long high);
  bool range_check(const std::string& label, int test, double value, double low, double high);
  void record(FactoryCheck check);
  void abort_run();

  bool analog_values(std::string_view line, char letter);
  bool disk(std::string_view line);
  bool serial_file(std::string_view line);
  bool resolution_summary(std::string_view line);
  bool channel_resolution(std::string_view line);
  bool converter(std::string_view line);
  bool clock_line(std::string_view line);
  bool temperature(std::string_view line, char letter);
  bool verdict(std::string_view line);

  FactoryTestPorts ports_;
  const bool present_;
  std::array<std::atomic<int>, kFactoryTestCount> states_{};
  std::atomic<std::uint32_t> channel_mask_{0};
  std::atomic<int> reruns_{0};
  std::atomic<char> remembered_letter_{0};
  std::atomic<int> error_window_{0};
  std::atomic<int> countdown_{-1};
  std::atomic<int> last_verdict_{0};
  std::atomic<int> verdicts_{0};
  // Window thread only.
  BoardJobs::Ticket ticket_;
  Phase phase_ = Phase::idle;

  mutable std::mutex checks_mutex_;
  std::vector<FactoryCheck> checks_;
};

}  // namespace vexa
