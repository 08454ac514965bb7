#pragma once
// The drawing of the Data tab's rows through a Painter: colour button, bars, scales, history
// graphs and their time axis, and the texts of value boxes, scale labels and the pop-up.
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "analog/live_data.h"
#include "base/painter.h"

namespace vexa {

// Decimals of the labels of a range divided into parts: those of "%.0f" to "%.4f", or "%f".
int scale_decimals(double min, double max, double parts);
std::string scale_text(double value, double min, double max, double parts);
// The smallest candidate (1, 2, 5 times a power of ten) not below x (above x when x < 1) when
// upward, else the largest below x (not above x when x < 1).
double nice_step(double x, bool upward);

using TextWidth = std::function<int(std::string_view)>;

// The value box of a history row (field 9) lies under the min and max boxes, as wide as both, so
// that "%f" of the usual readings fits at the default font.
inline constexpr int kValueBoxX = 75;
inline constexpr int kValueBoxWidth = 125;
// Shown instead of a number that does not fit even without decimals.
inline constexpr std::string_view kValueOverflow = "###";
// The text of a value for a box with room pixels of text: "%.*f" with max_decimals (at most 6,
// as "%f"), else with fewer decimals, rounded, else kValueOverflow. A box that scrolls or clips
// would show the last digits alone and so a wrong number.
std::string fitted_value_text(double value, int max_decimals, int room, const TextWidth& width);

void draw_colour_button(Painter& p, int w, int h, Colour colour);
void draw_horizontal_bar(Painter& p, int w, int h, const LiveRecord& r);
void draw_vertical_bar(Painter& p, int w, int h, const LiveRecord& r);
void draw_horizontal_scale(Painter& p, int w, int h, double min, double max, const TextWidth& width);
void draw_vertical_scale(Painter& p, int w, int h, double min, double max, int text_height, const TextWidth& width);
// The graph of a history whose newest sample lies in slot last (mod 120).
void draw_history(Painter& p, int w, int h, const LiveRecord& r, const std::array<float, kHistorySamples>& samples,
                  long long last, int text_height);
// Labels of the 120 positions ending at time last (seconds or minutes).
void draw_time_axis(Painter& p, int w, int h, HistoryView view, long long last, const TextWidth& width);

// The pop-up's text: "%f" without trailing zeros and point.
std::string popup_text(float sample);

}  // namespace vexa
