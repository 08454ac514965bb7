#pragma once
// The live values of the analog inputs for the Data tab: one record per input number with its
// colour, scale, last value, the value of the current second and histories of 120 seconds and
// 120 minutes, in raw counts, millivolts or real values. Lines arrive on the receive thread;
// the views read and the timers move samples on the window thread, so the records sit behind
// one mutex and the window side learns of changes through dirty flags.
#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analog/analog_board.h"
#include "base/painter.h"
#include "config/board_identity.h"
#include "config/parameter_hooks.h"
#include "link/line_consumer.h"

namespace vexa {

class BoardChannel;
class Clock;
class Configuration;

inline constexpr std::size_t kLiveInputs = 256;
inline constexpr int kHistorySamples = 120;
inline constexpr float kZeroSample = 0.0001f;  // a received 0; a sample of 0 means "no value"

enum class DisplayMode { raw = 0, millivolts = 1, real = 2 };
enum class HistoryView { bar = 0, seconds = 1, minutes = 2 };

struct LiveRecord {
  Colour colour = 0;
  float min = 0, max = 0;
  float value = 0;
  float current = 0;
  std::array<float, kHistorySamples> seconds{};
  std::array<float, kHistorySamples> minutes{};
};

// Entry n mod 16 is input n's default colour (0xBBGGRR); also the colour dialog's custom colours.
extern const std::array<Colour, 16> kLivePalette;

// The scaling the real display mode uses for an input: value = count * multiplier + offset.
struct LiveScaling {
  double multiplier = 1;
  double offset = 0;
};
LiveScaling live_scaling(std::string_view expression_value);

// Millivolts per count of a board class.
double millivolts_per_count(BoardClass board_class);

// One record converted from a mode into counts and from counts into another mode; histories
// are cleared when real values are involved.
void convert_record(LiveRecord& record, DisplayMode from, DisplayMode to, BoardClass board_class,
                    const LiveScaling& scaling);

// The display name of input n: the parameter's name text, else the ",n=" name of its expression,
// cut to 20 characters and at the first blank, ",", ";" or DEL; else "a%d".
std::string live_display_name(int n, std::string_view name_text, std::string_view expression_value);

// The slot of time t (seconds or minutes) in a history: t mod 120, never negative.
int history_slot(long long t);
// The history index under x of a graph w wide (-119..0), nothing for w < 10.
std::optional<int> popup_index(int x, int width);

class LiveData final : public LineConsumer, public TargetChangeListener, public ParameterListener {
 public:
  LiveData(Configuration& configuration, BoardIdentity& identity, BoardChannel& channel,
           std::function<bool()> link_open, const Clock& clock);

  // --- receive thread ---
  void on_line(std::string_view line) override { on_bar_line(line); }
  void on_bar_line(std::string_view line);
  // Any thread: the new board resets every record at the next tick (command 199).
  void target_changed(const BoardIdentityData& identity) override;
  // Any thread: a stored "a%d" resets that row at the next tick while showing real values.
  void parameter_changed(std::string_view key) override;

  // --- window thread ---
  // Every 100 ms: polls the board while the view shows, Listen is on and the link is open.
  void on_bar_tick(bool view_visible, bool listen);
  // Every second: moves the current values into the histories. Returns true when the history
  // graphs need a redraw (seconds view, or a minute passed).
  bool tick_second();
  // Carries out a pending new board or parameter reset (the ticks call it too).
  void take_requests();
  void new_board();
  void reset_all();
  void reset_record(int n);
  void set_mode(DisplayMode mode);
  DisplayMode mode() const { return mode_; }
  void set_view(HistoryView view) { view_ = view; }
  HistoryView view() const { return view_; }
  void set_min(int n, float value);
  void set_max(int n, float value);
  void set_colour(int n, Colour colour);

  LiveRecord record(int n) const;
  // Inputs with a new value since the last call.
  std::bitset<kLiveInputs> take_dirty();
  // The slot of the last second (or minute) the timer filled, -1 before the first.
  long long last_second() const { return last_second_; }
  long long last_minute() const { return last_minute_; }
  // The history sample under x of a graph w pixels wide in the current view, or nothing.
  std::optional<float> sample_at(int n, int x, int width) const;
  BoardClass board_class() const;
  int polls_sent() const { return polls_; }

 private:
  LiveScaling scaling_of(int n) const;
  void reset_locked(LiveRecord& record, int n, BoardClass cls);

  Configuration& configuration_;
  BoardIdentity& identity_;
  BoardChannel& channel_;
  std::function<bool()> link_open_;
  const Clock& clock_;

  mutable std::mutex mutex_;
  std::array<LiveRecord, kLiveInputs> records_{};
  std::bitset<kLiveInputs> dirty_;
  std::bitset<kLiveInputs> reset_requests_;
  std::atomic<DisplayMode> shared_mode_{DisplayMode::millivolts};
  std::atomic<bool> new_board_{false};

  DisplayMode mode_ = DisplayMode::millivolts;
  HistoryView view_ = HistoryView::bar;
  int ticks_ = 0;
  int polls_ = 0;
  long long last_second_ = -1;
  long long last_minute_ = -1;
};

}  // namespace vexa
