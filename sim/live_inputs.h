#pragma once
// Live values of the simulated board's analog inputs and its answers to the live polls:
//   a<n>      (firmware 603 or later) one line for input n: ' a3: 512 1280.00mV =12.5'
//   a?        one line with every present input
//   a 2, a 5,200   the host's "send live lines" request: one line with every present input
// The counts follow slow sine waves, each input its own period and phase, so bars and histories
// move; the "=" value is the count under the input's own expression. Every answer ends in "Ok".
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/board_configuration.h"

namespace vexa::sim {

// The count of input n at a time in seconds on a board of this kind.
long live_count(const BoardKind& kind, int n, double seconds);

// ' a3: 512 1280.00mV =12.5' for input n.
std::string live_field(const BoardConfiguration& configuration, int n, double seconds);

// The reply lines to a poll command line, or nothing when the line is no poll.
std::optional<std::vector<std::string>> live_poll_reply(std::string_view line, const BoardConfiguration& configuration,
                                                        double seconds);

}  // namespace vexa::sim
